// The trend window on a desktop (Xvfb with a window manager) against a
// running poll of tarvix-slave --animate with a run of failed exchanges:
// three cells added by the context menu, Ctrl+T and the button, three
// series that fill, a gap, zoom, pause, the exports, the limits and the
// recording's questions. TARVIX_TREND_SHOTS names a folder for copies of
// the exported images.

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include "controls/Graphbutton.h"
#include "controls/trend_plot.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/view/slave_process.h"
#include "tests/view/window_setup.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"
#include "view/gui_host.h"
#include "view/trend_window.h"

namespace {

void Configure(TTarvix_Form &form, quint16 port, uint16_t count, uint32_t period)
{
    ConfigureTcp(form, port, FunctionCode::ReadHolding, 0, count, period);
}

void Connect(TTarvix_Form &form)
{
    form.StartExchange();
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(HostOf(form).OpenBox() != nullptr, 5000);
    HostOf(form).OpenBox()->accept();
    QTRY_VERIFY_WITH_TIMEOUT(form.Rec.ValuesValid.load() != 0, 5000);
}

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QPushButton *Button(QWidget *w, const QString &text)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

bool HasColour(const QImage &img, const QColor &c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor(img.pixel(x, y)) == c)
                return true;
    return false;
}

void KeepShot(const QString &file)
{
    const QString dir = qEnvironmentVariable("TARVIX_TREND_SHOTS");
    if (!dir.isEmpty()) {
        QFile::remove(dir + QLatin1Char('/') + QFileInfo(file).fileName());
        QFile::copy(file, dir + QLatin1Char('/') + QFileInfo(file).fileName());
    }
}

}   // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutions(); }
    void threeCellsOfARunningPoll();
    void limitsGiveClearMessages();
    void recordingAsksBeforeClosing();
};

void TrendWindowTest::threeCellsOfARunningPoll()
{
    // Replies 80 to 99 are exceptions: a run of failed exchanges.
    SlaveProcess slave({"--animate", "--fault-from", "80", "--fault-count", "20", "--exception", "4"}, 60);
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 20, 10);
    Connect(form);
    auto *grid = form.MODBUS_Grid;

    // The context menu on register 3.
    const QRect cell = grid->visualRect(grid->model()->index(0, 3));
    QTimer::singleShot(300, [] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
            for (QAction *a : menu->actions())
                if (a->text() == QStringLiteral("Trend")) {
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                }
    });
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    emit grid->customContextMenuRequested(cell.center());
    QTRY_VERIFY(form.Trend());
    QCOMPARE(form.Trend()->SeriesCount(), 1);
    // Ctrl+T on register 7, the button on register 12.
    grid->setCurrentIndex(grid->model()->index(0, 7));
    grid->setFocus();
    form.activateWindow();
    QTRY_VERIFY(form.isActiveWindow());
    QTest::keyClick(grid, Qt::Key_T, Qt::ControlModifier);
    QTRY_COMPARE(form.Trend()->SeriesCount(), 2);
    grid->setCurrentIndex(grid->model()->index(1, 2));
    emit form.TrendButton->OnClick(form.TrendButton);
    TTrendForm &trend = *form.Trend();
    QCOMPARE(trend.SeriesCount(), 3);
    QCOMPARE(trend.SeriesSource(0).address, uint16_t(3));
    QCOMPARE(trend.SeriesSource(1).address, uint16_t(7));
    QCOMPARE(trend.SeriesSource(2).address, uint16_t(12));
    QVERIFY(trend.isVisible());
    // The grid keeps its single-cell selection.
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, 2));
    QVERIFY(grid->selectionModel()->selectedIndexes().size() <= 1);

    // The series fill; the failed exchanges are a gap in each.
    QTRY_VERIFY_WITH_TIMEOUT(form.Rec.Thread->ErrorCount.load() >= 20, 10000);
    Wait(600);
    TTrendPlot &plot = *trend.Plot();
    std::vector<TrendColumn> cols;
    for (int i = 0; i < 3; ++i) {
        const TrendStore &s = trend.SeriesStore(i);
        QVERIFY2(s.Count() > 20, qPrintable(QString::number(s.Count())));
        s.Query(s.Oldest(), s.Newest() + 1, 200, cols);
        QVERIFY(std::any_of(cols.begin(), cols.end(), [](const TrendColumn &c) { return c.gap; }));
        QVERIFY(std::any_of(cols.begin(), cols.end(), [](const TrendColumn &c) { return c.data; }));
    }

    // Zoom about the middle, then pause: the range holds while samples come.
    const int64_t span = plot.TimeEnd() - plot.TimeStart();
    const QPointF mid = plot.PlotArea().center();
    QWheelEvent wheel(mid, plot.mapToGlobal(mid), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    QVERIFY(plot.TimeEnd() - plot.TimeStart() < span);
    plot.FitAll();
    QTest::mouseClick(Button(&trend, QStringLiteral("Pause")), Qt::LeftButton);
    QVERIFY(!plot.Follow());
    const int64_t t0 = plot.TimeStart(), t1 = plot.TimeEnd();
    const uint64_t before = trend.SeriesStore(0).Count();
    Wait(300);
    QVERIFY(trend.SeriesStore(0).Count() > before);
    QCOMPARE(plot.TimeStart(), t0);
    QCOMPARE(plot.TimeEnd(), t1);

    // The exports.
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("trend-three-series.png"));
    QVERIFY(trend.ExportImage(png));
    KeepShot(png);
    const QImage img(png);
    QCOMPARE(img.size(), plot.size());
    for (const QColor &c : {QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44), QColor(255, 214, 214)})
        QVERIFY2(HasColour(img, c), qPrintable(c.name()));
    const QString svg = dir.filePath(QStringLiteral("trend.svg"));
    QVERIFY(trend.ExportSvg(svg));
    KeepShot(svg);
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    QVERIFY(svgText.contains("<svg") && svgText.contains("r12"));
    const QString csv = dir.filePath(QStringLiteral("range.csv"));
    QVERIFY(trend.ExportCsv(csv));
    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    QCOMPARE(csvFile.readLine(), QByteArray("time,r3 min,r3 max,r7 min,r7 max,r12 min,r12 max\r\n"));
    QVERIFY(csvFile.readAll().count('\n') > 5);

    // The whole window with the cursor's readout, for a look.
    plot.SetCursorX(plot.PlotArea().left() + plot.PlotArea().width() / 4);
    QVERIFY(!plot.CursorTimeText().isEmpty());
    const QString shot = dir.filePath(QStringLiteral("trend-window.png"));
    trend.grab().save(shot);
    KeepShot(shot);
    const QString mainShot = dir.filePath(QStringLiteral("main-window-trend-button.png"));
    form.grab().save(mainShot);
    KeepShot(mainShot);
    form.StopExchange();
}

