// The connection dialog and the About box without an exchange: loading the
// settings, the panel switch, the port list, the spin fields, the OK step's
// save and its stops, the exception display, and the look of both windows.

#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <stdexcept>

#include "../../special_files.h"
#include "app/Aboutunit.h"
#include "app/Selconnunit.h"
#include "app/tarvix_app.h"
#include "platform/serial_ports.h"
#include "tests/app/dialog/dialog_support.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"

namespace {

// Receives the addresses that the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

// An object whose event handler throws.
class Thrower : public QObject {
public:
    int calls = 0;

protected:
    void customEvent(QEvent *) override
    {
        ++calls;
        throw std::runtime_error("register image lost");
    }
};

const char kDefaultsFile[] = "[MODBUS]\nConnType=1\nSlaveAddr=1\nStartReg=0\nRegCount=256\n\n"
                             "[TCPIP]\nIPAddr=10.101.100.1\nPort=502\nLocalPort=0\n\n"
                             "[COM]\nPort=COM2\nBaud=115200\nParity=1\nRS485=0\nDTR=0\n";

bool InFront(const QFrame *panel)
{
    return !panel->isHidden();
}

// Texts that do not fit their control, and visible siblings that overlap.
QStringList LayoutFaults(QWidget *root)
{
    QStringList faults;
    const QList<QWidget *> all = root->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (!w->isVisibleTo(root) || w->isWindow())
            continue;
        const QString name = w->metaObject()->className() + QStringLiteral(" ") +
                             (qobject_cast<QLabel *>(w)            ? qobject_cast<QLabel *>(w)->text()
                              : qobject_cast<QAbstractButton *>(w) ? qobject_cast<QAbstractButton *>(w)->text()
                                                                   : QString());
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) {
            const QSize hint = w->sizeHint();
            if (hint.width() > w->width() || hint.height() > w->height() + 2)
                faults << QStringLiteral("clipped: %1 needs %2x%3, has %4x%5")
                              .arg(name)
                              .arg(hint.width())
                              .arg(hint.height())
                              .arg(w->width())
                              .arg(w->height());
        }
        if (QWidget *p = w->parentWidget(); p && !p->rect().contains(w->geometry()))
            faults << QStringLiteral("outside its parent: %1").arg(name);
        for (QWidget *o : all) {
            if (o == w || o->parentWidget() != w->parentWidget() || !o->isVisibleTo(root) || o->isWindow() || o < w)
                continue;
            if (o->geometry().intersects(w->geometry()))
                faults << QStringLiteral("overlap: %1 / %2").arg(name, o->metaObject()->className());
        }
    }
    return faults;
}

void SaveGrab(QWidget *w, const QString &name)
{
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    QVERIFY(w->grab().save(QStringLiteral(TARVIX_RENDER_DIR "/") + name));
}

}   // namespace

class DialogTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsDefaults();
    void storedConnectionType_data();
    void storedConnectionType();
    void storedTextsOutsideTheLists();
    void spinFieldsKeepTheirRange();
    void portListRebuiltAtEachDropDown();
    void storedPortSurvivesOk_data();
    void storedPortSurvivesOk();
    void settingsNameIsNoPlainFile_data();
    void settingsNameIsNoPlainFile();
    void okOnEmptyFileWritesDefaults();
    void okStops_data();
    void okStops();
    void tabOrder();
    void escAndExitCloseTheDialog();
    void closingTheDialogEndsTheLoop_data();
    void closingTheDialogEndsTheLoop();
    void enterPressesOk_data();
    void enterPressesOk();
    void enterOnAButtonPressesIt_data();
    void enterOnAButtonPressesIt();
    void aboutBox();
    void exceptionFromHandlerIsShown();
    void layoutFitsAndRenders();
    void startAddressInTheGridNotation();
};

