// The window flow with a real exchange against the simulator on loopback:
// OK starts it, "Reconnect" stops it and brings the dialog back, "Exit" and
// the close box stop it before the program ends; the OK step's copy of the
// serial fields, and a stop while a TCP connect is still pending.

#include <QButtonGroup>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/Selconnunit.h"
#include "app/tarvix_app.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/app/dialog/dialog_support.h"
#include "tests/view/grid_cells.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"

namespace {

// Presses OK, closes the "connected" box and waits for the first good read.
void ConnectAndRead(TarvixWindows &w, int port)
{
    w.dialog->OkButton->click();
    QCOMPARE(CloseNextBox(), QStringLiteral("Connected to 127.0.0.1:%1 OK !").arg(port));
    QTRY_VERIFY_WITH_TIMEOUT(w.main->Rec.ValuesValid.load() != 0, 5000);
}

// The register image holds what the simulator serves: holding register a
// starts as a.
void CheckValues(const ExchangeRecord &rec, int start, int count)
{
    QCOMPARE(int(rec.RegCount.load()), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(int(rec.RegValues[i].load()), (start + i) & 0xFFFF);
}

void CheckSetup(TarvixWindows &w)
{
    QVERIFY(w.dialog->isVisible());
    QVERIFY(!w.main->isVisible());
    QVERIFY(!w.main->Rec.Thread);
    QVERIFY(!w.main->Rec.RegValues);
}

// A loopback listener whose accept queue is full, so that a further connect
// stays pending.
class FullListener {
public:
    FullListener()
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(fd_, reinterpret_cast<sockaddr *>(&a), len) != 0 || listen(fd_, 0) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        for (int i = 0; i < 3; ++i)
            fillers_[i] = Connect(a);
        QTest::qWait(100);
        const int probe = Connect(a);
        pollfd p{probe, POLLOUT, 0};
        pending_ = poll(&p, 1, 300) == 0;
        close(probe);
    }
    ~FullListener()
    {
        for (int f : fillers_)
            if (f >= 0)
                close(f);
        if (fd_ >= 0)
            close(fd_);
    }
    int port() const { return port_; }
    bool connectsPend() const { return pending_; }

private:
    static int Connect(const sockaddr_in &a)
    {
        const int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a);
        return s;
    }
    int fd_ = -1;
    int fillers_[3] = {-1, -1, -1};
    int port_ = 0;
    bool pending_ = false;
};

}   // namespace

class FlowTest : public QObject {
    Q_OBJECT
private slots:
    void okStartsTheExchange_data();
    void okStartsTheExchange();
    void reconnectAndOkTwice();
    void exitEndsTheThreadFirst_data();
    void exitEndsTheThreadFirst();
    void reconnectWhileConnectPending();
    void serialFieldsCopied_data();
    void serialFieldsCopied();
};

void FlowTest::okStartsTheExchange_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("10 from 0") << 0 << 10;
    QTest::newRow("1024 from 0") << 0 << 1024;
    QTest::newRow("25 from 100") << 100 << 25;
    QTest::newRow("20 from 65530") << 65530 << 20;
}

void FlowTest::okStartsTheExchange()
{
    QFETCH(int, start);
    QFETCH(int, count);
    ScopedCurrentDir dir;
    SlaveProcess slave({"--tcp", "0", "--seconds", "120"});
    QVERIFY(slave.port() > 0);
    WriteAll(dir.filePath("Tarvix.ini"), LoopbackSettings(slave.port(), start, count));
    TarvixWindows w;
    w.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.dialog.get()));

    ConnectAndRead(w, slave.port());
    QVERIFY(!w.dialog->isVisible());
    QVERIFY(w.main->isVisible());
    QCOMPARE(w.main->windowTitle(), QStringLiteral("Tarvix: Ethernet TCP"));
    QCOMPARE(GridRowCount(*w.main), (count + 9) / 10 + 1);
    CheckValues(w.main->Rec, start, count);

    w.main->ReconnButtonClick();
    CheckSetup(w);
}

