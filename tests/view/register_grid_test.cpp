// The register grid model as its views see it: the signals after a display,
// a stop, a colour change and a moved start register, and every cell read
// through index.data(); an open cell editor keeps its text across displays.

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "engine/exchange_record.h"
#include "engine/modbus_frames.h"
#include "view/register_grid.h"

namespace {

constexpr int kCount = 13;   // two rows, the second one partly registers

struct Grid {
    ExchangeRecord rec;
    RegisterGridModel model{rec, [](uint16_t, const uint16_t *, int) {}};

    Grid()
    {
        rec.StartReg.store(40);
        rec.RegCount.store(kCount);
        rec.AllocRegValues(kCount);
        for (int i = 0; i < kCount; ++i)
            rec.RegValues[i].store(uint16_t(0xA000 + i * 0x11));
        rec.ValuesValid.store(1);
        model.SetCellColor(Qt::white);
        model.SetDataRows((kCount + 9) / 10);
    }
};

// The range and roles of the one dataChanged the spy holds.
void ExpectWholeRange(QSignalSpy &spy, const QAbstractItemModel &model, QList<int> roles)
{
    QCOMPARE(spy.count(), 1);
    const QList<QVariant> args = spy.takeFirst();
    QCOMPARE(args[0].toModelIndex(), model.index(0, 0));
    QCOMPARE(args[1].toModelIndex(), model.index(model.rowCount() - 1, model.columnCount() - 1));
    QCOMPARE(args[2].value<QList<int>>(), roles);
}

}   // namespace

class RegisterGridTest : public QObject {
    Q_OBJECT
private slots:
    void signalsAndEveryCell();
    void openEditorKeepsItsText();
    void rowHeadersInEveryNotation();
};

void RegisterGridTest::signalsAndEveryCell()
{
    Grid g;
    QSignalSpy data(&g.model, &QAbstractItemModel::dataChanged);
    QSignalSpy headers(&g.model, &QAbstractItemModel::headerDataChanged);
    QCOMPARE(g.model.rowCount(), 2);
    QCOMPARE(g.model.columnCount(), 10);

    struct Step {
        const char *name;
        std::function<void(Grid &)> change;
        QList<int> roles;   // of the one dataChanged; empty: no signal
        bool headersMoved;
        bool valid;   // the register texts are shown
        QColor colour;
    };
    const QList<int> text = {Qt::DisplayRole, Qt::EditRole};
    const Step steps[] = {
        {"display", [](Grid &g) { g.model.Refresh(); }, text, false, true, Qt::white},
        {"new values",
         [](Grid &g) {
             g.rec.RegValues[12].store(0x0BCD);
             g.model.Refresh();
         },
         text, false, true, Qt::white},
        {"failed exchange colour",
         [](Grid &g) { g.model.SetCellColor(QColor(192, 192, 192)); },
         {Qt::BackgroundRole},
         false,
         true,
         QColor(192, 192, 192)},
        {"same colour again",
         [](Grid &g) { g.model.SetCellColor(QColor(192, 192, 192)); },
         {},
         false,
         true,
         QColor(192, 192, 192)},
        {"start register moved",
         [](Grid &g) {
             g.rec.StartReg.store(1000);
             g.model.Refresh();
         },
         text, true, true, QColor(192, 192, 192)},
        {"stop",
         [](Grid &g) {
             g.rec.ValuesValid.store(0);
             g.rec.FreeRegValues();
             g.model.Refresh();
         },
         text, false, false, QColor(192, 192, 192)},
    };
    for (const Step &s : steps) {
        s.change(g);
        if (s.roles.isEmpty())
            QVERIFY2(data.isEmpty(), s.name);
        else
            ExpectWholeRange(data, g.model, s.roles);
        QCOMPARE(headers.count(), s.headersMoved ? 1 : 0);
        if (s.headersMoved) {
            const QList<QVariant> args = headers.takeFirst();
            QCOMPARE(args[0].value<Qt::Orientation>(), Qt::Vertical);
            QCOMPARE(args[1].toInt(), 0);
            QCOMPARE(args[2].toInt(), 1);
        }
        const int start = g.rec.StartReg.load();
        for (int row = 0; row < g.model.rowCount(); ++row) {
            QCOMPARE(g.model.headerData(row, Qt::Vertical, Qt::DisplayRole).toString(),
                     QString::number(start + row * 10) + QStringLiteral("  "));
            for (int col = 0; col < g.model.columnCount(); ++col) {
                const int i = row * 10 + col;
                QString want;
                if (s.valid && i < kCount)
                    want = QStringLiteral("%1").arg(g.rec.RegValues[i].load(), 4, 16, QLatin1Char('0')).toUpper();
                const QModelIndex cell = g.model.index(row, col);
                QCOMPARE(cell.data(Qt::DisplayRole).toString(), want);
                QCOMPARE(cell.data(Qt::EditRole).toString(), want);
                QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), s.colour);
            }
        }
    }
    for (int col = 0; col < 10; ++col)
        QCOMPARE(g.model.headerData(col, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("+%1").arg(col, 0, 16).toUpper());
}

// A display while the user types in a cell: the cells repaint, the editor's
// text stays as typed.
void RegisterGridTest::openEditorKeepsItsText()
{
    Grid g;
    RegisterGridView view;
    view.setModel(&g.model);
    view.setItemDelegate(new RegisterGridDelegate(&view));
    view.resize(460, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex cell = g.model.index(0, 3);
    view.setCurrentIndex(cell);
    view.edit(cell);
    auto *edit = view.findChild<QLineEdit *>();
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("A033"));
    edit->setText(QStringLiteral("12"));
    g.rec.RegValues[3].store(0x7777);
    g.model.Refresh();
    QCOMPARE(edit->text(), QStringLiteral("12"));
    QCOMPARE(cell.data().toString(), QStringLiteral("7777"));
}

// The row headers follow the notation and the table the read command reads;
// the protocol addresses are the default.
void RegisterGridTest::rowHeadersInEveryNotation()
{
    Grid g;
    QSignalSpy headers(&g.model, &QAbstractItemModel::headerDataChanged);
    struct Case {
        AddressNotation notation;
        FunctionCode read;
        uint16_t start;
        QStringList rows;
    };
    const Case cases[] = {
        {AddressNotation::ZeroBased, FunctionCode::ReadHolding, 40, {"40  ", "50  "}},
        {AddressNotation::OneBased, FunctionCode::ReadHolding, 40, {"41  ", "51  "}},
        {AddressNotation::Prefixed, FunctionCode::ReadHolding, 40, {"40041  ", "40051  "}},
        {AddressNotation::Prefixed, FunctionCode::ReadInput, 40, {"30041  ", "30051  "}},
        {AddressNotation::Prefixed, FunctionCode::ReadHolding, 9990, {"49991  ", "410001  "}},
        {AddressNotation::OneBased, FunctionCode::ReadHolding, 65530, {"65531  ", "65541  "}},
        {AddressNotation::ZeroBased, FunctionCode::ReadHolding, 65530, {"65530  ", "65540  "}},
    };
    for (const Case &c : cases) {
        g.rec.ReadCmd.store(c.read);
        g.rec.StartReg.store(c.start);
        g.model.SetNotation(c.notation);
        for (int r = 0; r < 2; ++r)
            QCOMPARE(g.model.headerData(r, Qt::Vertical, Qt::DisplayRole).toString(), c.rows[r]);
    }
    QCOMPARE(headers.count(), 4);   // one for each change of notation
}

QTEST_MAIN(RegisterGridTest)
#include "register_grid_test.moc"