void DialogTest::firstStartShowsDefaults()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    QVERIFY(QFile::exists(dir.filePath("Tarvix.ini")));
    QCOMPARE(QFileInfo(dir.filePath("Tarvix.ini")).size(), 0);

    QCOMPARE(d.windowTitle(), QStringLiteral("Connection Parameters"));
    // "Cmd 01" and "Cmd 02" sit right of the update period: the size is kept.
    QCOMPARE(d.size(), QSize(367, 308));
    QCOMPARE(d.ConnTypeIndex(), 1);
    QVERIFY(InFront(d.TCPIP_Panel));
    QVERIFY(!InFront(d.SerPanel));
    QVERIFY(!d.UDPLocalPortEdit->isHidden());
    QVERIFY(!d.UDPLocPortLabel->isHidden());
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM2"));
    QCOMPARE(d.BaudComboBox->currentText(), QStringLiteral("115200"));
    QVERIFY(d.ParityCheckBox->isChecked());
    QVERIFY(!d.RS485_CheckBox->isChecked());
    QVERIFY(!d.DTR_CheckBox->isChecked());
    QCOMPARE(d.IP_Addr_Edit->text(), QStringLiteral("10.101.100.1"));
    QCOMPARE(d.IP_PortEdit->value(), 502);
    QCOMPARE(d.UDPLocalPortEdit->value(), 0);
    QCOMPARE(d.SlaveAddrEdit->value(), 1);
    QCOMPARE(d.StartRegEdit->value(), 0);
    QCOMPARE(d.RegCountEdit->value(), 256);
    QCOMPARE(d.UpdatePeriodEdit->value(), 200);
    QVERIFY(d.RadioButtonCmd3->isChecked());
    // The four read commands are one choice.
    d.RadioButtonCmd1->click();
    QVERIFY(d.RadioButtonCmd1->isChecked() && !d.RadioButtonCmd3->isChecked());
    d.RadioButtonCmd4->click();
    QVERIFY(!d.RadioButtonCmd1->isChecked() && d.RadioButtonCmd4->isChecked());
    d.RadioButtonCmd3->click();
    QVERIFY(d.MODNET_RButton->isChecked());
    QCOMPARE(d.ParityCheckBox->toolTip(),
             QStringLiteral("Use Even Parity bit on COM port (or work without parity bit)"));
    QCOMPARE(d.RS485_CheckBox->toolTip(), QStringLiteral("Control RS485 driver on COM-port transmitter with RTS, DTR"));
    QVERIFY(d.OkButton->isDefault());
    // Loading wrote nothing.
    QCOMPARE(QFileInfo(dir.filePath("Tarvix.ini")).size(), 0);
}

void DialogTest::storedConnectionType_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("tcpipInFront");
    QTest::addColumn<bool>("localPortShown");
    QTest::newRow("0 TCP") << QByteArray("0") << 0 << true << false;
    QTest::newRow("1 UDP") << QByteArray("1") << 1 << true << true;
    QTest::newRow("2 COM") << QByteArray("2") << 2 << false << true;
    QTest::newRow("7 clamps to COM") << QByteArray("7") << 2 << false << true;
    QTest::newRow("0x0 reads as 0") << QByteArray("0x0") << 0 << true << false;
    QTest::newRow("-3 selects none") << QByteArray("-3") << -1 << false << true;
}

void DialogTest::storedConnectionType()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, index);
    QFETCH(bool, tcpipInFront);
    QFETCH(bool, localPortShown);
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"), "[MODBUS]\nConnType=" + stored + "\n");
    TSelConnForm d;
    QCOMPARE(d.ConnTypeIndex(), index);
    QCOMPARE(InFront(d.TCPIP_Panel), tcpipInFront);
    QCOMPARE(InFront(d.SerPanel), !tcpipInFront);
    QCOMPARE(!d.UDPLocalPortEdit->isHidden(), localPortShown);
    QCOMPARE(!d.UDPLocPortLabel->isHidden(), localPortShown);
    if (index < 0)
        QVERIFY(d.ConnTypeGroup->checkedButton() == nullptr);
}

