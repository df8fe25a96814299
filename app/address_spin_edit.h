#pragma once
// The "View Registers From" field: a spin edit of the protocol address that
// shows and reads it in the grid's notation (0-based, 1-based, 4xxxx /
// 3xxxx by the table read). 0-based is the plain spin edit it always was.
// An address typed for another table, or outside the notation, is refused:
// the field goes back to its last address and keeps the reason until it
// is asked (the OK step shows it and stays).

#include "app/Selconnunit.h"
#include "engine/address_notation.h"

class AddressSpinEdit : public TSpinEdit {
    Q_OBJECT
public:
    explicit AddressSpinEdit(QWidget *parent = nullptr);

    void SetNotation(AddressNotation notation, RegisterTable table);
    AddressNotation Notation() const { return notation_; }

    // Why the last text left in the field was refused (empty: it was not);
    // TakeRefusal also forgets it.
    QString TakeRefusal();

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;

private:
    AddressNotation notation_ = AddressNotation::ZeroBased;
    RegisterTable table_ = RegisterTable::HoldingRegisters;
    mutable QString refusal_;
};
