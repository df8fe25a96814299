#include "view/register_grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>

#include "controls/contrast.h"
#include "engine/Modbus_thread_unit.h"
#include "view/bit_cells.h"
#include "view/register_text.h"

namespace {
constexpr int CellWidth = 40;
constexpr int CellHeight = 15;
}   // namespace

RegisterGridModel::RegisterGridModel(const ExchangeRecord &rec, WriteFn write, QObject *parent)
    : QAbstractTableModel(parent), rec_(rec), write_(std::move(write))
{}

void RegisterGridModel::SetDataRows(int rows)
{
    beginResetModel();
    rows_ = std::max(rows, 0);
    headerStart_ = rec_.StartReg.load();
    endResetModel();
}

int RegisterGridModel::RegisterIndex(int row, int column)
{
    return row >= 0 && column >= 0 && column < 10 ? row * 10 + column : -1;
}

bool RegisterGridModel::IsRegister(int index) const
{
    if (BitCells())
        return IsBitCell(rec_, index);
    return index >= 0 && index < rec_.ReadableCount();
}

bool RegisterGridModel::BitCells() const
{
    return IsBitTable(rec_);
}

void RegisterGridModel::SetCellColor(const QColor &color)
{
    if (color == color_)
        return;
    color_ = color;
    CellsChanged({Qt::BackgroundRole});
}

void RegisterGridModel::Refresh()
{
    CellsChanged({Qt::DisplayRole, Qt::EditRole});
    const uint16_t start = rec_.StartReg.load();
    if (start != headerStart_) {
        headerStart_ = start;
        if (rows_ > 0)
            emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    }
}

void RegisterGridModel::CellsChanged(const QList<int> &roles)
{
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1), roles);
}

void RegisterGridModel::SetFormat(ValueFormat format, RegisterOrder order)
{
    if (format == format_ && order == order_)
        return;
    format_ = format;
    order_ = order;
    CellsChanged({Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole});
}

void RegisterGridModel::SetNotation(AddressNotation notation)
{
    if (notation == notation_)
        return;
    notation_ = notation;
    if (rows_ > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

RegisterTable RegisterGridModel::Table() const
{
    return TableOfReadCommand(static_cast<uint8_t>(rec_.ReadCmd.load()));
}

int RegisterGridModel::ValueStart(int i) const
{
    if (!IsRegister(i))
        return -1;
    if (BitCells())
        return i;   // a bit is a value of its own whatever the format
    const int n = RegistersOf(format_);
    const int start = i - i % n;
    return start + n <= rec_.ReadableCount() ? start : -1;
}

QString RegisterGridModel::CellText(int row, int column, int role) const
{
    const int i = RegisterIndex(row, column);
    if (BitCells())
        return BitCellText(rec_, i);
    if (!rec_.ValuesValid.load(std::memory_order_acquire))
        return {};
    const int start = ValueStart(i);
    if (start < 0 || (role == Qt::DisplayRole && start != i))
        return {};
    uint16_t regs[4];
    const int n = RegistersOf(format_);
    for (int k = 0; k < n; ++k)
        regs[k] = rec_.RegValues[start + k].load(std::memory_order_relaxed);
    return QString::fromStdString(ValueText(format_, JoinRegisters(regs, n, order_)));
}

bool RegisterGridModel::CheckEdit(const QModelIndex &index, const QString &text)
{
    if (format_ == ValueFormat::Hex || BitCells())
        return true;
    const int i = RegisterIndex(index.row(), index.column());
    if (!IsRegister(i))
        return true;   // no register: no request, and nothing to say
    QString why;
    uint64_t bits = 0;
    if (ValueStart(i) < 0)
        why = QStringLiteral("%1 needs %2 registers; the image ends before them")
                  .arg(QLatin1String(ValueFormatName(format_)))
                  .arg(RegistersOf(format_));
    else if (const std::string e = ParseValue(format_, text.toStdString(), bits); !e.empty())
        why = QStringLiteral("\"%1\": %2 (%3)")
                  .arg(text, QString::fromStdString(e), QLatin1String(ValueFormatName(format_)));
    if (why.isEmpty())
        return true;
    emit EditRefused(why);
    return false;
}

int RegisterGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int RegisterGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 10;
}

QVariant RegisterGridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return CellText(index.row(), index.column(), role);
    case Qt::BackgroundRole: {
        if (!color_.isValid())
            return {};
        // A cell that another cell's value also covers is dimmed.
        const int i = RegisterIndex(index.row(), index.column());
        const int start = rec_.ValuesValid.load(std::memory_order_acquire) ? ValueStart(i) : -1;
        return start >= 0 && start != i ? color_.darker(112) : color_;
    }
    case Qt::ForegroundRole: return color_.isValid() ? QVariant(TextColorOn(color_)) : QVariant();
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    default: return {};
    }
}