void FlowTest::reconnectAndOkTwice()
{
    ScopedCurrentDir dir;
    SlaveProcess slave({"--tcp", "0", "--seconds", "120"});
    QVERIFY(slave.port() > 0);
    WriteAll(dir.filePath("Tarvix.ini"), LoopbackSettings(slave.port(), 0, 0));
    TarvixWindows w;
    w.dialog->show();

    // A count of 0 starts an exchange too.
    w.dialog->OkButton->click();
    QCOMPARE(CloseNextBox(), QStringLiteral("Connected to 127.0.0.1:%1 OK !").arg(slave.port()));
    QVERIFY(w.main->isVisible());
    QVERIFY(w.main->Rec.Thread);
    QCOMPARE(GridRowCount(*w.main), 1);
    w.main->ReconnButtonClick();
    CheckSetup(w);

    const int counts[] = {25, 47};
    for (int count : counts) {
        w.dialog->StartRegEdit->setValue(200);
        w.dialog->RegCountEdit->setValue(count);
        ConnectAndRead(w, slave.port());
        QCOMPARE(GridRowCount(*w.main), (count + 9) / 10 + 1);
        CheckValues(w.main->Rec, 200, count);
        w.main->ReconnButtonClick();
        CheckSetup(w);
    }
    // The fields are as the user left them.
    QCOMPARE(w.dialog->RegCountEdit->value(), 47);
    QVERIFY(ReadAll(dir.filePath("Tarvix.ini")).contains("RegCount=47\n"));
}

void FlowTest::exitEndsTheThreadFirst_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit button") << false;
    QTest::newRow("close box") << true;
}

void FlowTest::exitEndsTheThreadFirst()
{
    QFETCH(bool, closeBox);
    ScopedCurrentDir dir;
    SlaveProcess slave({"--tcp", "0", "--log", "--seconds", "120"});
    QVERIFY(slave.port() > 0);
    WriteAll(dir.filePath("Tarvix.ini"), LoopbackSettings(slave.port(), 0, 10));
    TarvixWindows w;
    w.dialog->show();
    w.dialog->UpdatePeriodEdit->setValue(0);   // poll as fast as it goes
    ConnectAndRead(w, slave.port());
    QTRY_VERIFY(slave.requests().size() >= 5);

    // The program's message loop ends once both windows are closed; the
    // thread must be gone by then.
    bool threadGone = false;
    const auto c = connect(qApp, &QCoreApplication::aboutToQuit,
                           [&] { threadGone = !w.main->Rec.Thread && !w.main->Rec.RegValues; });
    QTimer::singleShot(0, [&] {
        if (closeBox)
            w.main->close();
        else
            w.main->CloseButtonClick();
    });
    QTimer guard;   // never hang here when the loop does not end
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
    guard.start(10000);
    QElapsedTimer t;
    t.start();
    QApplication::exec();
    disconnect(c);
    QVERIFY2(guard.isActive(), "closing the main window did not end the message loop");
    QVERIFY(threadGone);
    QVERIFY(!w.main->isVisible());
    QVERIFY(!w.dialog->isVisible());
    QVERIFY(t.elapsed() < 3000);

    // No request reaches the simulator afterwards.
    const qsizetype n = slave.requests().size();
    QTest::qWait(300);
    QCOMPARE(slave.requests().size(), n);
}

void FlowTest::reconnectWhileConnectPending()
{
    ScopedCurrentDir dir;
    FullListener full;
    if (!full.connectsPend())
        QSKIP("loopback connects do not stay pending here");
    SlaveProcess slave({"--tcp", "0", "--seconds", "120"});
    QVERIFY(slave.port() > 0);
    WriteAll(dir.filePath("Tarvix.ini"), LoopbackSettings(full.port(), 0, 10));
    TarvixWindows w;
    w.dialog->show();
    w.dialog->OkButton->click();
    QTest::qWait(300);
    QVERIFY(VisibleBoxes().isEmpty());
    QCOMPARE(int(w.main->Rec.Running.load()), 0);

    QElapsedTimer t;
    t.start();
    w.main->ReconnButtonClick();
    QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    CheckSetup(w);
    QTest::qWait(100);
    QVERIFY(VisibleBoxes().isEmpty());

    // The next OK runs one new exchange against the simulator.
    w.dialog->IP_PortEdit->setValue(slave.port());
    ConnectAndRead(w, slave.port());
    CheckValues(w.main->Rec, 0, 10);
    w.main->ReconnButtonClick();
    CheckSetup(w);
}

