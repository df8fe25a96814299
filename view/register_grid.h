#pragma once
// The register grid: a table view whose fixed header row and column are the
// view's headers, a model that reads the exchange record itself (nothing
// cached: each paint formats from the register image) and turns each edit
// hand-over into a write request, and a delegate that paints the cells in
// the grid's colour and hands every text change of its in-place editor to
// the model.

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <cstdint>
#include <functional>

struct ExchangeRecord;

// Grid cells are counted as the window's handlers count them: column 0 and
// row 0 are the headers, data cells start at (1, 1); the model's own indexes
// are the data cells counted from (0, 0).
class RegisterGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Receives each write request an edit forms (register address, value).
    using WriteFn = std::function<void(uint16_t reg, uint16_t value)>;

    RegisterGridModel(const ExchangeRecord &rec, WriteFn write, QObject *parent = nullptr);
    // Sets the grid's row count, header row included (at least 1).
    void SetGridRows(int rows);
    int GridRows() const { return rows_ + 1; }

    // Register index of the data cell (ACol, ARow): (ARow - 1) x 10 + ACol - 1;
    // -1 for a header cell. Whether it stands for a register is IsRegister's.
    static int RegisterIndex(int ACol, int ARow);
    bool IsRegister(int index) const;
    // The text of a cell: headers, "%04X" of a register once values are
    // valid, else empty.
    QString CellText(int ACol, int ARow) const;
    // The in-place editor's first text: the cell's text for a data cell.
    QString EditText(int ACol, int ARow) const;
    // One hand-over of the editor text: forms a write request when the
    // values are valid, the last exchange succeeded, the cell stands for a
    // register and the text begins with a hexadecimal number. True when it
    // formed one.
    bool SetEditText(int ACol, int ARow, const QString &text);

    // Data cell background: the window colour until the first display, then
    // white after a good exchange and silver after a failed one.
    QColor CellColor() const { return color_; }
    void SetCellColor(const QColor &color) { color_ = color; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const ExchangeRecord &rec_;
    WriteFn write_;
    QColor color_;
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
    explicit RegisterGridDelegate(RegisterGridModel *model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    RegisterGridModel *model_;
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
