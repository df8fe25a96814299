#pragma once
// The register grid: a table view whose fixed header row and column are the
// view's headers, a model that asks the main window for every cell text
// (nothing cached: each paint formats from the register image), and a
// delegate that paints the cells in the grid's colours and hands every text
// change of its in-place editor to the window.

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

class TTarvix_Form;

class RegisterGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RegisterGridModel(TTarvix_Form *form, QObject *parent = nullptr);
    // Sets the grid's row count, header row included (at least 1).
    void SetGridRows(int rows);
    int GridRows() const { return rows_ + 1; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    TTarvix_Form *form_;
    int rows_ = 0;   // data rows
};

// Header cells in the button-face colour with the cell's text; the row
// header text is right-aligned with its trailing blanks kept.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    GridHeader(Qt::Orientation orientation, QWidget *parent);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
};

class RegisterGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RegisterGridDelegate(TTarvix_Form *form, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    TTarvix_Form *form_;
};

// Draws one line of text in a cell, centred vertically and clipped to the
// cell; right alignment keeps trailing blanks.
void DrawCellText(QPainter *painter, const QRect &rect, const QString &text, Qt::Alignment align);

// The grid widget: fixed 40 x 15 cells, no range selection, no Tab between
// cells, the "№" corner, editing by typing or the edit key.
class RegisterGridView : public QTableView {
    Q_OBJECT
public:
    explicit RegisterGridView(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