void FlowTest::serialFieldsCopied_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baudItem");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("charTime");
    QTest::newRow("9600") << QStringLiteral("ttyTarvixAbsent0") << 3 << 9600 << 1560;
    QTest::newRow("115200") << QStringLiteral("/dev/ttyTarvixAbsent1") << 9 << 115200 << 130;
    QTest::newRow("no baud") << QStringLiteral("ttyTarvixAbsent2") << -1 << 0 << 0;
    QTest::newRow("long name") << QStringLiteral("ttyTarvix") + QString(60, 'x') << 0 << 1200 << 12480;
}

void FlowTest::serialFieldsCopied()
{
    QFETCH(QString, port);
    QFETCH(int, baudItem);
    QFETCH(int, baud);
    QFETCH(int, charTime);
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"), "[MODBUS]\nConnType=2\n[TCPIP]\nIPAddr=127.0.0.1\nPort=9\n[COM]\nBaud=none\n");
    TarvixWindows w;
    TSelConnForm &d = *w.dialog;
    d.show();
    d.COM_ComboBox->setEditText(port);
    d.BaudComboBox->setCurrentIndex(baudItem);
    d.ParityCheckBox->setChecked(false);
    d.RS485_CheckBox->setChecked(true);
    d.DTR_CheckBox->setChecked(true);
    d.SlaveAddrEdit->setValue(17);
    d.RadioButtonCmd4->setChecked(true);
    d.StartRegEdit->setValue(100);
    d.RegCountEdit->setValue(1024);
    d.UpdatePeriodEdit->setValue(0);
    d.MODBUSUDP_RButton->setChecked(true);
    d.UDPLocalPortEdit->setValue(1234);

    d.OkButton->click();
    const ExchangeRecord &r = w.main->Rec;
    QCOMPARE(w.main->windowTitle(), QStringLiteral("Tarvix: COM Port"));
    QCOMPARE(int(r.Conn.Kind), 2);
    QCOMPARE(QString::fromStdString(r.Conn.ComPortName), port);   // copied whole
    QCOMPARE(r.Conn.BaudRate, baud);
    QCOMPARE(r.Conn.CharTime, charTime);
    QCOMPARE(int(r.Conn.EvenParity), 0);
    QCOMPARE(int(r.Conn.RS485Control), 1);
    QCOMPARE(int(r.Conn.DTRAlwaysOn), 1);
    QCOMPARE(QString::fromStdString(r.Conn.IPAddr), QStringLiteral("127.0.0.1"));
    QCOMPARE(int(r.Conn.TargetPort), 9);
    QCOMPARE(int(r.SlaveAddr.load()), 17);
    QCOMPARE(int(r.ReadCmd.load()), 4);
    QCOMPARE(int(r.StartReg.load()), 100);
    QCOMPARE(int(r.RegCount.load()), 1024);
    QCOMPARE(int(r.UpdatePeriod.load()), 0);
    QCOMPARE(int(r.Conn.CrcFraming), 1);
    QCOMPARE(int(r.Conn.UDPLocalPort), 1234);
    QVERIFY(w.main->isVisible());
    QVERIFY(!d.isVisible());

    // The port does not exist: the open fails with its box and the thread ends.
    QVERIFY(!CloseNextBox().isEmpty());
    QTRY_VERIFY(r.Thread && r.Thread->Finished());
    QCOMPARE(int(r.Running.load()), 0);
    w.main->ReconnButtonClick();
    CheckSetup(w);
}

int main(int argc, char **argv)
{
    TarvixApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvix"));
    InstallFontSubstitutions();
    FlowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "flow_test.moc"