bool RegisterGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    if (BitCells()) {
        if (!SetCoilData(RegisterIndex(index.row(), index.column()), value))
            return false;
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return true;
    }
    if (!rec_.ValuesValid.load(std::memory_order_acquire))
        return false;
    const MODBUS_Thread *t = rec_.Thread.get();
    if (!t || t->Status.load() != 0)
        return false;
    const int i = RegisterIndex(index.row(), index.column());
    if (i < 0 || i >= rec_.RegCount.load() || !rec_.RegValues)
        return false;
    uint16_t regs[4];
    int first = i;
    int n = 1;
    if (format_ == ValueFormat::Hex) {
        uint32_t v = 0;
        if (!ScanHex(value.toString().toStdString(), v))
            return false;
        SplitRegisters(v & 0xFFFF, 1, order_, regs);
    } else {
        if (!CheckEdit(index, value.toString()))
            return false;
        first = ValueStart(i);
        n = RegistersOf(format_);
        uint64_t bits = 0;
        ParseValue(format_, value.toString().toStdString(), bits);
        SplitRegisters(bits, n, order_, regs);
    }
    write_(static_cast<uint16_t>(rec_.StartReg.load() + first), regs, n);
    // The register changes on the device; the cell shows it once a read
    // brings it back.
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool RegisterGridModel::SetCoilData(int i, const QVariant &value)
{
    const MODBUS_Thread *t = rec_.Thread.get();
    if (!BitCellsEditable(rec_) || !rec_.BitsValid.load(std::memory_order_acquire) || !t || t->Status.load() != 0 ||
        !IsBitCell(rec_, i) || !coilWrite_)
        return false;
    const int coil = CoilOfText(value.toString());
    if (coil < 0)
        return false;
    coilWrite_(static_cast<uint16_t>(rec_.StartReg.load() + i), coil != 0);
    return true;
}

QVariant RegisterGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Horizontal)
            return QStringLiteral("+%1").arg(section, 0, 16).toUpper();
        return QString::fromStdString(AddressText(int(rec_.StartReg.load()) + section * 10, notation_, Table())) +
               QStringLiteral("  ");
    }
    if (role == Qt::TextAlignmentRole)
        return int(orientation == Qt::Horizontal ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags RegisterGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (BitCells() && !BitCellsEditable(rec_))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;   // discrete inputs
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void DrawCellText(QPainter *painter, const QRect &rect, const QString &text, Qt::Alignment align)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm = painter->fontMetrics();
    const int tw = fm.horizontalAdvance(text);
    int x;
    if (align & Qt::AlignRight)
        x = rect.right() + 1 - 2 - tw;
    else if (align & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - tw) / 2;
    else
        x = rect.left() + 2;
    const int y = rect.top() + (rect.height() - fm.height()) / 2 + fm.ascent();
    painter->save();
    painter->setClipRect(rect);
    painter->drawText(x, y, text);
    painter->restore();
}

// Header cells --------------------------------------------------------------

GridHeader::GridHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultSectionSize(orientation == Qt::Horizontal ? CellWidth : CellHeight);
}

void GridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->fillRect(rect, palette().color(QPalette::Button));
    painter->setPen(palette().color(QPalette::Dark));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->setPen(palette().color(QPalette::ButtonText));
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString();
    const QRect inner = rect.adjusted(0, 0, -1, -1);
    DrawCellText(painter, inner, text,
                 orientation() == Qt::Horizontal ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
}