void DialogTest::storedTextsOutsideTheLists()
{
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"),
             "[MODBUS]\nConnType=0\n[COM]\nPort=COM40\nBaud=12345\nParity=0\nRS485=\nDTR=0x1\n");
    TSelConnForm d;
    QCOMPARE(d.COM_ComboBox->currentIndex(), -1);
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM40"));   // shown as stored
    QCOMPARE(d.BaudComboBox->currentIndex(), -1);
    QCOMPARE(d.BaudComboBox->currentText(), QString());
    QVERIFY(!d.ParityCheckBox->isChecked());
    QVERIFY(d.RS485_CheckBox->isChecked());   // an empty flag reads as on
    QVERIFY(!d.DTR_CheckBox->isChecked());   // "0x1" begins with "0"

    // Choosing "COM Port" fills the empty fields with the first port and
    // 115200; a port name in the field stays.
    d.ConnTypeGroup->button(1)->click();
    QVERIFY(InFront(d.TCPIP_Panel));
    d.ConnTypeGroup->button(2)->click();
    QVERIFY(InFront(d.SerPanel));
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM40"));
    QCOMPARE(d.BaudComboBox->currentText(), QStringLiteral("115200"));
    d.COM_ComboBox->setEditText(QString());
    d.ConnTypeGroup->button(1)->click();
    d.ConnTypeGroup->button(2)->click();
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM1"));

    // A chosen port and rate stay when the type changes back and forth.
    d.COM_ComboBox->setCurrentIndex(4);
    d.BaudComboBox->setCurrentIndex(3);
    d.ConnTypeGroup->button(0)->click();
    d.ConnTypeGroup->button(2)->click();
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM5"));
    QCOMPARE(d.BaudComboBox->currentText(), QStringLiteral("9600"));
}

void DialogTest::spinFieldsKeepTheirRange()
{
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"),
             "[MODBUS]\nSlaveAddr=300\nStartReg=-5\nRegCount=0x100\n[TCPIP]\nPort=0\nLocalPort=70000\n"
             "[COM]\nPort=com7\n");
    TSelConnForm d;
    QCOMPARE(d.SlaveAddrEdit->value(), 255);
    QCOMPARE(d.StartRegEdit->value(), 0);
    QCOMPARE(d.RegCountEdit->value(), 256);
    QCOMPARE(d.IP_PortEdit->value(), 1);
    QCOMPARE(d.UDPLocalPortEdit->value(), 65535);
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM7"));   // letter case ignored

    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.UpdatePeriodEdit->setFocus();
    d.UpdatePeriodEdit->selectAll();
    QTest::keyClicks(d.UpdatePeriodEdit, "10005");
    d.RegCountEdit->setFocus();   // leaving the field brings it to the nearest bound
    QCOMPARE(d.UpdatePeriodEdit->value(), 10000);
    d.UpdatePeriodEdit->setValue(200);
    d.UpdatePeriodEdit->stepUp();
    QCOMPARE(d.UpdatePeriodEdit->value(), 210);
    d.RegCountEdit->stepUp();
    QCOMPARE(d.RegCountEdit->value(), 257);
}

void DialogTest::portListRebuiltAtEachDropDown()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.ConnTypeGroup->button(2)->click();
    d.COM_ComboBox->setEditText(QStringLiteral("ttyTyped7"));

    QStringList expected;
    for (const std::string &n : ListSerialPorts())
        expected << QString::fromStdString(n);
    for (int round = 0; round < 2; ++round) {
        d.COM_ComboBox->showPopup();
        QStringList items;
        for (int i = 0; i < d.COM_ComboBox->count(); ++i)
            items << d.COM_ComboBox->itemText(i);
        QCOMPARE(items, expected);   // rebuilt, not appended to the resource items
        QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("ttyTyped7"));
        d.COM_ComboBox->hidePopup();
    }
}

void DialogTest::storedPortSurvivesOk_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<int>("item");
    const QByteArray byId = "/dev/serial/by-id/usb-Acme_Serial_Bridge_0042A7F3-if00-port0";
    QVERIFY(byId.size() == 60);
    QTest::newRow("discovered name") << QByteArray("ttyUSB0") << QByteArray("ttyUSB0") << -1;
    QTest::newRow("by-id path") << byId << byId << -1;
    QTest::newRow("COM name selects its item") << QByteArray("com12") << QByteArray("COM12") << 11;
}

