#include "view/trend_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>

#include "controls/trend_plot.h"
#include "engine/exchange_record.h"
#include "engine/record_text.h"
#include "view/gui_host.h"

namespace {

const QColor kColors[TTrendForm::MaxSeries] = {{31, 119, 180},  {214, 39, 40},  {44, 160, 44},   {255, 127, 14},
                                               {148, 103, 189}, {140, 86, 75},  {227, 119, 194}, {90, 90, 90},
                                               {188, 189, 34},  {23, 190, 207}, {0, 0, 128},     {128, 0, 0},
                                               {0, 110, 60},    {200, 160, 0},  {100, 0, 160},   {0, 150, 150}};

struct TypeChoice {
    const char *label;
    ValueType type;
    WordOrder order;
};
const TypeChoice kTypes[] = {
    {"uint16", ValueType::UInt16, WordOrder::HighFirst},
    {"int16", ValueType::Int16, WordOrder::HighFirst},
    {"uint32 (high word first)", ValueType::UInt32, WordOrder::HighFirst},
    {"uint32 (low word first)", ValueType::UInt32, WordOrder::LowFirst},
    {"int32 (high word first)", ValueType::Int32, WordOrder::HighFirst},
    {"int32 (low word first)", ValueType::Int32, WordOrder::LowFirst},
    {"float32 (high word first)", ValueType::Float32, WordOrder::HighFirst},
    {"float32 (low word first)", ValueType::Float32, WordOrder::LowFirst},
};

int TypeIndex(const ValueLayout &l)
{
    for (int i = 0; i < int(std::size(kTypes)); ++i)
        if (kTypes[i].type == l.type && (RegistersPerValue(l.type) == 1 || kTypes[i].order == l.order))
            return i;
    return 0;
}

timespec WallNow()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

int64_t Micros(const timespec &t)
{
    return int64_t(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

timespec OfMicros(int64_t us)
{
    return timespec{time_t(us / 1'000'000), long(us % 1'000'000) * 1000};
}

QPixmap Swatch(const QColor &c)
{
    QPixmap pm(12, 12);
    pm.fill(c);
    return pm;
}

}   // namespace

TTrendForm::TTrendForm(const ExchangeRecord &rec, QWidget *parent) : QWidget(parent, Qt::Window), rec_(rec)
{
    setWindowTitle(QStringLiteral("Tarvix: Trend"));
    resize(1000, 560);

    // Series list and its buttons.
    list_ = new QTableWidget(0, 3, this);
    list_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Address"), QStringLiteral("Type")});
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    connect(list_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!listUpdating_ && item->column() == 0)
            SetSeriesName(item->row(), item->text());
    });
    auto *addButton = new QPushButton(QStringLiteral("Add…"), this);
    auto *removeButton = new QPushButton(QStringLiteral("Remove"), this);
    auto *colourButton = new QPushButton(QStringLiteral("Colour…"), this);
    connect(addButton, &QPushButton::clicked, this, [this] { AddClicked(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveClicked(); });
    connect(colourButton, &QPushButton::clicked, this, [this] { ColourClicked(); });
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(addButton);
    listButtons->addWidget(removeButton);
    listButtons->addWidget(colourButton);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Series (at most 16):"), this));
    left->addWidget(list_, 1);
    left->addLayout(listButtons);
    auto *leftBox = new QWidget(this);
    leftBox->setLayout(left);
    leftBox->setFixedWidth(360);
    left->setContentsMargins(0, 0, 0, 0);

    // Plot and its tool row.
    plot_ = new TTrendPlot(this);
    followButton_ = new QPushButton(QStringLiteral("Follow"), this);
    pauseButton_ = new QPushButton(QStringLiteral("Pause"), this);
    followButton_->setCheckable(true);
    pauseButton_->setCheckable(true);
    followButton_->setChecked(true);
    auto *fitButton = new QPushButton(QStringLiteral("Fit all"), this);
    autoScale_ = new QCheckBox(QStringLiteral("Auto scale"), this);
    autoScale_->setChecked(true);
    recordButton_ = new QPushButton(QStringLiteral("Record…"), this);
    auto *exportButton = new QPushButton(QStringLiteral("Export…"), this);
    connect(followButton_, &QPushButton::clicked, this, [this] { plot_->SetFollow(true); });
    connect(pauseButton_, &QPushButton::clicked, this, [this] { plot_->SetFollow(false); });
    connect(plot_, &TTrendPlot::FollowChanged, this, [this](bool follow) {
        followButton_->setChecked(follow);
        pauseButton_->setChecked(!follow);
    });
    connect(fitButton, &QPushButton::clicked, this, [this] { plot_->FitAll(); });
    connect(autoScale_, &QCheckBox::toggled, this, [this](bool on) { plot_->SetAutoValues(on); });
    connect(plot_, &TTrendPlot::AutoValuesChanged, autoScale_, &QCheckBox::setChecked);
    connect(recordButton_, &QPushButton::clicked, this, [this] { RecordClicked(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { ExportClicked(); });
    auto *tools = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{followButton_, pauseButton_, fitButton, autoScale_})
        tools->addWidget(w);
    tools->addStretch(1);
    tools->addWidget(recordButton_);
    tools->addWidget(exportButton);
    status_ = new QLabel(this);
    status_->setText(QStringLiteral("Wheel: zoom time · Ctrl+wheel: zoom values · drag: pan"));
    auto *right = new QVBoxLayout;
    right->addLayout(tools);
    right->addWidget(plot_, 1);
    right->addWidget(status_);

    auto *main = new QHBoxLayout(this);
    main->addWidget(leftBox);
    main->addLayout(right, 1);

    flushTimer_ = new QTimer(this);
    flushTimer_->setInterval(TrendRecorder::FlushMs);
    connect(flushTimer_, &QTimer::timeout, this, [this] {
        if (recorder_.Active() && !recorder_.Flush())
            Message(QString::fromStdString(recorder_.Error()));
        UpdateRecordUi();
    });
}

TTrendForm::~TTrendForm() = default;

void TTrendForm::SetQuietAnswers(bool quiet, bool closeWhileRecording)
{
    quiet_ = quiet;
    quietClose_ = closeWhileRecording;
}

void TTrendForm::Message(const QString &text)
{
    lastMessage_ = text;
    if (!quiet_)
        QMessageBox::warning(this, QStringLiteral("Trend"), text);
}

// Series ------------------------------------------------------------------------

QColor TTrendForm::NextColor() const
{
    for (const QColor &c : kColors)
        if (std::none_of(series_.begin(), series_.end(), [&](const Series &s) { return s.color == c; }))
            return c;
    return kColors[series_.size() % MaxSeries];
}

bool TTrendForm::AddSeries(const TrendSource &source)
{
    for (const Series &s : series_)
        if (s.source.kind == source.kind && s.source.address == source.address)
            return true;
    if (int(series_.size()) >= MaxSeries) {
        Message(QStringLiteral("A trend holds at most %1 series: remove one before adding %2 %3.")
                    .arg(MaxSeries)
                    .arg(QLatin1String(SourceNoun(source)))
                    .arg(source.address));
        return false;
    }
    if (recorder_.Active()) {
        Message(QStringLiteral("Stop recording before changing the series: the file's columns are fixed."));
        return false;
    }
    const std::string problem = SourceReadProblem(source, rec_);
    if (!problem.empty()) {
        Message(QString::fromStdString(problem));
        return false;
    }
    series_.push_back(
        {source, QString::fromStdString(SourceDefaultName(source)), NextColor(), std::make_unique<TrendStore>()});
    RebuildList();
    RefreshPlotSeries();
    return true;
}

void TTrendForm::RemoveSeries(int index)
{
    if (index < 0 || index >= SeriesCount())
        return;
    if (recorder_.Active()) {
        Message(QStringLiteral("Stop recording before changing the series: the file's columns are fixed."));
        return;
    }
    series_.erase(series_.begin() + index);
    RebuildList();
    RefreshPlotSeries();
}

bool TTrendForm::SetSeriesLayout(int index, const ValueLayout &layout)
{
    if (index < 0 || index >= SeriesCount())
        return false;
    Series &s = series_[size_t(index)];
    TrendSource next = s.source;
    next.layout = layout;
    QString refusal;
    if (recorder_.Active())
        refusal = QStringLiteral("Stop recording before changing the series: the file's columns are fixed.");
    else if (const std::string problem = SourceReadProblem(next, rec_); !problem.empty())
        refusal = QString::fromStdString(problem);
    if (!refusal.isEmpty()) {
        RebuildList();   // the type shown goes back
        Message(refusal);
        return false;
    }
    s.source = next;
    s.store->Clear();
    RebuildList();
    plot_->update();
    return true;
}

void TTrendForm::SetSeriesName(int index, const QString &name)
{
    if (index < 0 || index >= SeriesCount())
        return;
    series_[size_t(index)].name = name.trimmed().isEmpty()
                                      ? QString::fromStdString(SourceDefaultName(series_[size_t(index)].source))
                                      : name.trimmed();
    RebuildList();
    RefreshPlotSeries();
}

void TTrendForm::SetSeriesColor(int index, const QColor &color)
{
    if (index < 0 || index >= SeriesCount() || !color.isValid())
        return;
    series_[size_t(index)].color = color;
    RebuildList();
    RefreshPlotSeries();
}

void TTrendForm::RebuildList()
{
    listUpdating_ = true;
    const int current = list_->currentRow();
    list_->setRowCount(SeriesCount());
    for (int i = 0; i < SeriesCount(); ++i) {
        const Series &s = series_[size_t(i)];
        auto *name = new QTableWidgetItem(QIcon(Swatch(s.color)), s.name);
        list_->setItem(i, 0, name);
        auto *reg = new QTableWidgetItem(QString::number(s.source.address));
        reg->setFlags(reg->flags() & ~Qt::ItemIsEditable);
        list_->setItem(i, 1, reg);
        if (s.source.kind != TrendSourceKind::Register) {
            // A coil or a discrete input is a bit: no type to choose.
            auto *bit = new QTableWidgetItem(QString::fromStdString(SourceTypeName(s.source)) + QStringLiteral(" (") +
                                             QLatin1String(SourceNoun(s.source)) + QStringLiteral(")"));
            bit->setFlags(bit->flags() & ~Qt::ItemIsEditable);
            list_->removeCellWidget(i, 2);
            list_->setItem(i, 2, bit);
            continue;
        }
        auto *type = new QComboBox(list_);
        for (const TypeChoice &t : kTypes)
            type->addItem(QString::fromLatin1(t.label));
        type->setCurrentIndex(TypeIndex(s.source.layout));
        type->setFocusPolicy(Qt::StrongFocus);
        connect(type, &QComboBox::activated, this, [this, i](int choice) {
            ValueLayout layout;
            layout.type = kTypes[choice].type;
            layout.order = kTypes[choice].order;
            // Later: the box may be rebuilt under its own signal.
            QTimer::singleShot(0, this, [this, i, layout] { SetSeriesLayout(i, layout); });
        });
        list_->setCellWidget(i, 2, type);
    }
    if (current >= 0 && current < SeriesCount())
        list_->setCurrentCell(current, 0);
    listUpdating_ = false;
}

void TTrendForm::RefreshPlotSeries()
{
    std::vector<TrendPlotSeries> ps;
    for (const Series &s : series_)
        ps.push_back({s.store.get(), s.name, s.color});
    plot_->SetSeries(std::move(ps));
}

void TTrendForm::AddClicked()
{
    bool ok = false;
    const int start = rec_.StartReg.load(std::memory_order_relaxed);
    // What the poll reads now: registers, coils or discrete inputs.
    TrendSource source = SourceOfCell(rec_, 0);
    QString label = QString::fromLatin1(SourceNoun(source)) + QLatin1Char(':');
    label[0] = label[0].toUpper();
    const int address = QInputDialog::getInt(this, QStringLiteral("Add a series"), label, start, 0, 65535, 1, &ok);
    if (ok) {
        source.address = uint16_t(address);
        AddSeries(source);
    }
}

void TTrendForm::RemoveClicked()
{
    RemoveSeries(list_->currentRow());
}

void TTrendForm::ColourClicked()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= SeriesCount())
        return;
    SetSeriesColor(row, QColorDialog::getColor(series_[size_t(row)].color, this, QStringLiteral("Series colour")));
}

