#include "view/Tarvix_unit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>

#include "controls/Graphbutton.h"
#include "controls/Gtextfield.h"
#include "engine/Modbus_thread_unit.h"
#include "view/bit_cells.h"
#include "view/gui_host.h"
#include "view/register_grid.h"
#include "view/register_text.h"
#include "view/trend_window.h"

TTarvix_Form *Tarvix_Form = nullptr;

// The glyphs live in this static library's resources, which a linker may
// drop unless they are named.
static void InitViewResources()
{
    Q_INIT_RESOURCE(view);
}

namespace {

constexpr int OuterWidth = 611;
constexpr int OuterHeight = 452;
constexpr int Panel1Height = 69;
constexpr int Panel2Width = 103;
// Right margin of the two frame fields, which stretch with the window.
constexpr int FrameFieldRightMargin = 7;

QLabel *PlaceLabel(QWidget *parent, const char *text, int x, int y)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A text field with its label (none where label is null), in panel pixels.
struct FieldPlace {
    const char *label;
    int labelX, labelY;
    TGTextField *TTarvix_Form::*field;
    int x, y, w, h;
};

const FieldPlace BottomFields[] = {
    {"ReqCount:", 6, 6, &TTarvix_Form::ReqCountTF, 61, 4, 65, 18},
    {"Status:", 134, 7, &TTarvix_Form::ReqErrorTF, 172, 4, 280, 18},
    {"ErrorCount:", 457, 6, &TTarvix_Form::ReqErrorsCountTF, 516, 4, 79, 18},
    {"Запрос:", 10, 28, &TTarvix_Form::RequestTF, 53, 25, 543, 19},
    {"Ответ:", 15, 47, &TTarvix_Form::ReplyTF, 53, 45, 543, 19},
};

const FieldPlace RightFields[] = {
    {"As Decimal Int:", 8, 59, &TTarvix_Form::IntTF, 8, 73, 87, 17},
    {"As Decimal Word:", 8, 91, &TTarvix_Form::DecWordTF, 9, 105, 87, 17},
    {"As Decimal Long:", 8, 128, &TTarvix_Form::DecLongTF, 9, 142, 87, 17},
    {"As Float:", 8, 165, &TTarvix_Form::FloatTF, 9, 179, 87, 17},
    {nullptr, 0, 0, &TTarvix_Form::FloatSwTF, 9, 198, 87, 17},
    {"As 4..20 mA:", 9, 238, &TTarvix_Form::WordAs4_20mA_TF, 9, 252, 87, 20},
};

template <size_t N>
void PlaceFields(TTarvix_Form &form, QWidget *panel, const FieldPlace (&places)[N])
{
    for (const FieldPlace &p : places) {
        if (p.label)
            PlaceLabel(panel, p.label, p.labelX, p.labelY);
        auto *field = new TGTextField(panel);
        field->setGeometry(p.x, p.y, p.w, p.h);
        form.*p.field = field;
    }
}

// A 93 x 23 silver button of the right panel.
TGraphButton *PlaceButton(QWidget *parent, int y, const char *caption, const char *glyph)
{
    auto *button = new TGraphButton(parent);
    button->setGeometry(5, y, 93, 23);
    button->SetCaption(caption);
    button->SetColor(QColor(192, 192, 192));
    button->SetBitmap(QPixmap(QString::fromLatin1(glyph)));
    return button;
}

QFrame *MakePanel(QWidget *parent)
{
    auto *panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

}   // namespace

TTarvix_Form::TTarvix_Form(QWidget *parent) : QWidget(parent, Qt::Window)
{
    Tarvix_Form = this;
    InitViewResources();
    Rec.ConnTypeText.clear();
    Rec.Conn.IPAddr.clear();
    Rec.UpdatePeriod.store(100);

    host_ = std::make_unique<GuiHost>([this](const ExchangeView &v) { ShowExchange(v); }, this);

    setWindowTitle(QStringLiteral("Tarvix"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(OuterWidth, OuterHeight);

    // The grid.
    auto *grid = new RegisterGridView(this);
    MODBUS_Grid = grid;
    model_ = new RegisterGridModel(
        Rec,
        [this](uint16_t reg, const uint16_t *values, int count) {
            Rec.HandOverWrite(reg, values, static_cast<uint16_t>(count));
        },
        this);
    model_->SetCoilWrite([this](uint16_t addr, bool on) {
        const uint8_t value = on ? 1 : 0;
        Rec.HandOverCoilWrite(addr, &value, 1);
    });
    grid->setModel(model_);
    grid->setItemDelegate(new RegisterGridDelegate(grid));
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (!current.isValid())
            return;
        bool canSelect = true;
        MODBUS_GridSelectCell(current.column() + 1, current.row() + 1, canSelect);
    });

    gridMenu_ = new GridMenu(grid);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint &pos) {
        menuCell_ = grid->indexAt(pos);
        trendAction_->setEnabled(menuCell_.isValid() &&
                                 model_->IsRegister(RegisterGridModel::RegisterIndex(menuCell_.row(), menuCell_.column())));
        gridMenu_->Menu()->popup(grid->viewport()->mapToGlobal(pos));
    });
    connect(gridMenu_, &GridMenu::Chosen, this, &TTarvix_Form::SetGridView);
    connect(model_, &RegisterGridModel::EditRefused, this, &TTarvix_Form::ShowEditRefusal);

    // Bottom panel: counters, status and the two frames.
    Panel1 = MakePanel(this);
    PlaceFields(*this, Panel1, BottomFields);

    // Right panel: buttons, readings and the write option.
    Panel2 = MakePanel(this);
    ReconnButton = PlaceButton(Panel2, 4, "Reconnect", ":/glyphs/reconnect.png");
    CloseButton = PlaceButton(Panel2, 29, "Exit", ":/glyphs/exit.png");
    connect(ReconnButton, &TGraphButtonBase::OnClick, this, [this] { ReconnButtonClick(); });
    connect(CloseButton, &TGraphButtonBase::OnClick, this, [this] { CloseButtonClick(); });

    PlaceFields(*this, Panel2, RightFields);
    QFont bold(QStringLiteral("MS Sans Serif"), 10);
    bold.setBold(true);
    WordAs4_20mA_TF->setFont(bold);
    BitLabel = PlaceLabel(Panel2, "Bit:", 9, 316);
    BitTF = new TGTextField(Panel2);
    BitTF->setGeometry(9, 330, 87, 20);
    BitTF->setFont(bold);
    BitLabel->hide();
    BitTF->hide();

    WriteBy0x10 = new QCheckBox(QString::fromUtf8("Запись 0x10"), Panel2);
    WriteBy0x10->setGeometry(8, 296, 88, 17);
    WriteBy0x10->setChecked(false);
    WriteBy0x10->setFocusPolicy(Qt::NoFocus);
    WriteBy0x10->setToolTip(QString::fromUtf8("Выполнять запись в регистр с помощью команды 0x10\r\n"
                                              "(а не команды 6) - даже для одиночного регистра"));
    connect(WriteBy0x10, &QCheckBox::clicked, this, [this] { WriteBy0x10Click(); });

    // Trend: a button below the readings, Ctrl+T and the grid's context menu.
    TrendButton = PlaceButton(Panel2, 355, "Trend", ":/glyphs/trend.png");
    const auto trendCurrent = [this] {
        const QModelIndex cur = MODBUS_Grid->currentIndex();
        TrendCell(cur.column() + 1, cur.row() + 1);
    };
    connect(TrendButton, &TGraphButtonBase::OnClick, this, trendCurrent);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, trendCurrent);
    // "Trend" on the grid's context menu trends the cell the menu was opened on.
    QMenu *menu = gridMenu_->Menu();
    menu->addSeparator();
    trendAction_ = menu->addAction(QStringLiteral("Trend"), QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(trendAction_, &QAction::triggered, this, [this] {
        if (menuCell_.isValid())
            TrendCell(menuCell_.column() + 1, menuCell_.row() + 1);
    });

    LayoutPanels();
}

