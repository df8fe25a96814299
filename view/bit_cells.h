#pragma once
// The grid's cells for a read of coils or discrete inputs: "0" or "1" ten to
// a row, a coil written by typing 0 or 1 (Space toggles) when the edit is
// committed, a discrete input never edited, and the value panel's reading.

#include <QString>
#include <QStyledItemDelegate>
#include <cstdint>
#include <functional>

struct ExchangeRecord;
class QLineEdit;

// The read in use is one of coils (1) or discrete inputs (2).
bool IsBitTable(const ExchangeRecord &rec);
// Coils are written; discrete inputs are not.
bool BitCellsEditable(const ExchangeRecord &rec);
// Bit index i may be read now.
bool IsBitCell(const ExchangeRecord &rec, int i);
// "0" or "1" once the bits are valid; empty otherwise.
QString BitCellText(const ExchangeRecord &rec, int i);
// The value panel's reading of bit i: "ON", "OFF", or empty.
QString BitReading(const ExchangeRecord &rec, int i);

// The coil value a committed editor text asks for: 0 or 1 as typed; -1 for
// anything else.
int CoilOfText(const QString &text);

// The editor of a coil cell: one character, 0 or 1; Space turns the value
// over (the typed one, else the cell's). Nothing leaves it until the view
// commits it, and only a text the user changed is a write.
QLineEdit *CreateCoilEditor(QWidget *parent, const QModelIndex &index);
bool IsCoilEditor(const QWidget *editor);
