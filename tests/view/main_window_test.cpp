// The main window against a tarvix-slave on 127.0.0.1: grid texts and
// colours, status fields and frame dumps, grid edits that reach the slave,
// the readings of the selected register, and stopping in every state.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "controls/Graphbutton.h"
#include "controls/Gtextfield.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/support/register_value_cases.h"
#include "tests/view/grid_cells.h"
#include "tests/view/slave_process.h"
#include "tests/view/window_setup.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"
#include "view/gui_host.h"
#include "view/register_text.h"

namespace {

void Configure(TTarvix_Form &form, quint16 port, uint16_t startReg, uint16_t count, uint32_t period)
{
    ConfigureTcp(form, port, FunctionCode::ReadHolding, startReg, count, period);
}

// Starts the exchange with the window shown, closes the "Connected" box and
// waits for the first good read.
bool ConnectAndRead(TTarvix_Form &form)
{
    form.StartExchange();
    form.show();
    if (!PumpUntil([&] { return HostOf(form).OpenBox() != nullptr; }, 5000))
        return false;
    HostOf(form).OpenBox()->accept();
    return PumpUntil(
        [&] {
            return form.Rec.ValuesValid.load() != 0 && form.ReqCountTF->Text().toInt() >= 1 &&
                   GridColor(form) == QColor(Qt::white);
        },
        5000);
}

// A loopback port on which nothing listens.
quint16 ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

}   // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void hexScanning_data();
    void hexScanning();
    void readings_data();
    void readings();
    void readingsOfEdgeCells();
    void statusTextsAndDumps();
    void layoutAndTexts();
    void pacedDisplays();

    void gridAfterFirstRead();
    void typingIntoCellWrites();
    void onlyCommittedEditsHandOver();
    void darkPaletteKeepsTextReadable();
    void typedValuesWriteAndReadBack_data();
    void typedValuesWriteAndReadBack();
    void refusedTypedEditKeepsTheEditor();
    void panelReadsTheSharedLongs();
    void contextMenuChoosesTheView();
    void everyFormatFitsItsCells_data();
    void everyFormatFitsItsCells();
    void sizedGridWrites_data();
    void sizedGridWrites();
    void silverAfterErrorReply();
    void stopWhilePolling();
    void stopWhileConnectPending();
    void stopWhileBoxUp();
};

void MainWindowTest::hexScanning_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<uint>("low16");
    QTest::newRow("digits") << "1234" << true << 0x1234u;
    QTest::newRow("letters") << "abcd" << true << 0xABCDu;
    QTest::newRow("blank and 0x") << " 0x1f" << true << 0x1Fu;
    QTest::newRow("0X upper") << "0XfF" << true << 0xFFu;
    QTest::newRow("five digits keep low 16 bits") << "12345" << true << 0x2345u;
    QTest::newRow("minus") << "-1" << true << 0xFFFFu;
    QTest::newRow("plus") << "+a" << true << 0xAu;
    QTest::newRow("trailing rest ignored") << "12zz" << true << 0x12u;
    QTest::newRow("zero then x") << "0xz" << true << 0u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("letters z") << "zz" << false << 0u;
    QTest::newRow("sign only") << "-" << false << 0u;
    QTest::newRow("blanks only") << "   " << false << 0u;
}

void MainWindowTest::hexScanning()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(uint, low16);
    uint32_t v = 0xDEAD;
    QCOMPARE(ScanHex(text.toStdString(), v), number);
    if (number)
        QCOMPARE(v & 0xFFFF, low16);
}

void MainWindowTest::readings_data()
{
    QTest::addColumn<uint>("v");
    QTest::addColumn<uint>("w");
    QTest::addColumn<QStringList>("texts");   // Int, Word, Long, Float, second float, mA
    QTest::newRow("pi") << 0x0FDBu << 0x4049u
                        << QStringList{"4059", "4059", "1078530011", "3.14159", "2.16198e-29", "1.548 mA"};
    QTest::newRow("minus one") << 0xFFFFu << 0x0000u
                               << QStringList{"-1", "65535", "65535", "9.18341e-41", "?", "25.000 mA"};
    QTest::newRow("infinity") << 0x0000u << 0x7F80u
                              << QStringList{"0", "0", "2139095040", "+INF", "4.57384e-41", "0.000 mA"};
    QTest::newRow("signalling nan") << 0x0001u << 0x7F80u
                                    << QStringList{"1", "1", "2139095041", "?", "1.37574e-40", "0.000 mA"};
    QTest::newRow("quiet nan") << 0x7FC0u << 0x0000u
                               << QStringList{"32704", "32704", "32704", "4.58281e-41", "+NAN", "12.476 mA"};
    QTest::newRow("negative infinity and nan")
        << 0x0000u << 0xFF80u << QStringList{"0", "0", "-8388608", "-INF", "9.16561e-41", "0.000 mA"};
    QTest::newRow("negative default nan")
        << 0xFFC0u << 0x0000u << QStringList{"-64", "65472", "65472", "9.17458e-41", "-NAN", "24.976 mA"};
}

void MainWindowTest::readings()
{
    QFETCH(uint, v);
    QFETCH(uint, w);
    QFETCH(QStringList, texts);
    TTarvix_Form form;
    form.Rec.RegCount.store(3);
    form.Rec.AllocRegValues(3);
    form.Rec.RegValues[1].store(uint16_t(v));
    form.Rec.RegValues[2].store(uint16_t(w));
    form.ShowRegisterValues(2, 1);
    const QStringList got{form.IntTF->Text(),   form.DecWordTF->Text(), form.DecLongTF->Text(),
                          form.FloatTF->Text(), form.FloatSwTF->Text(), form.WordAs4_20mA_TF->Text()};
    QCOMPARE(got, texts);
}