// A stored port name comes back whole in the field and the next OK writes it
// again, also after the connection type went elsewhere and back.
void DialogTest::storedPortSurvivesOk()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, saved);
    QFETCH(int, item);
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"), "[MODBUS]\nConnType=2\n[COM]\nPort=" + stored + "\n");
    TSelConnForm d;
    QCOMPARE(d.COM_ComboBox->currentText(), QString::fromUtf8(saved));
    QCOMPARE(d.COM_ComboBox->currentIndex(), item);
    d.ConnTypeGroup->button(0)->click();
    d.ConnTypeGroup->button(2)->click();
    d.OkButton->click();
    QVERIFY(ReadAll(dir.filePath("Tarvix.ini")).contains("\n[COM]\nPort=" + saved + "\n"));
}

void DialogTest::settingsNameIsNoPlainFile_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("fifo") << true;
    QTest::newRow("link to a zero device") << false;
}

// The dialog comes up at once on its defaults and OK leaves the name alone.
void DialogTest::settingsNameIsNoPlainFile()
{
    QFETCH(bool, fifo);
    ScopedCurrentDir dir;
    const std::string name = dir.filePath(QStringLiteral("Tarvix.ini")).toStdString();
    QVERIFY(fifo ? special_files::MakeFifo(name) : special_files::MakeZeroLink(name));
    const std::string before = special_files::Describe(name);
    const special_files::Watchdog dog(5);
    QElapsedTimer t;
    t.start();
    TSelConnForm d;
    QVERIFY(t.elapsed() < 2000);
    QCOMPARE(d.ConnTypeIndex(), 1);
    QCOMPARE(d.IP_Addr_Edit->text(), QStringLiteral("10.101.100.1"));
    QCOMPARE(d.COM_ComboBox->currentText(), QStringLiteral("COM2"));
    d.IP_Addr_Edit->setText(QStringLiteral("127.0.0.1"));
    d.OkButton->click();
    QCOMPARE(special_files::Describe(name), before);
}

void DialogTest::okOnEmptyFileWritesDefaults()
{
    // No main window exists here, so the OK step can only save.
    ScopedCurrentDir dir;
    QVERIFY(Tarvix_Form == nullptr);
    TSelConnForm d;
    d.OkButton->click();
    QCOMPARE(ReadAll(dir.filePath("Tarvix.ini")), QByteArray(kDefaultsFile));
}

void DialogTest::okStops_data()
{
    QTest::addColumn<QByteArray>("connType");
    QTest::addColumn<int>("count");
    QTest::newRow("count 1025") << QByteArray("0") << 1025;
    QTest::newRow("count 65535") << QByteArray("0") << 65535;
    QTest::newRow("no connection type") << QByteArray("-1") << 10;
}

void DialogTest::okStops()
{
    // The settings are saved, and the dialog stays without starting anything.
    QFETCH(QByteArray, connType);
    QFETCH(int, count);
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"), "[MODBUS]\nConnType=" + connType + "\nRegCount=" + QByteArray::number(count) +
                                             "\n[TCPIP]\nIPAddr=127.0.0.1\nPort=9\n");
    TSelConnForm d;
    TTarvix_Form w;
    d.SetMainWindow(&w);
    w.SetConnectionDialog(&d);
    d.show();
    d.StartRegEdit->setValue(33);
    const QString titleBefore = w.windowTitle();
    d.OkButton->click();

    QVERIFY(d.isVisible());
    QVERIFY(!w.isVisible());
    QVERIFY(!w.Rec.Thread);
    QVERIFY(!w.Rec.RegValues);
    const QByteArray saved = ReadAll(dir.filePath("Tarvix.ini"));
    QVERIFY2(saved.contains("StartReg=33\n"), saved.constData());
    QVERIFY(saved.contains("RegCount=" + QByteArray::number(count) + "\n"));
    if (connType == "-1") {
        QVERIFY(saved.contains("ConnType=-1\n"));
        QCOMPARE(w.windowTitle(), titleBefore);
    } else {
        // The fields before the count check are already copied.
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarvix: Ethernet TCP"));
        QCOMPARE(w.Rec.ConnTypeText, std::string("Ethernet TCP"));
        QCOMPARE(int(w.Rec.StartReg.load()), 33);
        QCOMPARE(int(w.Rec.RegCount.load()), count);
        QCOMPARE(int(w.Rec.UpdatePeriod.load()), 100);   // copied only past the check
    }
}

