// The go-to-line dialog: asks for a line number, counted from 1.
#pragma once

#include <QSpinBox>

#include "controls/editor/editor_dialog.h"

class QLabel;
class QPushButton;

// The line number field: takes any whole number while it is typed and, on
// leaving or Enter, puts one past the last line back to the last line.
class TLineNoSpinBox : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

class TAskLineNoForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TAskLineNoForm(QWidget *parent = nullptr);

    QLabel *Label1;
    TLineNoSpinBox *LineNoEdit;   // whole numbers from 1, at most the line count
    QPushButton *ButtonOK;
    QPushButton *ButtonCancel;
};