void MainWindowTest::readingsOfEdgeCells()
{
    TTarvix_Form form;
    form.Rec.RegCount.store(25);
    form.Rec.AllocRegValues(25);
    form.Rec.RegValues[24].store(0x8000);
    auto fields = [&] {
        return QStringList{form.IntTF->Text(),   form.DecWordTF->Text(), form.DecLongTF->Text(),
                           form.FloatTF->Text(), form.FloatSwTF->Text(), form.WordAs4_20mA_TF->Text()};
    };
    // Zero-filled image before the first read: every reading is 0.
    form.ShowRegisterValues(1, 1);
    QCOMPARE(fields(), (QStringList{"0", "0", "0", "0", "0", "0.000 mA"}));
    // The last register (index 24, row 3, column 5): no 32-bit readings.
    form.ShowRegisterValues(5, 3);
    QCOMPARE(fields(), (QStringList{"-32768", "32768", "", "", "", "12.500 mA"}));
    // A cell of the last row beyond the count: all empty.
    form.ShowRegisterValues(6, 3);
    QCOMPARE(fields(), QStringList(6, QString()));
    // Header cells stand for no register either.
    form.ShowRegisterValues(1, 1);
    form.ShowRegisterValues(0, 1);
    QCOMPARE(fields(), QStringList(6, QString()));
    // Without a register image (after a stop) nothing is read.
    form.Rec.FreeRegValues();
    form.ShowRegisterValues(1, 1);
    QCOMPARE(fields(), QStringList(6, QString()));
    QVERIFY(GridCellText(form, 1, 1).isEmpty());
}

