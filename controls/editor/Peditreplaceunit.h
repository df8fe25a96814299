// The replace dialog: the text to find, its replacement and the options.
#pragma once

#include "controls/editor/editor_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TPEditReplaceForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TPEditReplaceForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *SearchEdit;
    QLabel *Label2;
    QLineEdit *ReplaceEdit;
    QCheckBox *WholeWordsChkBox;
    QCheckBox *CaseChkBox;
    QCheckBox *PromptChkBox;
    TRadioGroup *ScopeRadioGroup;
    TRadioGroup *OriginRadioGroup;
    QPushButton *ButtonOK;   // mrOk
    QPushButton *ButtonAll;   // mrAll
    QPushButton *ButtonCancel;   // mrCancel
};