// Samples ----------------------------------------------------------------------------

void TTrendForm::ExchangeStarted()
{
    if (sawData_)
        plot_->AddMark(Micros(WallNow()), QStringLiteral("reconnect"));
    started_ = false;
    lastReqCount_ = lastErrorCount_ = 0;
}

void TTrendForm::Feed(const ExchangeView &view)
{
    if (view.ReqCount == 0 || (started_ && view.ReqCount == lastReqCount_))
        return;   // the display at the thread's start, or nothing new
    const timespec now = WallNow();
    const int64_t t = Micros(now);
    const uint32_t period = rec_.UpdatePeriod.load(std::memory_order_relaxed);
    if (started_ && period != lastPeriod_)
        plot_->AddMark(t, QStringLiteral("period %1 ms").arg(period));
    // Failures since the last display that it did not show are a gap too.
    const bool missedFailure = started_ && view.ErrorCount > lastErrorCount_ && view.Status == 0;
    started_ = true;
    sawData_ = true;
    lastReqCount_ = view.ReqCount;
    lastErrorCount_ = view.ErrorCount;
    lastPeriod_ = period;

    const bool failed = view.Status != 0;
    std::vector<std::string> cells(series_.size());
    if (missedFailure) {
        for (Series &s : series_)
            s.store->AddGap(t - 1);
        if (recorder_.Active())
            recorder_.Row(OfMicros(t - 1), cells);
    }
    for (size_t i = 0; i < series_.size(); ++i) {
        double v;
        if (!failed && SourceImageValid(series_[i].source, rec_) && ReadSource(series_[i].source, rec_, v, cells[i]))
            series_[i].store->Add(t, v);
        else
            series_[i].store->AddGap(t);
    }
    if (recorder_.Active() && !recorder_.Row(now, cells)) {
        UpdateRecordUi();
        Message(QString::fromStdString(recorder_.Error()));
    }
    plot_->DataChanged();
}