// Status texts, colours and dumps through the display step itself, with a
// thread object that never runs.
void MainWindowTest::statusTextsAndDumps()
{
    TTarvix_Form form;
    QCOMPARE(GridColor(form), form.palette().color(QPalette::Base));
    form.Rec.RegCount.store(10);
    form.Rec.AllocRegValues(10);
    form.Rec.Thread = std::make_unique<MODBUS_Thread>(form.Rec, form.Host());
    MODBUS_Thread &t = *form.Rec.Thread;

    struct Case {
        uint8_t status;
        const char *text;
        QColor colour;
    };
    const Case cases[] = {{0, "OK", QColor(255, 255, 255)},
                          {5, "Error 0x05", QColor(192, 192, 192)},
                          {171, "Error 0xAB", QColor(192, 192, 192)},
                          {255, "No Reply", QColor(192, 192, 192)},
                          {10, "Reply Addr or CmdCode Error", QColor(192, 192, 192)}};
    int n = 0;
    for (const Case &c : cases) {
        t.Status.store(c.status);
        t.ReqCount.store(100 + n);
        t.ErrorCount.store(n++);
        form.ShowExchange(t);
        QCOMPARE(form.ReqErrorTF->Text(), QString::fromLatin1(c.text));
        QCOMPARE(GridColor(form).name(), c.colour.name());
        QCOMPARE(form.ReqCountTF->Text(), QString::number(100 + n - 1));
        QCOMPARE(form.ReqErrorsCountTF->Text(), QString::number(n - 1));
    }
    // Dumps: " %02X" per byte; a length of 0 empties the field.
    const uint8_t req[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    std::memcpy(t.Frames.ReqFrame, req, sizeof req);
    t.Frames.ReqLen = sizeof req;
    t.Frames.ReplyFrame[0] = 0xAB;
    t.Frames.ReplyLen = 1;
    form.ShowExchange(t);
    QCOMPARE(form.RequestTF->Text(), QStringLiteral(" 01 03 00 00 00 0A C5 CD"));
    QCOMPARE(form.ReplyTF->Text(), QStringLiteral(" AB"));
    t.Frames.ReqLen = 0;
    t.Frames.ReplyLen = 0;
    form.ShowExchange(t);
    QVERIFY(form.RequestTF->Text().isEmpty());
    QVERIFY(form.ReplyTF->Text().isEmpty());
    form.Rec.Thread.reset();
}

void MainWindowTest::layoutAndTexts()
{
    TTarvix_Form form;
    QCOMPARE(form.WriteBy0x10->text(), QString::fromUtf8("Запись 0x10"));
    QVERIFY(!form.WriteBy0x10->isChecked());
    QCOMPARE(form.WriteBy0x10->toolTip(), QString::fromUtf8("Выполнять запись в регистр с помощью команды 0x10\r\n"
                                                            "(а не команды 6) - даже для одиночного регистра"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tarvix"));
    QCOMPARE(form.ReconnButton->Caption(), QStringLiteral("Reconnect"));
    QCOMPARE(form.ReconnButton->Glyph().size(), QSize(12, 16));
    QCOMPARE(form.ReconnButton->geometry(), QRect(5, 4, 93, 23));
    QCOMPARE(form.CloseButton->Caption(), QStringLiteral("Exit"));
    QCOMPARE(form.CloseButton->Glyph().size(), QSize(16, 16));
    QCOMPARE(form.CloseButton->geometry(), QRect(5, 29, 93, 23));
    QCOMPARE(form.WordAs4_20mA_TF->font().pointSize(), 10);
    QVERIFY(form.WordAs4_20mA_TF->font().bold());
    QCOMPARE(form.size(), QSize(611, 452));
    QCOMPARE(form.Panel1->height(), 69);
    QCOMPARE(form.Panel2->width(), 103);
    QCOMPARE(form.MODBUS_Grid->geometry(), QRect(0, 0, 611 - 103, 452 - 69));
    QCOMPARE(form.RequestTF->geometry(), QRect(53, 25, 551, 19));
    // With the fonts in place, no label runs into a control and every
    // control lies inside its panel.
    for (QWidget *panel : {static_cast<QWidget *>(form.Panel1), static_cast<QWidget *>(form.Panel2)}) {
        const QList<QWidget *> children = panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QVERIFY(children.size() >= 6);
        for (QWidget *a : children) {
            QVERIFY2(panel->rect().contains(a->geometry()), qPrintable(a->objectName() + a->metaObject()->className()));
            auto *label = qobject_cast<QLabel *>(a);
            if (!label)
                continue;
            for (QWidget *b : children)
                if (b != a)
                    QVERIFY2(!a->geometry().intersects(b->geometry()), qPrintable(label->text()));
        }
    }
    form.show();
    form.resize(711, 452);
    QCOMPARE(form.RequestTF->width(), 651);
    QCOMPARE(form.ReqErrorsCountTF->geometry(), QRect(516, 4, 79, 18));
}

// A display that comes sooner than the pacing interval after the last one
// does not wait for the GUI thread; its copy is shown once the interval is over.
void MainWindowTest::pacedDisplays()
{
    TTarvix_Form form;
    form.Rec.RegCount.store(1);
    form.Rec.AllocRegValues(1);
    form.Rec.Thread = std::make_unique<MODBUS_Thread>(form.Rec, form.Host());
    MODBUS_Thread &t = *form.Rec.Thread;
    GuiHost &host = HostOf(form);
    host.SetDisplayInterval(300);
    std::atomic<int> done{0};
    std::thread worker([&] {
        t.ReqCount.store(1);
        host.Display(t);   // the first one waits until the GUI thread ran it
        done.store(1);
        t.ReqCount.store(2);
        t.Frames.ReqFrame[0] = 0x5A;
        t.Frames.ReqLen = 1;
        host.Display(t);   // too soon: leaves its copy and returns
        t.Frames.ReqFrame[0] = 0x00;   // the copy, not the thread's frame, is shown
        done.store(2);
    });
    QTRY_VERIFY(done.load() >= 1);
    QCOMPARE(form.ReqCountTF->Text(), QStringLiteral("1"));
    // No event is processed here: the second call must not wait for one.
    QElapsedTimer clock;
    clock.start();
    while (done.load() != 2 && clock.elapsed() < 2000)
        QThread::msleep(1);
    QCOMPARE(done.load(), 2);
    worker.join();
    QCOMPARE(form.ReqCountTF->Text(), QStringLiteral("1"));
    QTRY_COMPARE(form.ReqCountTF->Text(), QStringLiteral("2"));
    QCOMPARE(form.RequestTF->Text(), QStringLiteral(" 5A"));
    // A stop drops a copy not shown yet.
    host.SetDisplayInterval(60000);   // so this call from the GUI thread is surely paced
    host.Display(t);
    host.CancelWaits();
    QTest::qWait(400);
    QCOMPARE(form.RequestTF->Text(), QStringLiteral(" 5A"));
    form.Rec.Thread.reset();
}

void MainWindowTest::gridAfterFirstRead()
{
    SlaveProcess slave({QStringLiteral("--log")});
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 0, 10, 50);
    QVERIFY(ConnectAndRead(form));
    QCOMPARE(GridColCount(form), 11);
    QCOMPARE(GridRowCount(form), 2);
    QCOMPARE(form.MODBUS_Grid->model()->rowCount(), 1);
    QCOMPARE(form.MODBUS_Grid->columnWidth(0), 40);
    QCOMPARE(form.MODBUS_Grid->rowHeight(0), 15);
    QCOMPARE(form.MODBUS_Grid->verticalHeader()->width(), 40);
    QCOMPARE(form.MODBUS_Grid->horizontalHeader()->height(), 15);
    QCOMPARE(form.MODBUS_Grid->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!form.MODBUS_Grid->tabKeyNavigation());
    QCOMPARE(GridCellText(form, 0, 0), QStringLiteral("№"));
    QCOMPARE(GridCellText(form, 1, 0), QStringLiteral("+0"));
    QCOMPARE(GridCellText(form, 10, 0), QStringLiteral("+9"));
    QCOMPARE(GridCellText(form, 0, 1), QStringLiteral("0  "));
    for (int c = 1; c <= 10; ++c)
        QCOMPARE(GridCellText(form, c, 1), QStringLiteral("%1").arg(c - 1, 4, 10, QLatin1Char('0')));
    QCOMPARE(form.ReqErrorTF->Text(), QStringLiteral("OK"));
    QCOMPARE(form.ReqErrorsCountTF->Text(), QStringLiteral("0"));
    QVERIFY(form.ReqCountTF->Text().toInt() >= 1);
    QCOMPARE(form.RequestTF->Text(), QStringLiteral(" 00 00 00 00 00 06 01 03 00 00 00 0A"));
    QCOMPARE(form.ReplyTF->Text(), QStringLiteral(" 00 00 00 00 00 17 01 03 14 00 00 00 01 00 02 00 03 00 04"
                                                  " 00 05 00 06 00 07 00 08 00 09"));
    // The first data cell is current and its readings are shown.
    QCOMPARE(form.MODBUS_Grid->currentIndex(), form.MODBUS_Grid->model()->index(0, 0));
    QCOMPARE(form.DecLongTF->Text(), QStringLiteral("65536"));
    QCOMPARE(form.focusWidget(), form.MODBUS_Grid);
    QVERIFY(form.grab().save(PngPath("main_window_data.png")));
    form.StopExchange();
    QVERIFY(!form.Rec.Thread);
    QVERIFY(!form.Rec.RegValues);
}

void MainWindowTest::typingIntoCellWrites()
{
    SlaveProcess slave({QStringLiteral("--log")});
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 0, 10, 50);
    QVERIFY(ConnectAndRead(form));
    // The "Connected" box was shown and closed, and the window system may
    // still hold its activation when the event loop was slow to get to it.
    // Requesting the form's activation queues it behind the box's, so the
    // form ends up active whatever the timing.
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(form.MODBUS_Grid->hasFocus());

    // Typing into the current cell opens the editor with the first key; the
    // write goes out once, from the whole text, when Enter commits it.
    auto writes = [&] {
        QStringList w;
        for (const QString &r : slave.Requests())
            if (!r.startsWith(QLatin1String("01 03")))
                w << r;
        return w;
    };
    for (const char ch : QByteArray("1234")) {
        QTest::keyClick(QApplication::focusWidget(), ch);
        QTest::qWait(120);   // an ordinary pace: several polls between keys
    }
    QCOMPARE(writes(), QStringList());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY2(slave.WaitForRequest(QStringLiteral("01 06 00 00 12 34"), 3000), qPrintable(slave.Tail()));
    QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 1, 1), QStringLiteral("1234"), 3000);
    // Escape cancels: nothing goes out however long the editor was open.
    form.MODBUS_Grid->setCurrentIndex(form.MODBUS_Grid->model()->index(0, 2));
    for (const char ch : QByteArray("77")) {
        QTest::keyClick(QApplication::focusWidget(), ch);
        QTest::qWait(120);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::qWait(300);
    QCOMPARE(writes(), QStringList{QStringLiteral("01 06 00 00 12 34")});
    // Moving to another cell commits the open editor: one write again.
    for (const char ch : QByteArray("5a"))
        QTest::keyClick(QApplication::focusWidget(), ch);
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    const QRect next = form.MODBUS_Grid->visualRect(form.MODBUS_Grid->model()->index(0, 3));
    QTest::mouseClick(form.MODBUS_Grid->viewport(), Qt::LeftButton, {}, next.center());
    QVERIFY2(slave.WaitForRequest(QStringLiteral("01 06 00 02 00 5A"), 3000), qPrintable(slave.Tail()));
    QTest::qWait(300);
    QCOMPARE(writes(), (QStringList{QStringLiteral("01 06 00 00 12 34"), QStringLiteral("01 06 00 02 00 5A")}));

    // With the check box on, the same edit goes out as function 0x10.
    QTest::mouseClick(form.WriteBy0x10, Qt::LeftButton);
    QCOMPARE(form.Rec.WriteBy0x10On.load(), uint8_t(1));
    form.MODBUS_Grid->setCurrentIndex(form.MODBUS_Grid->model()->index(0, 1));
    for (const char ch : QByteArray("abcd"))
        QTest::keyClick(QApplication::focusWidget(), ch);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY2(slave.WaitForRequest(QStringLiteral("01 10 00 01 00 01 02 AB CD"), 3000), qPrintable(slave.Tail()));
    QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 2, 1), QStringLiteral("ABCD"), 3000);
    // Selecting the cell shows its readings.
    QTRY_COMPARE_WITH_TIMEOUT(form.DecWordTF->Text(), QStringLiteral("43981"), 3000);
    form.StopExchange();
}

