#include "register_grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>

#include "Tarvix_unit.h"

namespace {
constexpr int CellWidth = 40;
constexpr int CellHeight = 15;
}

RegisterGridModel::RegisterGridModel(TTarvix_Form *form, QObject *parent)
    : QAbstractTableModel(parent), form_(form)
{
}

void RegisterGridModel::SetGridRows(int rows)
{
    beginResetModel();
    rows_ = rows > 1 ? rows - 1 : 0;
    endResetModel();
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
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return form_->MODBUS_GridCellText(index.column() + 1, index.row() + 1);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

QVariant RegisterGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole) {
        return orientation == Qt::Horizontal ? form_->MODBUS_GridCellText(section + 1, 0)
                                             : form_->MODBUS_GridCellText(0, section + 1);
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
    const QString text = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                                 : QString();
    const QRect inner = rect.adjusted(0, 0, -1, -1);
    DrawCellText(painter, inner, text,
                 orientation() == Qt::Horizontal ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
}

// Data cells and the in-place editor --------------------------------------

RegisterGridDelegate::RegisterGridDelegate(TTarvix_Form *form, QObject *parent)
    : QStyledItemDelegate(parent), form_(form)
{
}

void RegisterGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const QAbstractItemView *view = qobject_cast<const QAbstractItemView *>(option.widget);
    const bool current = view && view->currentIndex() == index;
    const QPalette &pal = option.palette;
    painter->fillRect(option.rect, current ? pal.color(QPalette::Active, QPalette::Highlight) : form_->GridColor());
    painter->setPen(current ? pal.color(QPalette::Active, QPalette::HighlightedText)
                            : pal.color(QPalette::Text));
    painter->setFont(option.font);
    DrawCellText(painter, option.rect, form_->MODBUS_GridCellText(index.column() + 1, index.row() + 1),
                 Qt::AlignCenter);
}

QWidget *RegisterGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &index) const
{
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    const int col = index.column() + 1;
    const int row = index.row() + 1;
    TTarvix_Form *form = form_;
    // Every change of the editor's text is a hand-over: typed, deleted,
    // pasted, or loaded by the grid.
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [form, col, row](const QString &text) { form->MODBUS_GridSetEditText(col, row, text); });
    return edit;
}

void RegisterGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        return;
    QString text;
    form_->MODBUS_GridGetEditText(index.column() + 1, index.row() + 1, text);
    edit->setText(text);
    edit->selectAll();
}

void RegisterGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    // The hand-over as the editor closes; the model itself holds no values.
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        form_->MODBUS_GridSetEditText(index.column() + 1, index.row() + 1, edit->text());
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
        DrawCellText(&p, r.adjusted(0, 0, -1, -1), QStringLiteral("№"), Qt::AlignCenter);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