// Recording ------------------------------------------------------------------------

bool TTrendForm::StartRecording(const QString &path)
{
    if (series_.empty()) {
        Message(QStringLiteral("Add a series before recording."));
        return false;
    }
    std::vector<std::string> names;
    for (const Series &s : series_)
        names.push_back(s.name.toStdString());
    std::string error;
    if (!recorder_.Start(path.toStdString(), names, error)) {
        Message(QString::fromStdString(error));
        return false;
    }
    flushTimer_->start();
    UpdateRecordUi();
    return true;
}

void TTrendForm::StopRecording()
{
    recorder_.Stop();
    flushTimer_->stop();
    if (!recorder_.Error().empty())
        Message(QString::fromStdString(recorder_.Error()));
    UpdateRecordUi();
}

void TTrendForm::UpdateRecordUi()
{
    if (recorder_.Active()) {
        recordButton_->setText(QStringLiteral("Stop recording"));
        status_->setText(QStringLiteral("Recording to %1: %2 rows")
                             .arg(QString::fromStdString(recorder_.Path()))
                             .arg(recorder_.Rows()));
    } else {
        flushTimer_->stop();
        recordButton_->setText(QStringLiteral("Record…"));
        if (!recorder_.Path().empty())
            status_->setText(QStringLiteral("Recorded %1 rows to %2")
                                 .arg(recorder_.Rows())
                                 .arg(QString::fromStdString(recorder_.Path())));
    }
}

