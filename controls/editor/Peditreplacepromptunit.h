// The replace prompt: asks before one replacement.
#pragma once

#include "controls/editor/editor_dialog.h"

class QLabel;
class QPushButton;

class TPEditReplacePromptForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TPEditReplacePromptForm(QWidget *parent = nullptr);

    // Shows the question; a text too wide for the label is cut in the
    // middle (the whole text stays readable as the label's tool tip).
    void SetAskText(const QString &text);

    QLabel *AskLabel;
    QPushButton *ButtonYes;   // mrYes
    QPushButton *ButtonSkip;   // mrNo
    QPushButton *ButtonAll;   // mrAll
    QPushButton *ButtonCancel;   // mrCancel
};
