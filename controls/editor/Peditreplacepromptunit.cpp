#include "controls/editor/Peditreplacepromptunit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

TPEditReplacePromptForm::TPEditReplacePromptForm(QWidget *parent)
    : TEditorDialog(QStringLiteral("Поиск / Замена"), 420, 88, parent)
{
    AskLabel = new QLabel(QStringLiteral("Выполнить замену ?"), this);
    AskLabel->setAlignment(Qt::AlignCenter);
    AskLabel->setGeometry(8, 12, 404, 20);

    ButtonYes = AddButton(QStringLiteral("Да (&Y)"), mrYes, QRect(8, 48, 96, 26));
    ButtonYes->setDefault(true);
    ButtonSkip = AddButton(QStringLiteral("Пропустить (&S)"), mrNo, QRect(110, 48, 96, 26));
    ButtonAll = AddButton(QStringLiteral("Заменить все (&A)"), mrAll, QRect(212, 48, 110, 26));
    ButtonCancel = AddButton(QStringLiteral("Отмена"), mrCancel, QRect(328, 48, 84, 26));

    setTabOrder(ButtonYes, ButtonSkip);
    setTabOrder(ButtonSkip, ButtonAll);
    setTabOrder(ButtonAll, ButtonCancel);
}

void TPEditReplacePromptForm::SetAskText(const QString &text)
{
    AskLabel->setText(QFontMetrics(AskLabel->font()).elidedText(text, Qt::ElideMiddle, AskLabel->width()));
    AskLabel->setToolTip(text);
}
