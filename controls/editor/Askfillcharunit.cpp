#include "controls/editor/Askfillcharunit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAskFillCharForm::TAskFillCharForm(QWidget *parent) : TEditorDialog(QStringLiteral("Заливка блока"), 236, 96, parent)
{
    Label1 = new QLabel(QStringLiteral("Введите символ для заливки:"), this);
    Label1->setGeometry(12, 18, 168, 16);

    CharEdit = new QLineEdit(this);
    CharEdit->setMaxLength(1);
    QFont bold = CharEdit->font();
    bold.setBold(true);
    CharEdit->setFont(bold);
    CharEdit->setGeometry(186, 14, 36, 22);
    Label1->setBuddy(CharEdit);

    ButtonOK = AddButton(QStringLiteral("OK"), mrOk, QRect(40, 56, 80, 26));
    ButtonOK->setDefault(true);
    ButtonCancel = AddButton(QStringLiteral("Отмена"), mrCancel, QRect(128, 56, 80, 26));

    setTabOrder(CharEdit, ButtonOK);
    setTabOrder(ButtonOK, ButtonCancel);
}