void DialogTest::tabOrder()
{
    // Tab walks the fields top to bottom, then the buttons; the panel behind
    // is never entered.
    ScopedCurrentDir dir;
    TSelConnForm d;
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    const QList<QWidget *> tcp = {d.ConnTypeGroup->button(1),
                                  d.IP_Addr_Edit,
                                  d.IP_PortEdit,
                                  d.UDPLocalPortEdit,
                                  d.MODNET_RButton,
                                  d.SlaveAddrEdit,
                                  d.RadioButtonCmd3,
                                  d.StartRegEdit,
                                  d.RegCountEdit,
                                  d.UpdatePeriodEdit,
                                  d.OkButton,
                                  d.CloseButton,
                                  d.AboutButton};
    const QList<QWidget *> com = {d.ConnTypeGroup->button(2),
                                  d.COM_ComboBox,
                                  d.BaudComboBox,
                                  d.ParityCheckBox,
                                  d.RS485_CheckBox,
                                  d.DTR_CheckBox,
                                  d.SlaveAddrEdit,
                                  d.RadioButtonCmd3,
                                  d.StartRegEdit,
                                  d.RegCountEdit,
                                  d.UpdatePeriodEdit,
                                  d.OkButton,
                                  d.CloseButton,
                                  d.AboutButton};
    for (const QList<QWidget *> &expected : {tcp, com}) {
        expected.first()->setFocus();
        static_cast<QAbstractButton *>(expected.first())->click();
        QList<QWidget *> walked;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QWidget *f = QApplication::focusWidget();
            // A spin box or an editable combo box has the focus in its editor.
            while (f && f != &d && !expected.contains(f))
                f = f->parentWidget();
            walked.append(f);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked, expected);
    }
}

void DialogTest::escAndExitCloseTheDialog()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.CloseButton->click();
    QVERIFY(!d.isVisible());
    // Neither wrote the settings.
    QCOMPARE(QFileInfo(dir.filePath("Tarvix.ini")).size(), 0);
}

void DialogTest::closingTheDialogEndsTheLoop_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit") << "Exit";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("close box") << "close box";
}

void DialogTest::closingTheDialogEndsTheLoop()
{
    // The dialog is the main form: closing it in any way ends the program's
    // message loop.
    QFETCH(QString, how);
    ScopedCurrentDir dir;
    TSelConnForm d;
    TTarvix_Form w;   // hidden, as at start-up
    d.SetMainWindow(&w);
    w.SetConnectionDialog(&d);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTimer::singleShot(0, [&] {
        if (how == "Exit")
            d.CloseButton->click();
        else if (how == "Esc")
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
    });
    QTimer guard;   // never hang here when the loop does not end
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
    guard.start(5000);
    QApplication::exec();
    QVERIFY2(guard.isActive(), "closing the dialog did not end the message loop");
    QVERIFY(!d.isVisible());
    QVERIFY(!w.isVisible());
}

void DialogTest::enterPressesOk_data()
{
    // The field that has the focus when Enter is pressed, and the panel in use.
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("connType");
    QTest::newRow("address text") << "IP_Addr_Edit" << 0;
    QTest::newRow("port spin field") << "IP_PortEdit" << 1;
    QTest::newRow("port combo box") << "COM_ComboBox" << 2;
    QTest::newRow("baud list") << "BaudComboBox" << 2;
    QTest::newRow("check box") << "ParityCheckBox" << 2;
    QTest::newRow("connection type") << "ConnTypeRG" << 0;
    QTest::newRow("count spin field") << "RegCountEdit" << 1;
}