// Only a committed edit is handed over: the texts typed on the way, the
// text the editor is loaded with and an edit cancelled by Escape form
// nothing; a thread that ended without a channel stands in for one whose
// last exchange succeeded.
void MainWindowTest::onlyCommittedEditsHandOver()
{
    TTarvix_Form form;
    Configure(form, 9, 0, 10, 50);
    form.Rec.Conn.Kind = static_cast<ConnKind>(7);   // no channel of that kind: the thread ends at once
    form.StartExchange();
    QTRY_VERIFY(form.Rec.Thread && form.Rec.Thread->Finished());
    form.Rec.RegValues[0].store(0x1234);
    form.Rec.ValuesValid.store(1);
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(form.MODBUS_Grid->hasFocus());

    // The value of the request formed since the last call; -1 for none, -2
    // for one of another register or count.
    auto request = [&]() -> int {
        if (form.Rec.WithdrawWrite() != 3)
            return -1;
        if (form.Rec.WriteReg.load() != 0 || form.Rec.WriteCount.load() != 1)
            return -2;
        return form.Rec.WriteValues[0].load();
    };
    for (const char *keys : {"a", "b", "c", "d"}) {
        QTest::keyClicks(QApplication::focusWidget(), QLatin1String(keys));
        QCOMPARE(request(), -1);
    }
    QVERIFY(form.grab().save(PngPath("main_window_editing.png")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);   // the commit
    QTRY_VERIFY(form.MODBUS_Grid->hasFocus());
    QCOMPARE(request(), 0xABCD);
    QCOMPARE(request(), -1);

    // Loading the editor forms nothing; Escape cancels what was typed.
    QTest::keyClick(form.MODBUS_Grid, Qt::Key_F2);
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    QCOMPARE(request(), -1);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("77"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(form.MODBUS_Grid->hasFocus());
    QCOMPARE(request(), -1);

    // A cleared editor and letters that are no number form nothing.
    QTest::keyClick(form.MODBUS_Grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(request(), -1);
    QTest::keyClick(form.MODBUS_Grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(request(), -1);
    form.StopExchange();
}

// Under a dark desktop palette the white and silver cells and the silver
// buttons still carry dark text; the palette's own fields keep its colours.
void MainWindowTest::darkPaletteKeepsTextReadable()
{
    const QPalette saved = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    {
        TTarvix_Form form;
        Configure(form, 9, 0, 10, 50);
        form.Rec.Conn.Kind = static_cast<ConnKind>(7);   // no channel: the thread ends at once, status 0
        form.StartExchange();
        QTRY_VERIFY(form.Rec.Thread && form.Rec.Thread->Finished());
        for (int i = 0; i < 10; ++i)
            form.Rec.RegValues[i].store(uint16_t(0x1111 * i));
        form.Rec.ValuesValid.store(1);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The darkest grey inside `r` of `image`: the text's, on a light face.
        auto darkest = [](const QImage &image, const QRect &r) {
            int least = 255;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    least = std::min(least, qGray(image.pixel(x, y)));
            return least;
        };
        for (const uint8_t status : {uint8_t(0), uint8_t(255)}) {
            form.Rec.Thread->Status.store(status);
            form.ShowExchange(*form.Rec.Thread);
            const QColor face = GridColor(form);
            QCOMPARE(face, status == 0 ? QColor(Qt::white) : QColor(192, 192, 192));
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return form.MODBUS_Grid->viewport()->grab().toImage().pixelColor(
                               form.MODBUS_Grid->visualRect(form.MODBUS_Grid->model()->index(0, 5)).center() -
                               QPoint(19, 0)) == face;
                },
                2000));
            const QImage grid = form.MODBUS_Grid->viewport()->grab().toImage();
            const QRect cell =
                form.MODBUS_Grid->visualRect(form.MODBUS_Grid->model()->index(0, 5)).adjusted(1, 1, -2, -2);
            QVERIFY2(darkest(grid, cell) < 60, qPrintable(QString::number(darkest(grid, cell))));
        }
        const QImage button = form.ReconnButton->grab().toImage();
        QVERIFY2(darkest(button, QRect(30, 4, 55, 15)) < 60,
                 qPrintable(QString::number(darkest(button, QRect(30, 4, 55, 15)))));
        QVERIFY(form.grab().save(PngPath("main_window_dark.png")));
        form.StopExchange();
    }
    QApplication::setPalette(saved);
}

// Opens the editor on the cell (row 0, `column`), replaces its text with
// `text` and presses Enter.
void TypeIntoCell(TTarvix_Form &form, int column, const QString &text)
{
    form.MODBUS_Grid->setCurrentIndex(form.MODBUS_Grid->model()->index(0, column));
    QTest::keyClick(form.MODBUS_Grid, Qt::Key_F2);
    QWidget *edit = QApplication::focusWidget();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Every case of the shared table typed into the grid of a live window, over
// tarvix-slave and over the libmodbus peer: one
// request with the hand-worked registers (function 06 for one register, one
// function 16 for a wider value), then the value read back in its cell,
// the cells it covers empty.
void MainWindowTest::typedValuesWriteAndReadBack_data()
{
    QTest::addColumn<bool>("libmodbus");
    QTest::newRow("tarvix-slave") << false;
    QTest::newRow("libmodbus peer") << true;
}

void MainWindowTest::typedValuesWriteAndReadBack()
{
    QFETCH(bool, libmodbus);
    SlaveProcess slave({QStringLiteral("--log")}, 120, libmodbus ? PeerPath() : SlavePath());
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 0, 10, 20);
    QVERIFY(ConnectAndRead(form));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    int writes = 0;
    for (const RegisterValueCase &c : RegisterValueCases()) {
        const QString name =
            QStringLiteral("%1 %2 %3").arg(ValueFormatName(c.format), RegisterOrderName(c.order), c.text);
        form.SetGridView({c.format, c.order, AddressNotation::ZeroBased});
        const std::vector<uint16_t> regs = CaseRegisters(c.registers);
        const int n = int(regs.size());
        const int column = n == 1 ? 1 : n;   // a value's first register
        QString frame = n == 1 ? QStringLiteral("01 06 %1").arg(column, 4, 16, QLatin1Char('0'))
                               : QStringLiteral("01 10 %1 %2 %3")
                                     .arg(column, 4, 16, QLatin1Char('0'))
                                     .arg(n, 4, 16, QLatin1Char('0'))
                                     .arg(2 * n, 2, 16, QLatin1Char('0'));
        for (uint16_t r : regs)
            frame += QStringLiteral(" %1").arg(r, 4, 16, QLatin1Char('0'));
        frame = frame.toUpper();
        frame.replace(QRegularExpression(QStringLiteral("([0-9A-F]{2})([0-9A-F]{2})")), QStringLiteral("\\1 \\2"));
        TypeIntoCell(form, column, QString::fromLatin1(c.text));
        QVERIFY2(slave.WaitForRequest(frame, 3000),
                 qPrintable(name + QStringLiteral(": ") + frame + " | " + slave.Tail()));
        ++writes;
        QTRY_COMPARE_WITH_TIMEOUT(form.MODBUS_Grid->model()->index(0, column).data().toString(),
                                  QString::fromLatin1(c.text), 3000);
        for (int k = 1; k < n; ++k) {
            const QModelIndex covered = form.MODBUS_Grid->model()->index(0, column + k);
            QVERIFY2(covered.data().toString().isEmpty(), qPrintable(name));
            QCOMPARE(covered.data(Qt::EditRole).toString(), QString::fromLatin1(c.text));
        }
        // Nothing clips: the column holds the widest text of the format.
        const QFontMetrics fm(form.MODBUS_Grid->font());
        QVERIFY2(form.MODBUS_Grid->columnWidth(column) > fm.horizontalAdvance(QString::fromLatin1(c.text)),
                 qPrintable(name));
    }
    // One request per edit, reads aside.
    int seen = 0;
    for (const QString &r : slave.Requests())
        seen += !r.startsWith(QLatin1String("01 03"));
    QCOMPARE(seen, writes);
    form.StopExchange();
}

// A text that is no value of the format, or out of its range: Enter leaves
// the editor open with the text marked and says why; nothing is sent.
void MainWindowTest::refusedTypedEditKeepsTheEditor()
{
    TTarvix_Form form;
    Configure(form, 9, 0, 10, 50);
    form.Rec.Conn.Kind = static_cast<ConnKind>(7);   // no channel: the thread ends at once, status 0
    form.StartExchange();
    QTRY_VERIFY(form.Rec.Thread && form.Rec.Thread->Finished());
    form.Rec.ValuesValid.store(1);
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSignalSpy refusals(form.MODBUS_Grid->model(), SIGNAL(EditRefused(QString)));
    for (const RefusedValueCase &c : RefusedValueCases()) {
        form.SetGridView({c.format, {}, AddressNotation::ZeroBased});
        TypeIntoCell(form, 0, QString::fromLatin1(c.text));
        QTest::qWait(20);   // a commit would be queued behind Enter
        auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY2(edit, c.text);
        QCOMPARE(edit->text(), QString::fromLatin1(c.text));
        QCOMPARE(edit->selectedText(), QString::fromLatin1(c.text));
        QCOMPARE(refusals.count(), 1);
        const QString why = refusals.takeFirst().at(0).toString();
        QVERIFY2(why.contains(QLatin1String(c.why == 'r' ? "range" : "not a number")), qPrintable(why));
        QCOMPARE(form.Rec.WithdrawWrite(), 0);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTRY_VERIFY(form.MODBUS_Grid->hasFocus());
    }
    // A covered cell opens its value and writes all of it, from its first register.
    form.SetGridView({ValueFormat::Float, kRegisterOrders[0], AddressNotation::ZeroBased});
    TypeIntoCell(form, 3, QStringLiteral("-12.5"));
    QTRY_VERIFY(form.MODBUS_Grid->hasFocus());   // the commit is queued behind Enter
    QCOMPARE(refusals.count(), 0);
    QCOMPARE(form.Rec.WithdrawWrite(), 3);
    QCOMPARE(form.Rec.WriteReg.load(), uint16_t(2));
    QCOMPARE(form.Rec.WriteCount.load(), uint16_t(2));
    QCOMPARE(form.Rec.WriteValues[0].load(), uint16_t(0xC148));
    QCOMPARE(form.Rec.WriteValues[1].load(), uint16_t(0x0000));
    // The last value of a count that ends inside it cannot be written.
    form.SetGridView({ValueFormat::LongLong, {}, AddressNotation::ZeroBased});
    TypeIntoCell(form, 8, QStringLiteral("1"));
    QCOMPARE(refusals.count(), 1);
    QCOMPARE(form.Rec.WithdrawWrite(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    form.StopExchange();
}

// The value panel's long reading, the selected register as the low word, is
// the "CD AB" order of the shared table.
void MainWindowTest::panelReadsTheSharedLongs()
{
    int checked = 0;
    for (const RegisterValueCase &c : RegisterValueCases()) {
        if (c.format != ValueFormat::Long || !(c.order == kCDAB))
            continue;
        TTarvix_Form form;
        form.Rec.RegCount.store(2);
        form.Rec.AllocRegValues(2);
        const std::vector<uint16_t> regs = CaseRegisters(c.registers);
        form.Rec.RegValues[0].store(regs[0]);
        form.Rec.RegValues[1].store(regs[1]);
        form.ShowRegisterValues(1, 1);
        QCOMPARE(form.DecLongTF->Text(), QString::fromLatin1(c.text));
        ++checked;
    }
    QVERIFY(checked >= 2);
}

// The grid's context menu: three groups of exclusive entries, the defaults
// checked; an entry picked changes the grid and is announced.
void MainWindowTest::contextMenuChoosesTheView()
{
    TTarvix_Form form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy changes(&form, &TTarvix_Form::GridViewChanged);
    QMenu *menu = form.GridContextMenu()->Menu();
    QStringList titles;
    for (QAction *a : menu->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"Format", "Register order", "Addresses", "", "Trend"}));
    auto checked = [](QAction *sub) {
        for (QAction *a : sub->menu()->actions())
            if (a->isChecked())
                return a->text();
        return QString();
    };
    QCOMPARE(checked(menu->actions()[0]), QStringLiteral("Hex"));
    QCOMPARE(checked(menu->actions()[1]), QStringLiteral("AB CD (word order big)"));
    QCOMPARE(checked(menu->actions()[2]), QStringLiteral("0-based"));
    QCOMPARE(menu->actions()[0]->menu()->actions().size(), kValueFormatCount);

    // Right-click on the grid opens it.
    emit form.MODBUS_Grid->customContextMenuRequested(QPoint(60, 20));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(menu->grab().save(PngPath("grid_context_menu.png")));
    menu->hide();
    menu->actions()[0]->menu()->actions()[6]->trigger();   // Float
    menu->actions()[1]->menu()->actions()[1]->trigger();   // CD AB
    menu->actions()[2]->menu()->actions()[2]->trigger();   // 40001
    const GridViewChoice want{ValueFormat::Float, kRegisterOrders[1], AddressNotation::Prefixed};
    QVERIFY(form.GridView() == want);
    QCOMPARE(changes.count(), 3);
    QVERIFY(changes.last().at(0).value<GridViewChoice>() == want);
    QVERIFY(form.MODBUS_Grid->columnWidth(0) > 40);
    QCOMPARE(checked(menu->actions()[0]), QStringLiteral("Float"));
}

void MainWindowTest::everyFormatFitsItsCells_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("10 registers") << 10;
    QTest::newRow("1024 registers") << 1024;
}

