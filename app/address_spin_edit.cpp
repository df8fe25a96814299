#include "app/address_spin_edit.h"

#include <QLineEdit>

AddressSpinEdit::AddressSpinEdit(QWidget *parent) : TSpinEdit(parent)
{
    // A refusal holds until the user types again.
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { refusal_.clear(); });
}

void AddressSpinEdit::SetNotation(AddressNotation notation, RegisterTable table)
{
    notation_ = notation;
    table_ = table;
    refusal_.clear();
    lineEdit()->setText(textFromValue(value()));
}

QString AddressSpinEdit::TakeRefusal()
{
    QString why;
    why.swap(refusal_);
    return why;
}

QString AddressSpinEdit::textFromValue(int value) const
{
    if (notation_ == AddressNotation::ZeroBased)
        return TSpinEdit::textFromValue(value);
    return QString::fromStdString(AddressText(value, notation_, table_));
}

int AddressSpinEdit::valueFromText(const QString &text) const
{
    if (notation_ == AddressNotation::ZeroBased)
        return TSpinEdit::valueFromText(text);
    uint16_t address = 0;
    return ParseAddress(text.toStdString(), notation_, table_, address).empty() ? address : value();
}

QValidator::State AddressSpinEdit::validate(QString &input, int &pos) const
{
    if (notation_ == AddressNotation::ZeroBased)
        return TSpinEdit::validate(input, pos);
    const QString t = input.trimmed();
    for (const QChar c : t)
        if (!c.isDigit())
            return QValidator::Invalid;
    if (t.size() > 7)
        return QValidator::Invalid;
    uint16_t address = 0;
    if (!ParseAddress(t.toStdString(), notation_, table_, address).empty())
        return QValidator::Intermediate;
    return QValidator::Acceptable;
}

void AddressSpinEdit::fixup(QString &input) const
{
    if (notation_ == AddressNotation::ZeroBased) {
        TSpinEdit::fixup(input);
        return;
    }
    uint16_t address = 0;
    const std::string why = ParseAddress(input.toStdString(), notation_, table_, address);
    if (why.empty())
        return;
    refusal_ = QStringLiteral("%1: %2").arg(input.trimmed(), QString::fromStdString(why));
    input = textFromValue(value());
}