void DialogTest::enterPressesOk()
{
    // Enter in any field presses the default button "OK", which saves the
    // settings (no main window exists here, so that is all OK does).
    QFETCH(QString, field);
    QFETCH(int, connType);
    ScopedCurrentDir dir;
    QVERIFY(Tarvix_Form == nullptr);
    TSelConnForm d;
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.ConnTypeGroup->button(connType)->click();
    QWidget *const fields[] = {d.IP_Addr_Edit, d.IP_PortEdit,    d.COM_ComboBox,
                               d.BaudComboBox, d.ParityCheckBox, d.ConnTypeGroup->button(connType),
                               d.RegCountEdit};
    const char *const names[] = {"IP_Addr_Edit",   "IP_PortEdit", "COM_ComboBox", "BaudComboBox",
                                 "ParityCheckBox", "ConnTypeRG",  "RegCountEdit"};
    QWidget *target = nullptr;
    for (size_t i = 0; i < std::size(fields); ++i)
        if (field == QLatin1String(names[i]))
            target = fields[i];
    QVERIFY(target);
    target->setFocus();
    QVERIFY(target->hasFocus());
    QCOMPARE(QFileInfo(dir.filePath("Tarvix.ini")).size(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    const QByteArray saved = ReadAll(dir.filePath("Tarvix.ini"));
    QVERIFY2(saved.contains("ConnType=" + QByteArray::number(connType) + "\n"), saved.constData());
}

void DialogTest::enterOnAButtonPressesIt_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("saved");   // OK ran
    QTest::addColumn<bool>("aboutShown");
    QTest::addColumn<bool>("dialogOpen");
    QTest::newRow("OK") << "OK" << true << false << true;
    QTest::newRow("Exit") << "Exit" << false << false << false;
    QTest::newRow("About") << "About" << false << true << true;
}

void DialogTest::enterOnAButtonPressesIt()
{
    // A button that has the focus takes Enter for itself; OK takes it
    // again once the focus leaves the buttons.
    QFETCH(QString, button);
    QFETCH(bool, saved);
    QFETCH(bool, aboutShown);
    QFETCH(bool, dialogOpen);
    ScopedCurrentDir dir;
    TSelConnForm d;
    TAboutForm about;
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QPushButton *target = button == "OK" ? d.OkButton : button == "Exit" ? d.CloseButton : d.AboutButton;
    target->setFocus();
    QVERIFY(target->hasFocus());
    bool wasShown = false;
    QTimer::singleShot(100, [&] {
        wasShown = QApplication::activeModalWidget() == &about;
        if (wasShown)
            about.OkButton->click();
    });
    QTest::keyClick(target, Qt::Key_Return);
    QTest::qWait(200);
    QCOMPARE(wasShown, aboutShown);
    QCOMPARE(d.isVisible(), dialogOpen);
    QCOMPARE(QFileInfo(dir.filePath("Tarvix.ini")).size() > 0, saved);
    if (!dialogOpen)
        return;
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.SlaveAddrEdit->setFocus();
    QTest::keyClick(d.SlaveAddrEdit, Qt::Key_Return);
    QVERIFY(QFileInfo(dir.filePath("Tarvix.ini")).size() > 0);
}

void DialogTest::aboutBox()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    TAboutForm about;
    QCOMPARE(AboutForm, &about);
    QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
    QCOMPARE(about.size(), QSize(290, 174));
    QCOMPARE(about.VerLabel->text(), QStringLiteral("Version: 1.13 from 17.05.2016"));
    QCOMPARE(about.Image1->pixmap().size(), QSize(64, 64));
    QCOMPARE(about.RxLabel2->cursor().shape(), Qt::PointingHandCursor);

    // "&About..." shows the box modally; its OK hides it again.
    d.show();
    bool wasModal = false;
    QTimer::singleShot(50, [&] {
        wasModal = QApplication::activeModalWidget() == &about;
        about.OkButton->click();
    });
    d.AboutButton->click();
    QVERIFY(wasModal);
    QVERIFY(!about.isVisible());
    QCOMPARE(d.AboutButton->text(), QStringLiteral("&About..."));
    QVERIFY(!d.AboutButton->icon().isNull());

    // A click on the notice asks the desktop to open the project's page.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    about.show();
    QTest::mouseClick(about.RxLabel2, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QString::fromLatin1(kProjectPage))});
}

