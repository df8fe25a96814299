#include "view/register_grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>

#include "controls/contrast.h"
#include "engine/Modbus_thread_unit.h"
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
    return index >= 0 && index < rec_.ReadableCount();
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

QString RegisterGridModel::CellText(int row, int column) const
{
    const int i = RegisterIndex(row, column);
    if (!rec_.ValuesValid.load(std::memory_order_acquire) || !IsRegister(i))
        return {};
    return QStringLiteral("%1")
        .arg(rec_.RegValues[i].load(std::memory_order_relaxed), 4, 16, QLatin1Char('0'))
        .toUpper();
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
    case Qt::EditRole: return CellText(index.row(), index.column());
    case Qt::BackgroundRole: return color_.isValid() ? QVariant(color_) : QVariant();
    case Qt::ForegroundRole: return color_.isValid() ? QVariant(TextColorOn(color_)) : QVariant();
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    default: return {};
    }
}

bool RegisterGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    if (!rec_.ValuesValid.load(std::memory_order_acquire))
        return false;
    const MODBUS_Thread *t = rec_.Thread.get();
    if (!t || t->Status.load() != 0)
        return false;
    const int i = RegisterIndex(index.row(), index.column());
    if (i < 0 || i >= rec_.RegCount.load() || !rec_.RegValues)
        return false;
    uint32_t v = 0;
    if (!ScanHex(value.toString().toStdString(), v))
        return false;
    const uint16_t word = static_cast<uint16_t>(v & 0xFFFF);
    write_(static_cast<uint16_t>(rec_.StartReg.load() + i), &word, 1);
    // The register changes on the device; the cell shows it once a read
    // brings it back.
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant RegisterGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Horizontal)
            return QStringLiteral("+%1").arg(section, 0, 16).toUpper();
        return QString::number(int(rec_.StartReg.load()) + section * 10) + QStringLiteral("  ");
    }
    if (role == Qt::TextAlignmentRole)
        return int(orientation == Qt::Horizontal ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags RegisterGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
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
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    return edit;
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
    // on Escape, and never while the user is still typing.
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
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