void TTrendForm::RecordClicked()
{
    if (recorder_.Active()) {
        StopRecording();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Record to CSV"),
                                                      QStringLiteral("trend.csv"), QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        StartRecording(path);
}

void TTrendForm::closeEvent(QCloseEvent *event)
{
    if (recorder_.Active()) {
        const QString question =
            QStringLiteral("Recording to %1 is running. Stop recording and close the trend window?")
                .arg(QString::fromStdString(recorder_.Path()));
        lastMessage_ = question;
        const bool yes =
            quiet_ ? quietClose_ : QMessageBox::question(this, QStringLiteral("Trend"), question) == QMessageBox::Yes;
        if (!yes) {
            event->ignore();
            return;
        }
        StopRecording();
    }
    event->accept();
}

// Export ---------------------------------------------------------------------------------

bool TTrendForm::ExportImage(const QString &path)
{
    if (plot_->grab().save(path))
        return true;
    Message(QStringLiteral("Cannot write the image %1.").arg(path));
    return false;
}

bool TTrendForm::ExportSvg(const QString &path)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(plot_->size());
    svg.setViewBox(plot_->rect());
    svg.setTitle(windowTitle());
    QPainter p;
    if (!p.begin(&svg)) {
        Message(QStringLiteral("Cannot write the drawing %1.").arg(path));
        return false;
    }
    plot_->Paint(p, plot_->rect());
    return p.end();
}

