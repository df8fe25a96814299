#pragma once
// The register grid: a table view whose fixed header row and column are the
// view's headers, a model that reads the exchange record itself (nothing
// cached: each paint formats from the register image), tells its views when
// a display changed it, and turns each edit hand-over into a write request,
// and a delegate that paints the cells from the model's roles and hands
// every text change of its in-place editor to the model.

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <cstdint>
#include <functional>

struct ExchangeRecord;

// The model speaks in plain rows and columns: ten registers to a row, the
// register at (row, column) is row x 10 + column of the image. The view's
// fixed header row and column are its headers (headerData).
class RegisterGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Receives each write request an edit forms: the first register's
    // address and the values of `count` consecutive registers.
    using WriteFn = std::function<void(uint16_t reg, const uint16_t *values, int count)>;

    RegisterGridModel(const ExchangeRecord &rec, WriteFn write, QObject *parent = nullptr);
    // Sets the number of data rows (a reset: every cell and header anew).
    void SetDataRows(int rows);

    // Register index of the cell (row, column): row x 10 + column, -1 outside
    // the ten columns. Whether it stands for a register is IsRegister's.
    static int RegisterIndex(int row, int column);
    bool IsRegister(int index) const;

    // Data cell background (Qt::BackgroundRole): none (the palette's) until
    // the first display, then white after a good exchange and silver after a
    // failed one; the text colour (Qt::ForegroundRole) is chosen for a set
    // background. A change is signalled for every cell.
    QColor CellColor() const { return color_; }
    void SetCellColor(const QColor &color);
    // After a display or a stop: the register image may have changed, and the
    // start register moved. Signals dataChanged once over every cell and,
    // when the start register moved, headerDataChanged for the row headers.
    void Refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Display and edit text: "%04X" of the register once values are valid,
    // else empty.
    QVariant data(const QModelIndex &index, int role) const override;
    // A committed edit (Qt::EditRole): forms a write request when the values
    // are valid, the last exchange succeeded, the cell stands for a register
    // and the text begins with a hexadecimal number. True when it formed
    // one (and dataChanged for the cell went out).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Columns "+0" .. "+9"; rows: the first register of the row, in decimal,
    // with two trailing blanks.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QString CellText(int row, int column) const;
    void CellsChanged(const QList<int> &roles);

    const ExchangeRecord &rec_;
    WriteFn write_;
    QColor color_;
    int rows_ = 0;   // data rows
    uint16_t headerStart_ = 0;   // the start register the row headers last showed
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

// Paints a cell from the model's roles (display text, alignment, background
// and text colour); its in-place editor hands its text over through setData
// once, when the edit is committed.
class RegisterGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RegisterGridDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
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
    // The corner cell's text.
    static QString CornerText();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