// Data cells and the in-place editor --------------------------------------

namespace {
// Set on an editor once it holds its first text: the model's dataChanged
// after each display must not load it again under the user's typing.
constexpr char kEditorLoaded[] = "tarvixEditorLoaded";
// The cell an editor edits.
constexpr char kEditorCell[] = "tarvixEditorCell";
}   // namespace

RegisterGridDelegate::RegisterGridDelegate(QObject *parent) : QStyledItemDelegate(parent)
{}

void RegisterGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QAbstractItemView *view = qobject_cast<const QAbstractItemView *>(option.widget);
    const bool current = view && view->currentIndex() == index;
    const QPalette &pal = option.palette;
    // A fixed background carries its own text colour; the palette's
    // background the palette's text.
    const QVariant background = index.data(Qt::BackgroundRole);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (current) {
        painter->fillRect(option.rect, pal.color(QPalette::Active, QPalette::Highlight));
        painter->setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        painter->fillRect(option.rect, background.isValid() ? background.value<QColor>() : pal.color(QPalette::Base));
        painter->setPen(foreground.isValid() ? foreground.value<QColor>() : pal.color(QPalette::Text));
    }
    painter->setFont(option.font);
    const QVariant align = index.data(Qt::TextAlignmentRole);
    DrawCellText(painter, option.rect, index.data(Qt::DisplayRole).toString(),
                 align.isValid() ? Qt::Alignment(align.toInt()) : Qt::AlignCenter);
}

QWidget *RegisterGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &index) const
{
    if (auto *grid = qobject_cast<const RegisterGridModel *>(index.model()); grid && grid->BitCells())
        return CreateCoilEditor(parent, index);
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    edit->setProperty(kEditorCell, QVariant::fromValue(QPersistentModelIndex(index)));
    return edit;
}

bool RegisterGridDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QPersistentModelIndex cell = edit->property(kEditorCell).value<QPersistentModelIndex>();
        auto *model = qobject_cast<RegisterGridModel *>(const_cast<QAbstractItemModel *>(cell.model()));
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && model && !model->CheckEdit(cell, edit->text())) {
            edit->selectAll();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void RegisterGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit || edit->property(kEditorLoaded).toBool())
        return;
    edit->setProperty(kEditorLoaded, true);
    edit->setText(index.data(Qt::EditRole).toString());
    edit->selectAll();
}

void RegisterGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    // The one hand-over of an edit: the view calls this when the edit is
    // committed (Enter, or the editor closing as the user moves on), never
    // on Escape, and never while the user is still typing; a coil only when
    // its text was changed.
    if (auto *edit = qobject_cast<QLineEdit *>(editor); edit && (!IsCoilEditor(edit) || edit->isModified()))
        model->setData(index, edit->text(), Qt::EditRole);
}

// The grid view --------------------------------------------------------------

RegisterGridView::RegisterGridView(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    horizontalHeader()->setFixedHeight(CellHeight);
    verticalHeader()->setFixedWidth(CellWidth);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    if (auto *corner = findChild<QAbstractButton *>())
        corner->installEventFilter(this);
}

void RegisterGridView::FitTexts(const QString &widestCell, const QString &widestHeader)
{
    const QFontMetrics fm(font());
    horizontalHeader()->setDefaultSectionSize(std::max(CellWidth, fm.horizontalAdvance(widestCell) + 6));
    verticalHeader()->setFixedWidth(
        widestHeader.isEmpty() ? CellWidth : std::max(CellWidth, fm.horizontalAdvance(widestHeader) + 4));
}

QString RegisterGridView::CornerText()
{
    return QStringLiteral("№");
}

// Paints the corner cell, "№" on the button face.
bool RegisterGridView::eventFilter(QObject *watched, QEvent *event)
{
    auto *corner = qobject_cast<QAbstractButton *>(watched);
    if (corner && event->type() == QEvent::Paint) {
        QPainter p(corner);
        const QRect r = corner->rect();
        p.fillRect(r, palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.setPen(palette().color(QPalette::ButtonText));
        p.setFont(font());
        DrawCellText(&p, r.adjusted(0, 0, -1, -1), CornerText(), Qt::AlignCenter);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