TTarvix_Form::~TTarvix_Form()
{
    if (Rec.Thread)
        ::StopExchange(Rec, *host_);
    // The grid goes while this window is still whole: a cell editor that is
    // open hands its text over once more as it closes, and that must reach
    // a complete window (with no exchange left, it forms no request).
    delete MODBUS_Grid;
    MODBUS_Grid = nullptr;
    if (Tarvix_Form == this)
        Tarvix_Form = nullptr;
}

ExchangeHost &TTarvix_Form::Host()
{
    return *host_;
}

void TTarvix_Form::SetConnectionDialog(QWidget *dialog)
{
    dialog_ = dialog;
}

// Start and stop ------------------------------------------------------------

void TTarvix_Form::StartExchange()
{
    ::StartExchange(Rec, *host_);
    const int regCount = Rec.RegCount.load();
    model_->SetDataRows((regCount + 9) / 10);
    if (trend_)
        trend_->ExchangeStarted();
    if (model_->rowCount() > 0)
        MODBUS_Grid->setCurrentIndex(model_->index(0, 0));
    ShowStatus();
}

void TTarvix_Form::StopExchange()
{
    ::StopExchange(Rec, *host_);
    model_->Refresh();
}

// Display ---------------------------------------------------------------------

void TTarvix_Form::ShowExchange(MODBUS_Thread &thread)
{
    ExchangeView view;
    view.From(thread);
    ShowExchange(view);
}