// Every format over registers that fill its texts to their widest: no cell
// text is wider than its column, no row header wider than the header.
void MainWindowTest::everyFormatFitsItsCells()
{
    QFETCH(int, count);
    TTarvix_Form form;
    Configure(form, 9, 40000, uint16_t(count), 50);
    form.Rec.Conn.Kind = static_cast<ConnKind>(7);   // no channel: the thread ends at once, status 0
    form.StartExchange();
    QTRY_VERIFY(form.Rec.Thread && form.Rec.Thread->Finished());
    // Negative extremes, long fractions and binary ones in turn.
    const uint16_t pattern[] = {0x8000, 0x0000, 0x0000, 0x0000, 0xBF9D, 0xF3B6, 0xFFFF, 0x8000,
                                0xC07F, 0xFFF0, 0x1234, 0x5678, 0xABCD, 0xEF01, 0x0080, 0x0001};
    for (int i = 0; i < count; ++i)
        form.Rec.RegValues[i].store(pattern[i % 16]);
    form.Rec.ValuesValid.store(1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ShowExchange(*form.Rec.Thread);
    QTableView *grid = form.MODBUS_Grid;
    const QFontMetrics fm(grid->font());
    for (int f = 0; f < kValueFormatCount; ++f) {
        const auto format = static_cast<ValueFormat>(f);
        const AddressNotation notation = static_cast<AddressNotation>(f % kAddressNotationCount);
        form.SetGridView({format, kRegisterOrders[f % 4], notation});
        int texts = 0;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            const QString header = grid->model()->headerData(r, Qt::Vertical, Qt::DisplayRole).toString();
            QVERIFY2(fm.horizontalAdvance(header.trimmed()) < grid->verticalHeader()->width(), qPrintable(header));
            for (int c = 0; c < 10; ++c) {
                const QString text = grid->model()->index(r, c).data().toString();
                texts += !text.isEmpty();
                QVERIFY2(fm.horizontalAdvance(text) + 2 <= grid->columnWidth(c), qPrintable(text));
            }
        }
        QCOMPARE(texts, count / RegistersOf(format));
        const QString name = QStringLiteral("grid_%1_%2.png")
                                 .arg(count)
                                 .arg(QString::fromLatin1(ValueFormatName(format)).replace(' ', '_'));
        QVERIFY(form.grab().save(PngPath(qPrintable(name))));
    }
    form.StopExchange();
}

