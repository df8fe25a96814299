#include "controls/editor/Asklinenounit.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

TAskLineNoForm::TAskLineNoForm(QWidget *parent) : TEditorDialog(QStringLiteral("Переход на строку"), 268, 96, parent)
{
    Label1 = new QLabel(QStringLiteral("Перейти на строку номер:"), this);
    Label1->setGeometry(12, 18, 150, 16);

    LineNoEdit = new QSpinBox(this);
    LineNoEdit->setRange(1, 1);
    LineNoEdit->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    LineNoEdit->setGeometry(168, 14, 88, 22);
    Label1->setBuddy(LineNoEdit);

    ButtonOK = AddButton(QStringLiteral("OK"), mrOk, QRect(52, 56, 80, 26));
    ButtonOK->setDefault(true);
    ButtonCancel = AddButton(QStringLiteral("Отмена"), mrCancel, QRect(140, 56, 80, 26));

    setTabOrder(LineNoEdit, ButtonOK);
    setTabOrder(ButtonOK, ButtonCancel);
}