void TrendWindowTest::limitsGiveClearMessages()
{
    TTarvix_Form form;
    Configure(form, 1, 30, 100);   // never started: the image is there, no poll
    TTrendForm trend(form.Rec);
    trend.SetQuietAnswers(true);
    TrendSource s;
    for (int i = 0; i < TTrendForm::MaxSeries; ++i) {
        s.address = uint16_t(i);
        QVERIFY(trend.AddSeries(s));
    }
    s.address = 20;
    QVERIFY(!trend.AddSeries(s));
    QCOMPARE(trend.SeriesCount(), 16);
    QVERIFY2(trend.LastMessage().contains(QStringLiteral("at most 16 series")), qPrintable(trend.LastMessage()));
    trend.RemoveSeries(15);
    s.address = 31;
    QVERIFY(!trend.AddSeries(s));
    QVERIFY2(trend.LastMessage().contains(QStringLiteral("registers 0 to 29")), qPrintable(trend.LastMessage()));
    s.address = 29;
    QVERIFY(trend.AddSeries(s));
    // A float32 on the last register read would need register 30.
    ValueLayout wide;
    wide.type = ValueType::Float32;
    QVERIFY(!trend.SetSeriesLayout(15, wide));
    QVERIFY2(trend.LastMessage().contains(QStringLiteral("takes 2 registers, 29 to 30")),
             qPrintable(trend.LastMessage()));
    QVERIFY(trend.SeriesSource(15).layout.type == ValueType::UInt16);
    QVERIFY(trend.SetSeriesLayout(14, wide));
    QVERIFY(trend.SeriesSource(14).layout.type == ValueType::Float32);
}

void TrendWindowTest::recordingAsksBeforeClosing()
{
    SlaveProcess slave({"--animate"}, 60);
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 4, 10);
    Connect(form);
    form.TrendCell(1, 1);
    TTrendForm &trend = *form.Trend();
    trend.SetQuietAnswers(true, false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.csv"));
    QVERIFY(trend.StartRecording(path));
    Wait(1300);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("time,r0\r"));
    QVERIFY2(lines.size() > 10, qPrintable(QString::number(lines.size())));   // written while it runs
    QVERIFY(!trend.close());   // No: it records on
    QVERIFY(trend.isVisible() && trend.Recording());
    QVERIFY(trend.LastMessage().contains(path));
    trend.SetQuietAnswers(true, true);
    QVERIFY(trend.close());
    QVERIFY(!trend.Recording());
    form.StopExchange();
}

QTEST_MAIN(TrendWindowTest)
#include "trend_window_test.moc"
