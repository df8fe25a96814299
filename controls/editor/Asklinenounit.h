// The go-to-line dialog: asks for a line number, counted from 1.
#pragma once

#include "controls/editor/editor_dialog.h"

class QLabel;
class QSpinBox;
class QPushButton;

class TAskLineNoForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TAskLineNoForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QSpinBox *LineNoEdit;   // whole numbers from 1
    QPushButton *ButtonOK;
    QPushButton *ButtonCancel;
};