// One row per pixel column of the plot that holds a value or a gap: its
// start time and each series' least and greatest value there (empty for none).
bool TTrendForm::ExportCsv(const QString &path)
{
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) {
        Message(QStringLiteral("Cannot write %1.").arg(path));
        return false;
    }
    const int columns = std::max(plot_->PlotArea().width(), 1);
    const int64_t t0 = plot_->TimeStart(), t1 = plot_->TimeEnd();
    std::vector<std::vector<TrendColumn>> cols(series_.size());
    out << "time";
    for (size_t i = 0; i < series_.size(); ++i) {
        series_[i].store->Query(t0, t1, columns, cols[i]);
        out << ',' << CsvField(series_[i].name.toStdString() + " min") << ','
            << CsvField(series_[i].name.toStdString() + " max");
    }
    out << "\r\n";
    for (int c = 0; c < columns; ++c) {
        bool any = false;
        for (const auto &sc : cols)
            any = any || sc[size_t(c)].data || sc[size_t(c)].gap;
        if (!any)
            continue;
        out << IsoLocalTime(OfMicros(t0 + (t1 - t0) * c / columns));
        for (const auto &sc : cols) {
            const TrendColumn &col = sc[size_t(c)];
            if (col.data)
                out << ',' << QString::number(col.min, 'g', 17).toStdString() << ','
                    << QString::number(col.max, 'g', 17).toStdString();
            else
                out << ",,";
        }
        out << "\r\n";
    }
    out.flush();
    if (!out) {
        Message(QStringLiteral("Cannot write %1.").arg(path));
        return false;
    }
    return true;
}

void TTrendForm::ExportClicked()
{
    QMenu menu(this);
    QAction *png = menu.addAction(QStringLiteral("Plot as PNG…"));
    QAction *svg = menu.addAction(QStringLiteral("Plot as SVG…"));
    QAction *csv = menu.addAction(QStringLiteral("Visible range as CSV…"));
    QAction *chosen = menu.exec(QCursor::pos());
    if (!chosen)
        return;
    const bool isPng = chosen == png, isSvg = chosen == svg;
    const QString filter = isPng   ? QStringLiteral("PNG images (*.png)")
                           : isSvg ? QStringLiteral("SVG drawings (*.svg)")
                                   : QStringLiteral("CSV files (*.csv)");
    const QString name = isPng   ? QStringLiteral("trend.png")
                         : isSvg ? QStringLiteral("trend.svg")
                                 : QStringLiteral("trend-range.csv");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export"), name, filter);
    if (path.isEmpty())
        return;
    if (isPng)
        ExportImage(path);
    else if (isSvg)
        ExportSvg(path);
    else if (chosen == csv)
        ExportCsv(path);
}
