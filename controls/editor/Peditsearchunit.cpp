#include "controls/editor/Peditsearchunit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace PEditSearchTexts {
QString ScopeCaption()
{
    return QStringLiteral(" Область поиска (&S) ");
}
QStringList ScopeItems()
{
    return {QStringLiteral("Во всем тексте"), QStringLiteral("В блоке")};
}
QString OriginCaption()
{
    return QStringLiteral(" Начало поиска (&O) ");
}
QStringList OriginItems()
{
    return {QStringLiteral("От начала области"), QStringLiteral("От курсора")};
}
}   // namespace PEditSearchTexts

TPEditSearchForm::TPEditSearchForm(QWidget *parent) : TEditorDialog(QStringLiteral("Поиск"), 370, 190, parent)
{
    using namespace PEditSearchTexts;
    Label1 = new QLabel(QStringLiteral("Найти:"), this);
    Label1->setGeometry(12, 15, 60, 16);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setGeometry(76, 12, 282, 22);
    Label1->setBuddy(SearchEdit);

    WholeWordsChkBox = new QCheckBox(QStringLiteral("Только полные слова (&W)"), this);
    WholeWordsChkBox->setGeometry(12, 42, 300, 18);
    CaseChkBox = new QCheckBox(QStringLiteral("Учитывать регистр (&C)"), this);
    CaseChkBox->setGeometry(12, 62, 300, 18);

    ScopeRadioGroup = new TRadioGroup(ScopeCaption(), ScopeItems(), this);
    ScopeRadioGroup->setGeometry(12, 86, 169, 64);
    OriginRadioGroup = new TRadioGroup(OriginCaption(), OriginItems(), this);
    OriginRadioGroup->setGeometry(189, 86, 169, 64);

    ButtonOK = AddButton(QStringLiteral("  OK"), mrOk, QRect(190, 156, 80, 26));
    ButtonOK->setDefault(true);
    ButtonCancel = AddButton(QStringLiteral("Отмена"), mrCancel, QRect(278, 156, 80, 26));

    setTabOrder(SearchEdit, WholeWordsChkBox);
    setTabOrder(WholeWordsChkBox, CaseChkBox);
    setTabOrder(CaseChkBox, ScopeRadioGroup);
    setTabOrder(ScopeRadioGroup, OriginRadioGroup);
    setTabOrder(OriginRadioGroup, ButtonOK);
    setTabOrder(ButtonOK, ButtonCancel);
}