void MainWindowTest::sizedGridWrites_data()
{
    QTest::addColumn<int>("startReg");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("rowHeaders");
    QTest::addColumn<QStringList>("lastRow");   // texts of the last row's ten cells
    QTest::addColumn<QPoint>("cell");   // the cell edited (column, row)
    QTest::addColumn<QString>("before");   // its text before the edit
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("writeReg");
    QTest::addColumn<QString>("frame");   // the request the slave logs
    QTest::newRow("count 25 from 100, last register")
        << 100 << 25 << QStringList{"100  ", "110  ", "120  "}
        << QStringList{"0078", "0079", "007A", "007B", "007C", "", "", "", "", ""} << QPoint(5, 3) << "007C"
        << "beef" << 124 << "01 06 00 7C BE EF";
    QTest::newRow("count 20 from 65530 wraps")
        << 65530 << 20 << QStringList{"65530  ", "65540  "}
        << QStringList{"0004", "0005", "0006", "0007", "0008", "0009", "000A", "000B", "000C", "000D"} << QPoint(8, 1)
        << "0001"
        << "77" << 1 << "01 06 00 01 00 77";
}

void MainWindowTest::sizedGridWrites()
{
    QFETCH(int, startReg);
    QFETCH(int, count);
    QFETCH(QStringList, rowHeaders);
    QFETCH(QStringList, lastRow);
    QFETCH(QPoint, cell);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(int, writeReg);
    QFETCH(QString, frame);
    SlaveProcess slave({QStringLiteral("--log")});
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), uint16_t(startReg), uint16_t(count), 50);
    QVERIFY(ConnectAndRead(form));
    QCOMPARE(GridRowCount(form), rowHeaders.size() + 1);
    for (int r = 1; r <= rowHeaders.size(); ++r)
        QCOMPARE(GridCellText(form, 0, r), rowHeaders[r - 1]);
    for (int c = 1; c <= 10; ++c)
        QCOMPARE(GridCellText(form, c, int(rowHeaders.size())), lastRow[c - 1]);
    // Cells beyond the count and header cells make no request.
    for (int c = 1; c <= 10; ++c)
        if (lastRow[c - 1].isEmpty())
            GridCommitEdit(form, c, int(rowHeaders.size()), QStringLiteral("1"));
    GridCommitEdit(form, 0, 1, QStringLiteral("1"));
    QCOMPARE(form.Rec.WriteTries.load(), 0);
    QCOMPARE(GridEditText(form, cell.x(), cell.y()), before);
    GridCommitEdit(form, cell.x(), cell.y(), typed);
    QCOMPARE(form.Rec.WriteReg.load(), uint16_t(writeReg));
    QVERIFY2(slave.WaitForRequest(frame, 3000), qPrintable(slave.Tail()));
    QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, cell.x(), cell.y()),
                              QStringLiteral("%1").arg(typed.toUInt(nullptr, 16), 4, 16, QLatin1Char('0')).toUpper(),
                              3000);
    form.StopExchange();
}

