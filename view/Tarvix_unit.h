#pragma once
// The main window: the register grid (ten registers to a row, hexadecimal),
// the status fields and frame dumps at the bottom, the readings of the
// selected register at the right, and the window side of the exchange record.

#include <QPersistentModelIndex>
#include <QWidget>
#include <memory>

#include "engine/exchange_record.h"
#include "view/grid_menu.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QTableView;
class MODBUS_Thread;
class ExchangeHost;
class TGTextField;
class TGraphButton;
class GuiHost;
struct ExchangeView;
class RegisterGridModel;
class TTrendForm;

class TTarvix_Form : public QWidget {   // a top-level window, 611 x 452 outer size
    Q_OBJECT
public:
    explicit TTarvix_Form(QWidget *parent = nullptr);   // ConnTypeText/IPAddr empty, UpdatePeriod 100
    ~TTarvix_Form() override;   // stops an exchange still running

    ExchangeRecord Rec;   // the window side of the exchange record

    // Start: zeroes the hand-over fields, sizes the grid for RegCount, starts
    // the exchange thread and shows its zeroed counters. A thread still
    // running is stopped first (the register image the caller allocated is kept).
    void StartExchange();
    // Stop: ends the thread (serving its display calls meanwhile, closing a
    // message box it waits on) and frees the register image.
    void StopExchange();
    // The window that "Reconnect" shows and closing this window closes.
    void SetConnectionDialog(QWidget *dialog);

    // The host through which the exchange thread reaches this window.
    ExchangeHost &Host();

    // Display step, on the GUI thread while the exchange thread waits (or
    // from a copy of its results): status fields, grid colour and repaint,
    // readings of the current cell, both frame dumps.
    void ShowExchange(MODBUS_Thread &thread);
    void ShowExchange(const ExchangeView &view);
    // Refreshes ReqCount, status text and ErrorCount (nothing without a thread).
    void ShowStatus();
    // Refreshes the six readings for the grid cell (ACol, ARow).
    void ShowRegisterValues(int ACol, int ARow);

    // The grid's cell selection handler, cell coordinates counted with the
    // header row/column as 0.
    void MODBUS_GridSelectCell(int ACol, int ARow, bool &CanSelect);

    // How the grid reads and numbers the registers (also the user's choice in
    // the grid's context menu); a change is announced by GridViewChanged.
    void SetGridView(const GridViewChoice &choice);
    GridViewChoice GridView() const;
    // The grid's context menu (its entries: GridMenu).
    GridMenu *GridContextMenu() const { return gridMenu_; }

    // "Trend" on the grid cell (ACol, ARow): adds its register to the trend
    // window and shows it (the window is made on first use).
    void TrendCell(int ACol, int ARow);
    TTrendForm *Trend() const { return trend_; }

    // Button and check box handlers.
    void ReconnButtonClick();
    void CloseButtonClick();
    void WriteBy0x10Click();

    // Controls (owned by the window).
    QTableView *MODBUS_Grid = nullptr;
    QFrame *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    TGraphButton *ReconnButton = nullptr;
    TGraphButton *CloseButton = nullptr;
    TGraphButton *TrendButton = nullptr;   // below the readings: trends the current cell
    TGTextField *ReqCountTF = nullptr;
    TGTextField *ReqErrorTF = nullptr;
    TGTextField *ReqErrorsCountTF = nullptr;
    TGTextField *RequestTF = nullptr;
    TGTextField *ReplyTF = nullptr;
    TGTextField *IntTF = nullptr;
    TGTextField *DecWordTF = nullptr;
    TGTextField *DecLongTF = nullptr;
    TGTextField *FloatTF = nullptr;
    TGTextField *FloatSwTF = nullptr;
    TGTextField *WordAs4_20mA_TF = nullptr;
    // The selected bit of a read of coils or discrete inputs ("ON", "OFF"),
    // shown with its label only for such a read.
    QLabel *BitLabel = nullptr;
    TGTextField *BitTF = nullptr;
    QCheckBox *WriteBy0x10 = nullptr;

signals:
    void GridViewChanged(const GridViewChoice &choice);

protected:
    void closeEvent(QCloseEvent *event) override;   // FormClose
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayoutPanels();
    void ShowStatusOf(uint8_t status, int32_t reqCount, int32_t errorCount);

    std::unique_ptr<GuiHost> host_;
    void ShowEditRefusal(const QString &why);

    RegisterGridModel *model_ = nullptr;
    GridMenu *gridMenu_ = nullptr;
    QAction *trendAction_ = nullptr;   // "Trend" on the grid's context menu
    QPersistentModelIndex menuCell_;   // the cell the context menu was opened on
    QWidget *dialog_ = nullptr;
    TTrendForm *trend_ = nullptr;   // a child window, made on first use
    bool sizedToFrame_ = false;
};

extern TTarvix_Form *Tarvix_Form;   // the application's single main window (set by its constructor)
