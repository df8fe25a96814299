// The main window reading coils and discrete inputs from a tarvix-slave:
// bits ten to a row, a coil written only when its edit is committed (0, 1,
// Space to toggle; function 5, or 15 with the 0x10 box), Escape sending
// nothing, discrete inputs never edited, the value panel's ON/OFF.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QThread>
#include <QtTest>

#include "controls/Gtextfield.h"
#include "engine/Modbus_thread_unit.h"
#include "tests/view/grid_cells.h"
#include "tests/view/slave_process.h"
#include "tests/view/window_setup.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"
#include "view/gui_host.h"

namespace {

void Configure(TTarvix_Form &form, quint16 port, FunctionCode cmd, uint16_t start, uint16_t count)
{
    ConfigureTcp(form, port, cmd, start, count, 50);
}

bool ConnectAndRead(TTarvix_Form &form)
{
    form.StartExchange();
    form.show();
    auto &host = dynamic_cast<GuiHost &>(form.Host());
    if (!PumpUntil([&] { return host.OpenBox() != nullptr; }, 5000))
        return false;
    host.OpenBox()->accept();
    if (!PumpUntil([&] { return form.Rec.BitsValid.load() != 0 && GridColor(form) == QColor(Qt::white); }, 5000))
        return false;
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form) && form.MODBUS_Grid->hasFocus();
}

void Key(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

}   // namespace

class BitGridTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void coilsWrittenOnCommit()
    {
        SlaveProcess slave({QStringLiteral("--log")});
        QVERIFY(slave.Port() != 0);
        TTarvix_Form form;
        Configure(form, slave.Port(), FunctionCode::ReadCoils, 0, 12);
        QVERIFY(ConnectAndRead(form));
        QCOMPARE(GridRowCount(form), 3);
        QCOMPARE(GridCellText(form, 1, 1), QStringLiteral("0"));
        QCOMPARE(GridCellText(form, 2, 2), QStringLiteral("0"));   // coil 11
        QCOMPARE(GridCellText(form, 3, 2), QString());   // no coil 12
        QTRY_COMPARE_WITH_TIMEOUT(form.BitTF->Text(), QStringLiteral("OFF"), 3000);
        QVERIFY(form.IntTF->Text().isEmpty() && form.WordAs4_20mA_TF->Text().isEmpty());

        // A typed 1 is sent only with Enter, as function 5.
        Key(Qt::Key_1);
        QTest::qWait(200);
        QVERIFY2(!slave.Tail().contains(QStringLiteral("01 05")), qPrintable(slave.Tail()));
        Key(Qt::Key_Return);
        QVERIFY2(slave.WaitForRequest(QStringLiteral("01 05 00 00 FF 00"), 3000), qPrintable(slave.Tail()));
        QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 1, 1), QStringLiteral("1"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(form.BitTF->Text(), QStringLiteral("ON"), 3000);

        // Space turns the coil over; Escape leaves it as it is.
        Key(Qt::Key_Space);
        Key(Qt::Key_Escape);
        QTest::qWait(200);
        Key(Qt::Key_Space);
        Key(Qt::Key_Return);
        QVERIFY2(slave.WaitForRequest(QStringLiteral("01 05 00 00 00 00"), 3000), qPrintable(slave.Tail()));
        QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 1, 1), QStringLiteral("0"), 3000);
        int offWrites = 0;
        for (const QString &r : slave.Requests())
            offWrites += r == QLatin1String("01 05 00 00 00 00");
        QCOMPARE(offWrites, 1);

        // With the 0x10 box ticked the same edit goes out as function 15;
        // moving away commits it.
        QTest::mouseClick(form.WriteBy0x10, Qt::LeftButton);
        form.MODBUS_Grid->setCurrentIndex(form.MODBUS_Grid->model()->index(0, 3));
        Key(Qt::Key_1);
        Key(Qt::Key_Down);
        QVERIFY2(slave.WaitForRequest(QStringLiteral("01 0F 00 03 00 01 01 01"), 3000), qPrintable(slave.Tail()));
        QTRY_COMPARE_WITH_TIMEOUT(GridCellText(form, 4, 1), QStringLiteral("1"), 3000);
        QVERIFY(form.grab().save(PngPath(QStringLiteral("bits_12_coils.png"))));
        form.StopExchange();
    }

    void discreteInputsAreNotEdited()
    {
        SlaveProcess slave({QStringLiteral("--log")});
        QVERIFY(slave.Port() != 0);
        TTarvix_Form form;
        Configure(form, slave.Port(), FunctionCode::ReadDiscrete, 5, 8);
        QVERIFY(ConnectAndRead(form));
        QStringList row;
        for (int c = 1; c <= 10; ++c)
            row << GridCellText(form, c, 1);
        QCOMPARE(row.join(QLatin1Char(',')), QStringLiteral("1,0,1,0,1,0,1,0,,"));
        QCOMPARE(GridCellText(form, 0, 1), QStringLiteral("5  "));
        QTRY_COMPARE_WITH_TIMEOUT(form.BitTF->Text(), QStringLiteral("ON"), 3000);
        Key(Qt::Key_0);
        Key(Qt::Key_Return);
        QTest::qWait(300);
        QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        for (const QString &r : slave.Requests())
            QVERIFY2(r.startsWith(QLatin1String("01 02 ")), qPrintable(r));
        form.StopExchange();
    }

    // The window at 8, 2000 and 1 bits, for looking at.
    void shots_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("8") << 8;
        QTest::newRow("2000") << 2000;
        QTest::newRow("1") << 1;
    }
    void shots()
    {
        QFETCH(int, count);
        SlaveProcess slave;
        QVERIFY(slave.Port() != 0);
        TTarvix_Form form;
        Configure(form, slave.Port(), FunctionCode::ReadDiscrete, 0, uint16_t(count));
        QVERIFY(ConnectAndRead(form));
        QCOMPARE(GridRowCount(form), 1 + (count + 9) / 10);
        QCOMPARE(GridCellText(form, 1 + (count - 1) % 10, 1 + (count - 1) / 10),
                 (count - 1) % 2 ? QStringLiteral("1") : QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(!form.BitTF->Text().isEmpty(), 3000);
        QVERIFY(form.grab().save(PngPath(QStringLiteral("bits_%1.png").arg(count))));
        form.StopExchange();
    }
};

QTEST_MAIN(BitGridTest)
#include "bit_grid_test.moc"