void MainWindowTest::silverAfterErrorReply()
{
    // Two good replies, then every request answered with exception 2.
    SlaveProcess slave({QStringLiteral("--log"), QStringLiteral("--fault-from"), QStringLiteral("3"),
                        QStringLiteral("--exception"), QStringLiteral("2")});
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 0, 10, 50);
    form.StartExchange();
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(HostOf(form).OpenBox() != nullptr, 5000);
    QCOMPARE(HostOf(form).OpenBox()->icon(), QMessageBox::Information);
    HostOf(form).OpenBox()->accept();
    QTRY_COMPARE_WITH_TIMEOUT(GridColor(form).name(), QColor(192, 192, 192).name(), 5000);
    QCOMPARE(form.ReqErrorTF->Text(), QStringLiteral("Reply Addr or CmdCode Error"));
    QVERIFY(form.ReqErrorsCountTF->Text().toInt() >= 1);
    QVERIFY(form.ReplyTF->Text().endsWith(QLatin1String(" 01 83 02")));
    // The last good values stay, on silver.
    QCOMPARE(GridCellText(form, 3, 1), QStringLiteral("0002"));
    // No write while the status shows an error.
    GridCommitEdit(form, 1, 1, QStringLiteral("5"));
    QCOMPARE(form.Rec.WriteTries.load(), 0);
    QVERIFY(form.grab().save(PngPath("main_window_error.png")));
    form.StopExchange();
}