void DialogTest::exceptionFromHandlerIsShown()
{
    // A handler that throws: its message is shown and the program goes on.
    // (An event object of its own: an exception thrown through the input
    // handling of the toolkit's widget library skips that library's clean-up.)
    Thrower thrower;
    for (int round = 0; round < 2; ++round) {
        const QString text = TextOfModalBox([&] {
            QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
            QCoreApplication::sendPostedEvents(&thrower, QEvent::User);
        });
        QCOMPARE(text, QStringLiteral("register image lost"));
    }
    QCOMPARE(thrower.calls, 2);
}

void DialogTest::layoutFitsAndRenders()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    TAboutForm about;
    d.show();
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const char *const panels[] = {"tcp", "udp", "com"};
    for (int i = 0; i < 3; ++i) {
        d.ConnTypeGroup->button(i)->click();
        const QStringList faults = LayoutFaults(&d);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        SaveGrab(&d, QStringLiteral("dialog-%1.png").arg(panels[i]));
    }
    const QStringList faults = LayoutFaults(&about);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    SaveGrab(&about, QStringLiteral("about.png"));
}

// "View Registers From" shows and reads the address in the grid's notation
// for the table the read command reads; an address of another table is
// refused at OK with the reason, and nothing starts.
void DialogTest::startAddressInTheGridNotation()
{
    ScopedCurrentDir dir;
    WriteAll(dir.filePath("Tarvix.ini"),
             "[MODBUS]\nConnType=0\nStartReg=100\nRegCount=10\n[TCPIP]\nIPAddr=127.0.0.1\nPort=9\n");
    TSelConnForm d;
    TTarvix_Form w;
    w.SetGridView({ValueFormat::Hex, {}, AddressNotation::Prefixed});
    d.SetMainWindow(&w);
    w.SetConnectionDialog(&d);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto *text = d.StartRegEdit->findChild<QLineEdit *>();
    QCOMPARE(text->text(), QStringLiteral("40101"));
    d.RadioButtonCmd4->setChecked(true);
    QCOMPARE(text->text(), QStringLiteral("30101"));
    d.RadioButtonCmd3->setChecked(true);

    struct Typed {
        AddressNotation notation;
        const char *text;
        int address;   // -1: refused
        const char *why;
    };
    const Typed cases[] = {
        {AddressNotation::Prefixed, "40001", 0, ""},
        {AddressNotation::Prefixed, "465536", 65535, ""},
        {AddressNotation::Prefixed, "30001", -1, "input register, but holding registers are read"},
        {AddressNotation::Prefixed, "400000", -1, "not from 1 to 65536"},
        {AddressNotation::OneBased, "1", 0, ""},
        {AddressNotation::OneBased, "0", -1, "not from 1 to 65536"},
        {AddressNotation::ZeroBased, "7", 7, ""},
    };
    for (const Typed &c : cases) {
        w.SetGridView({ValueFormat::Hex, {}, c.notation});
        d.StartRegEdit->setValue(100);
        d.StartRegEdit->setFocus();
        QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(text, QString::fromLatin1(c.text));
        const QString box = TextOfModalBox([&] { d.OkButton->click(); });
        if (c.address < 0) {
            QVERIFY2(box.contains(QLatin1String(c.why)),
                     qPrintable(QLatin1String(c.text) + " / " + text->text() + " / " + box));
            QVERIFY(box.startsWith(QLatin1String("View Registers From: ") + QLatin1String(c.text)));
            QVERIFY(!w.Rec.Thread);
            QCOMPARE(d.StartRegEdit->value(), 100);
        } else {
            QVERIFY2(box.isEmpty() || box.contains(QLatin1String("127.0.0.1")), qPrintable(box));
            QCOMPARE(int(w.Rec.StartReg.load()), c.address);
            w.StopExchange();
            d.show();
        }
    }
}

int main(int argc, char **argv)
{
    TarvixApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvix"));
    InstallFontSubstitutions();
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dialog_test.moc"