void TTarvix_Form::ShowExchange(const ExchangeView &view)
{
    ShowStatusOf(view.Status, view.ReqCount, view.ErrorCount);
    if (trend_)
        trend_->Feed(view);
    const QColor colour = view.Status != 0 ? QColor(192, 192, 192) : QColor(255, 255, 255);
    if (colour != model_->CellColor()) {
        // The whole grid area takes the colour, also below and right of the cells.
        model_->SetCellColor(colour);
        QPalette pal = MODBUS_Grid->viewport()->palette();
        pal.setColor(QPalette::Base, colour);
        MODBUS_Grid->viewport()->setPalette(pal);
    }
    model_->Refresh();
    const QModelIndex cur = MODBUS_Grid->currentIndex();
    if (cur.isValid())
        ShowRegisterValues(cur.column() + 1, cur.row() + 1);
    else
        ShowRegisterValues(1, 1);
    RequestTF->SetText(FrameDump(view.Frames.ReqFrame, view.Frames.ReqLen).c_str());
    ReplyTF->SetText(FrameDump(view.Frames.ReplyFrame, view.Frames.ReplyLen).c_str());
}

void TTarvix_Form::ShowStatus()
{
    if (MODBUS_Thread *t = Rec.Thread.get())
        ShowStatusOf(t->Status.load(), t->ReqCount.load(), t->ErrorCount.load());
}

void TTarvix_Form::ShowStatusOf(uint8_t status, int32_t reqCount, int32_t errorCount)
{
    char buf[16];
    ReqCountTF->PrtF("%d", reqCount);
    ReqErrorTF->SetText(StatusText(status, buf));
    ReqErrorsCountTF->PrtF("%d", errorCount);
}

void TTarvix_Form::ShowRegisterValues(int ACol, int ARow)
{
    const int i = RegisterGridModel::RegisterIndex(ARow - 1, ACol - 1);
    const bool bits = IsBitTable(Rec);
    BitLabel->setVisible(bits);
    BitTF->setVisible(bits);
    BitTF->SetText(bits ? BitReading(Rec, i).toStdString().c_str() : "");
    // A bit read leaves the register readings blank.
    const RegisterReadings r = ReadRegister(Rec.RegValues.get(), bits ? 0 : Rec.ReadableCount(), i);
    IntTF->SetText(r.Int.c_str());
    DecWordTF->SetText(r.DecWord.c_str());
    DecLongTF->SetText(r.DecLong.c_str());
    FloatTF->SetText(r.Float.c_str());
    FloatSwTF->SetText(r.FloatSw.c_str());
    WordAs4_20mA_TF->SetText(r.MilliAmps.c_str());
}

// Grid ------------------------------------------------------------------------

