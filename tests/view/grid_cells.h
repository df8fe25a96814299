#pragma once
// The main window's grid as the tests read and edit it, counting the header
// row and column as 0 (the data cells start at (1, 1)).

#include <QAbstractItemModel>
#include <QTableView>

#include "view/Tarvix_unit.h"
#include "view/register_grid.h"

inline QAbstractItemModel &GridModel(const TTarvix_Form &form)
{
    return *form.MODBUS_Grid->model();
}

// The text shown in a cell, the corner and headers included.
inline QString GridCellText(const TTarvix_Form &form, int ACol, int ARow)
{
    const QAbstractItemModel &m = GridModel(form);
    if (ARow == 0)
        return ACol == 0 ? RegisterGridView::CornerText() : m.headerData(ACol - 1, Qt::Horizontal).toString();
    if (ACol == 0)
        return m.headerData(ARow - 1, Qt::Vertical).toString();
    return m.index(ARow - 1, ACol - 1).data(Qt::DisplayRole).toString();
}

// The text the cell's editor opens with.
inline QString GridEditText(const TTarvix_Form &form, int ACol, int ARow)
{
    return GridModel(form).index(ARow - 1, ACol - 1).data(Qt::EditRole).toString();
}

// Commits `text` as an edit of the cell, as the editor does.
inline void GridCommitEdit(TTarvix_Form &form, int ACol, int ARow, const QString &text)
{
    GridModel(form).setData(GridModel(form).index(ARow - 1, ACol - 1), text, Qt::EditRole);
}

inline int GridColCount(const TTarvix_Form &form)
{
    return GridModel(form).columnCount() + 1;
}

inline int GridRowCount(const TTarvix_Form &form)
{
    return GridModel(form).rowCount() + 1;
}

// The data cells' background: the palette's until the first display.
inline QColor GridColor(const TTarvix_Form &form)
{
    const auto *m = qobject_cast<const RegisterGridModel *>(&GridModel(form));
    return m && m->CellColor().isValid() ? m->CellColor() : form.palette().color(QPalette::Base);
}
