#include "view/bit_cells.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "engine/exchange_record.h"

bool IsBitTable(const ExchangeRecord &rec)
{
    return IsBitRead(rec.ReadCmd.load(std::memory_order_relaxed)) && rec.BitValues;
}

bool BitCellsEditable(const ExchangeRecord &rec)
{
    return rec.ReadCmd.load(std::memory_order_relaxed) == FunctionCode::ReadCoils;
}

bool IsBitCell(const ExchangeRecord &rec, int i)
{
    return i >= 0 && i < rec.ReadableBitCount();
}

QString BitCellText(const ExchangeRecord &rec, int i)
{
    if (!rec.BitsValid.load(std::memory_order_acquire) || !IsBitCell(rec, i))
        return {};
    return rec.BitValues[i].load(std::memory_order_relaxed) ? QStringLiteral("1") : QStringLiteral("0");
}

QString BitReading(const ExchangeRecord &rec, int i)
{
    const QString text = BitCellText(rec, i);
    return text.isEmpty() ? text : text == QLatin1String("1") ? QStringLiteral("ON") : QStringLiteral("OFF");
}

int CoilOfText(const QString &text)
{
    return text == QLatin1String("1") ? 1 : text == QLatin1String("0") ? 0 : -1;
}

namespace {
constexpr char kCoilEditor[] = "tarvixCoilEditor";
}   // namespace

bool IsCoilEditor(const QWidget *editor)
{
    return editor && editor->property(kCoilEditor).toBool();
}

QLineEdit *CreateCoilEditor(QWidget *parent, const QModelIndex &index)
{
    auto *edit = new QLineEdit(parent);
    edit->setProperty(kCoilEditor, true);
    const QPersistentModelIndex cell(index);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    // A space typed turns the value over: "1 " or " 1" becomes "0".
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, cell](const QString &text) {
        if (!text.contains(QLatin1Char(' ')))
            return;
        QString rest = text;
        rest.remove(QLatin1Char(' '));
        if (rest.isEmpty())
            rest = cell.data(Qt::EditRole).toString();
        edit->setText(rest == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1"));
        edit->setModified(true);
    });
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[01 ]{0,2}")), edit));
    return edit;
}
