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

#include "engine/address_notation.h"
#include "engine/register_values.h"

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
    // Receives each coil write a committed edit of a coil cell forms.
    using CoilWriteFn = std::function<void(uint16_t addr, bool on)>;
    void SetCoilWrite(CoilWriteFn write) { coilWrite_ = std::move(write); }
    // The cells are bits (coils or discrete inputs).
    bool BitCells() const;
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
    // How the cells read the registers: the format, and for multi-register
    // formats the register order. A value spans RegistersOf(format)
    // registers counted from the first of the image; its text is in its
    // first register's cell, the cells it also covers are dimmed, show no
    // text and edit the same value. Signals every cell.
    void SetFormat(ValueFormat format, RegisterOrder order);
    ValueFormat Format() const { return format_; }
    RegisterOrder Order() const { return order_; }
    // Whether a committed text would form a request in a typed format; a
    // refusal is announced through EditRefused. Hexadecimal edits follow the
    // old rule: nothing reports their refusal.
    bool CheckEdit(const QModelIndex &index, const QString &text);
    // How the row headers write the addresses (0-based by default); the
    // table comes from the read command.
    void SetNotation(AddressNotation notation);
    AddressNotation Notation() const { return notation_; }
    RegisterTable Table() const;

    // After a display or a stop: the register image may have changed, and the
    // start register moved. Signals dataChanged once over every cell and,
    // when the start register moved, headerDataChanged for the row headers.
    void Refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Display and edit text: the register, or the value that starts there,
    // in the format once values are valid ("%04X" by default), else empty.
    QVariant data(const QModelIndex &index, int role) const override;
    // A committed edit (Qt::EditRole): forms a write request when the values
    // are valid, the last exchange succeeded, the cell stands for a register
    // and the text begins with a hexadecimal number (in the Hex format) or
    // reads as a value of the format in its range (then all its registers go
    // in one request). True when it formed one (and dataChanged for the cell
    // went out).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Columns "+0" .. "+9"; rows: the first register of the row in the
    // notation (0-based: the protocol address, in decimal), with two
    // trailing blanks.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // A typed edit was refused: why, for the user.
    void EditRefused(const QString &why);

private:
    QString CellText(int row, int column, int role) const;
    bool SetCoilData(int i, const QVariant &value);
    // The first register index of the value cell index i belongs to, or -1
    // when that value is not wholly in the image.
    int ValueStart(int i) const;
    void CellsChanged(const QList<int> &roles);

    const ExchangeRecord &rec_;
    WriteFn write_;
    CoilWriteFn coilWrite_;
    QColor color_;
    ValueFormat format_ = ValueFormat::Hex;
    RegisterOrder order_;
    AddressNotation notation_ = AddressNotation::ZeroBased;
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

protected:
    // Enter on a typed text that the model refuses keeps the editor open
    // with the text marked.
    bool eventFilter(QObject *object, QEvent *event) override;
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
    // Widens the columns to hold `widestCell` and the row headers to hold
    // `widestHeader` (none: the default width), never below 40 pixels.
    void FitTexts(const QString &widestCell, const QString &widestHeader);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