void MainWindowTest::stopWhilePolling()
{
    SlaveProcess slave;
    QVERIFY(slave.Port() != 0);
    TTarvix_Form form;
    Configure(form, slave.Port(), 0, 100, 0);
    QVERIFY(ConnectAndRead(form));
    QTRY_VERIFY_WITH_TIMEOUT(form.ReqCountTF->Text().toInt() > 50, 5000);
    QElapsedTimer t;
    t.start();
    form.StopExchange();
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!form.Rec.Thread);
    QVERIFY(!form.Rec.RegValues);
    // A new start with another count sizes the grid afresh.
    Configure(form, slave.Port(), 0, 31, 0);
    form.StartExchange();
    QCOMPARE(GridRowCount(form), 5);
    QVERIFY(GridCellText(form, 1, 1).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(HostOf(form).OpenBox() != nullptr, 5000);
    HostOf(form).OpenBox()->accept();
    QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 1, 4), QStringLiteral("001E"), 5000);

    // "Reconnect" stops, hides the window and shows the dialog.
    QWidget dialog;
    form.SetConnectionDialog(&dialog);
    form.ReconnButtonClick();
    QVERIFY(!form.Rec.Thread);
    QVERIFY(!form.isVisible());
    QVERIFY(dialog.isVisible());
    // Closing the window (close box or "Exit") stops the polling thread
    // and closes the dialog.
    dialog.hide();
    Configure(form, slave.Port(), 0, 10, 0);
    form.StartExchange();
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(HostOf(form).OpenBox() != nullptr, 5000);
    HostOf(form).OpenBox()->accept();
    QTRY_VERIFY_WITH_TIMEOUT(form.ReqCountTF->Text().toInt() > 50, 5000);
    dialog.show();
    form.CloseButtonClick();
    QVERIFY(!form.Rec.Thread);
    QVERIFY(!form.Rec.RegValues);
    QVERIFY(!form.isVisible());
    QVERIFY(!dialog.isVisible());
}

void MainWindowTest::stopWhileConnectPending()
{
    // A listener whose accept queue is full: further connects stay pending.
    const int lfd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QVERIFY(bind(lfd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0);
    QVERIFY(listen(lfd, 0) == 0);
    socklen_t len = sizeof a;
    getsockname(lfd, reinterpret_cast<sockaddr *>(&a), &len);
    std::vector<int> fillers;
    for (int k = 0; k < 4; ++k) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        fillers.push_back(fd);
    }
    TTarvix_Form form;
    Configure(form, ntohs(a.sin_port), 0, 10, 50);
    form.StartExchange();
    form.show();
    QTest::qWait(400);
    const bool pending = form.Rec.Running.load() == 0 && HostOf(form).OpenBox() == nullptr;
    QElapsedTimer t;
    t.start();
    form.StopExchange();
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!form.Rec.Thread);
    QVERIFY(!form.Rec.RegValues);
    for (int fd : fillers)
        ::close(fd);
    ::close(lfd);
    if (!pending)
        QSKIP("the loopback connect did not stay pending here");
}

void MainWindowTest::stopWhileBoxUp()
{
    TTarvix_Form form;
    Configure(form, ClosedPort(), 0, 0, 50);
    form.StartExchange();
    form.show();
    // A count of 0: one row of headers, no register anywhere.
    QCOMPARE(GridRowCount(form), 1);
    QCOMPARE(GridCellText(form, 0, 0), QStringLiteral("№"));
    QVERIFY(GridCellText(form, 1, 1).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(HostOf(form).OpenBox() != nullptr, 5000);
    QVERIFY(form.IntTF->Text().isEmpty());
    QVERIFY(form.WordAs4_20mA_TF->Text().isEmpty());
    QMessageBox *box = HostOf(form).OpenBox();
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QVERIFY(box->text().contains(QLatin1String("error 111")));
    QPointer<QMessageBox> watch(box);
    QElapsedTimer t;
    t.start();
    form.StopExchange();
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!form.Rec.Thread);
    QTRY_VERIFY(watch.isNull());
    // The window stays as the failed open left it: zero counters and "OK".
    QCOMPARE(form.ReqCountTF->Text(), QStringLiteral("0"));
    QCOMPARE(form.ReqErrorTF->Text(), QStringLiteral("OK"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
