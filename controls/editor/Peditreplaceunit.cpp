#include "controls/editor/Peditreplaceunit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/editor/Peditsearchunit.h"

TPEditReplaceForm::TPEditReplaceForm(QWidget *parent)
    : TEditorDialog(QStringLiteral("Поиск / Замена"), 370, 240, parent)
{
    using namespace PEditSearchTexts;
    Label1 = new QLabel(QStringLiteral("Найти:"), this);
    Label1->setGeometry(12, 15, 84, 16);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setGeometry(100, 12, 258, 22);
    Label1->setBuddy(SearchEdit);
    Label2 = new QLabel(QStringLiteral("Заменить на:"), this);
    Label2->setGeometry(12, 43, 84, 16);
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setGeometry(100, 40, 258, 22);
    Label2->setBuddy(ReplaceEdit);

    WholeWordsChkBox = new QCheckBox(QStringLiteral("Только полные слова (&W)"), this);
    WholeWordsChkBox->setGeometry(12, 70, 300, 18);
    CaseChkBox = new QCheckBox(QStringLiteral("Учитывать регистр (&C)"), this);
    CaseChkBox->setGeometry(12, 90, 300, 18);
    PromptChkBox = new QCheckBox(QStringLiteral("Подтверждать замену (&P)"), this);
    PromptChkBox->setGeometry(12, 110, 300, 18);

    ScopeRadioGroup = new TRadioGroup(ScopeCaption(), ScopeItems(), this);
    ScopeRadioGroup->setGeometry(12, 134, 169, 64);
    OriginRadioGroup = new TRadioGroup(OriginCaption(), OriginItems(), this);
    OriginRadioGroup->setGeometry(189, 134, 169, 64);

    ButtonOK = AddButton(QStringLiteral("Заменить"), mrOk, QRect(20, 206, 100, 26));
    ButtonOK->setDefault(true);
    ButtonAll = AddButton(QStringLiteral("&A Заменить все"), mrAll, QRect(128, 206, 122, 26));
    ButtonCancel = AddButton(QStringLiteral("Отмена"), mrCancel, QRect(258, 206, 100, 26));

    setTabOrder(SearchEdit, ReplaceEdit);
    setTabOrder(ReplaceEdit, WholeWordsChkBox);
    setTabOrder(WholeWordsChkBox, CaseChkBox);
    setTabOrder(CaseChkBox, PromptChkBox);
    setTabOrder(PromptChkBox, ScopeRadioGroup);
    setTabOrder(ScopeRadioGroup, OriginRadioGroup);
    setTabOrder(OriginRadioGroup, ButtonOK);
    setTabOrder(ButtonOK, ButtonAll);
    setTabOrder(ButtonAll, ButtonCancel);
}