void TTarvix_Form::SetGridView(const GridViewChoice &choice)
{
    const bool changed = !(choice == GridView());
    gridMenu_->Show(choice);
    model_->SetFormat(choice.format, choice.order);
    model_->SetNotation(choice.notation);
    auto *grid = static_cast<RegisterGridView *>(MODBUS_Grid);
    // The protocol addresses keep the header width they always had.
    const QString widestHeader =
        choice.notation == AddressNotation::ZeroBased
            ? QString()
            : QString::fromStdString(WidestAddressText(choice.notation, model_->Table())) + QStringLiteral("  ");
    grid->FitTexts(QString::fromStdString(WidestValueText(choice.format)), widestHeader);
    if (changed)
        emit GridViewChanged(choice);
}

GridViewChoice TTarvix_Form::GridView() const
{
    return {model_->Format(), model_->Order(), model_->Notation()};
}

// A refused typed edit: the reason beside the cell, while the editor stays.
void TTarvix_Form::ShowEditRefusal(const QString &why)
{
    const QRect cell = MODBUS_Grid->visualRect(MODBUS_Grid->currentIndex());
    QToolTip::showText(MODBUS_Grid->viewport()->mapToGlobal(cell.bottomLeft()), why, MODBUS_Grid->viewport());
}

void TTarvix_Form::MODBUS_GridSelectCell(int ACol, int ARow, bool &CanSelect)
{
    CanSelect = true;
    ShowRegisterValues(ACol, ARow);
}

// Buttons and the check box -------------------------------------------------

void TTarvix_Form::TrendCell(int ACol, int ARow)
{
    const int index = RegisterGridModel::RegisterIndex(ARow - 1, ACol - 1);
    if (!model_->IsRegister(index))
        return;
    if (!trend_)
        trend_ = new TTrendForm(Rec, this);
    trend_->AddSeries(SourceOfCell(Rec, index));
    trend_->show();
    trend_->raise();
}

void TTarvix_Form::ReconnButtonClick()
{
    StopExchange();
    hide();
    if (dialog_)
        dialog_->show();
}

void TTarvix_Form::CloseButtonClick()
{
    close();
}

void TTarvix_Form::WriteBy0x10Click()
{
    Rec.WriteBy0x10On.store(WriteBy0x10->isChecked() ? 1 : 0, std::memory_order_release);
}

// Window events ---------------------------------------------------------------

void TTarvix_Form::closeEvent(QCloseEvent *event)
{
    if (trend_ && trend_->isVisible() && !trend_->close()) {   // it asks while it records
        event->ignore();
        return;
    }
    StopExchange();
    event->accept();
    if (dialog_)
        dialog_->close();
}

void TTarvix_Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!sizedToFrame_) {
        sizedToFrame_ = true;
        if (QScreen *screen = this->screen()) {
            QRect r(QPoint(0, 0), QSize(OuterWidth, OuterHeight));
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
        // Under a window manager the frame adds to the client size: keep
        // the outer size as designed once the frame is known.
        QTimer::singleShot(0, this, [this] {
            const QSize frame = frameGeometry().size() - geometry().size();
            if (!frame.isEmpty() && frame != QSize(0, 0))
                resize(OuterWidth - frame.width(), OuterHeight - frame.height());
        });
    }
    if (!MODBUS_Grid->currentIndex().isValid() && model_->rowCount() > 0)
        MODBUS_Grid->setCurrentIndex(model_->index(0, 0));
    MODBUS_Grid->setFocus(Qt::OtherFocusReason);
}

void TTarvix_Form::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
}

void TTarvix_Form::LayoutPanels()
{
    const int w = width();
    const int h = height();
    Panel1->setGeometry(0, h - Panel1Height, w, Panel1Height);
    Panel2->setGeometry(w - Panel2Width, 0, Panel2Width, h - Panel1Height);
    MODBUS_Grid->setGeometry(0, 0, w - Panel2Width, h - Panel1Height);
    const int fieldWidth = std::max(0, w - 53 - FrameFieldRightMargin);
    RequestTF->setGeometry(53, 25, fieldWidth, 19);
    ReplyTF->setGeometry(53, 45, fieldWidth, 19);
}
