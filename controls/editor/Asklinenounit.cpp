#include "controls/editor/Asklinenounit.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The digits of a whole number above zero, or 0.
qlonglong TypedNumber(const QString &input)
{
    const QString t = input.trimmed();
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    return ok && n > 0 && !t.startsWith(QLatin1Char('+')) ? n : 0;
}

}   // namespace

QValidator::State TLineNoSpinBox::validate(QString &input, int &pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state == QValidator::Invalid && TypedNumber(input) > maximum())
        return QValidator::Intermediate;   // too large: the last line on leaving
    return state;
}

void TLineNoSpinBox::fixup(QString &input) const
{
    if (TypedNumber(input) > maximum())
        input = textFromValue(maximum());
    else
        QSpinBox::fixup(input);
}

TAskLineNoForm::TAskLineNoForm(QWidget *parent) : TEditorDialog(QStringLiteral("Переход на строку"), 268, 96, parent)
{
    Label1 = new QLabel(QStringLiteral("Перейти на строку номер:"), this);
    Label1->setGeometry(12, 18, 150, 16);

    LineNoEdit = new TLineNoSpinBox(this);
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
