// The block fill dialog: asks for the character that fills a block.
#pragma once

#include "controls/editor/editor_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TAskFillCharForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TAskFillCharForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *CharEdit;   // at most one character
    QPushButton *ButtonOK;
    QPushButton *ButtonCancel;
};
