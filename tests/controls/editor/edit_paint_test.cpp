// The editor as painted: every glyph in its own character cell at every font
// size, coloured runs that meet without a gap, status fields that hold what
// they show, and renders of the editor to look at.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QTest>
#include <cmath>
#include <vector>

#include "controls/Gtextfield.h"
#include "controls/editor/Nscrollbar.h"
#include "controls/editor/Progedit.h"
#include "tests/controls/control_test_util.h"

class EditPaintTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void glyphsStayInTheirCells_data();
    void glyphsStayInTheirCells();
    void statusFieldsHoldTheirTexts_data();
    void statusFieldsHoldTheirTexts();
    void renders();
};

namespace {

QFont EditorFont(int points)
{
    QFont f(QStringLiteral("Courier New"), points);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

// 120 cells: a digit in every other one from column `first` (0 or 1), a blank
// between, so that no two glyphs' ink can touch even at small sizes.
QString SpacedDigits(int first)
{
    QString s;
    for (int col = 0; col < 120; ++col)
        s += (col - first) % 2 == 0 ? QChar(u'0' + col % 10) : QLatin1Char(' ');
    return s;
}

int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// The horizontal ink centres of the glyphs in the row [top, top + height),
// left to right. A pixel is ink where it differs clearly from the row's
// bottom pixel in its column (digits have no descenders, so that pixel shows
// the run's background); a glyph is a run of columns holding ink.
std::vector<double> InkCentres(const QImage &img, int top, int height, int from, int to)
{
    std::vector<double> centres;
    double weighted = 0, total = 0;
    for (int x = from; x <= to; ++x) {
        const QRgb back = img.pixel(x, top + height - 1);
        double ink = 0;
        for (int y = top; y < top + height - 1; ++y) {
            const int d = Distance(img.pixel(x, y), back);
            if (d > 240)
                ink += d;
        }
        if (ink > 0) {
            weighted += ink * x;
            total += ink;
        } else if (total > 0) {
            centres.push_back(weighted / total + 0.5);
            weighted = total = 0;
        }
    }
    if (total > 0)
        centres.push_back(weighted / total + 0.5);
    return centres;
}

}   // namespace

void EditPaintTest::initTestCase()
{
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

void EditPaintTest::glyphsStayInTheirCells_data()
{
    QTest::addColumn<int>("points");
    for (int points : {9, 10, 12, 14})
        QTest::addRow("%d pt", points) << points;
}

// Rows 0 and 1 hold digits in the even and in the odd columns of 120 cells;
// rows 2 and 3 the same with a column block over columns 37 to 82, so those
// rows are painted as three runs of two colours.
void EditPaintTest::glyphsStayInTheirCells()
{
    QFETCH(int, points);
    constexpr int Columns = 120, BlockFrom = 37, BlockTo = 83;
    TProgEdit e;
    e.setFont(EditorFont(points));
    const int cw = e.Model().Metrics().CharW;
    e.resize(TProgEdit::TextMargin + (Columns + 2) * cw + TProgEdit::BarThickness, 120);
    e.Model().ReplaceText(EditLines({SpacedDigits(0), SpacedDigits(1), SpacedDigits(0), SpacedDigits(1)}));
    EditModel &m = e.Model();
    m.SetBlock(EditBlock{pbColumn, true, {2, BlockFrom}, {3, BlockTo}});
    const QImage img = Grab(&e);
    const int ch = m.Metrics().CharH;
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    QVERIFY(img.copy(0, 0, 300, 4 * ch)
                .scaled(900, 12 * ch)
                .save(QStringLiteral(TARVIX_RENDER_DIR "/cells_%1pt_x3.png").arg(points)));
    const auto cellCentre = [&](int col) { return TProgEdit::TextMargin + (col + 0.5) * cw; };

    for (int row = 0; row < 4; ++row) {
        const std::vector<double> ink =
            InkCentres(img, row * ch, ch, TProgEdit::TextMargin, TProgEdit::TextMargin + Columns * cw + cw / 2);
        QCOMPARE(int(ink.size()), Columns / 2);
        for (int col = row % 2; col < Columns; col += 2)
            if (std::abs(ink[size_t(col / 2)] - cellCentre(col)) > 1.5)
                QFAIL(qPrintable(QStringLiteral("row %1, column %2: ink centre %3, cell centre %4")
                                     .arg(row)
                                     .arg(col)
                                     .arg(ink[size_t(col / 2)])
                                     .arg(cellCentre(col))));
    }
    // The block's background starts and ends exactly at its cells' edges.
    const int bottom = 4 * ch - 1;
    const QString block = TProgEdit::ToQColor(e.BlockColor).name();
    const int left = TProgEdit::TextMargin + BlockFrom * cw, right = TProgEdit::TextMargin + BlockTo * cw;
    QCOMPARE(Px(img, left - 1, bottom), QStringLiteral("#ffffff"));
    QCOMPARE(Px(img, left, bottom), block);
    QCOMPARE(Px(img, right - 1, bottom), block);
    QCOMPARE(Px(img, right, bottom), QStringLiteral("#ffffff"));
}

void EditPaintTest::statusFieldsHoldTheirTexts_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("lastLength");
    QTest::addColumn<QString>("pos");
    QTest::addColumn<QString>("count");
    QTest::addRow("one line") << 1 << 0 << "1 : 1"
                              << "1";
    QTest::addRow("100,000 lines, at the end") << 100000 << 3 << "100000 : 4"
                                               << "100000";
    QTest::addRow("a 200,000-character line, at its end") << 2 << 200002 << "2 : 200003"
                                                          << "2";
    QTest::addRow("the widest") << 1000000 << 999999 << "1000000 : 1000000"
                                << "1000000";
}

void EditPaintTest::statusFieldsHoldTheirTexts()
{
    QFETCH(int, lines);
    QFETCH(int, lastLength);
    QFETCH(QString, pos);
    QFETCH(QString, count);
    TProgEdit e;
    e.resize(400, 200);
    QStringList text(lines, QStringLiteral("abc"));
    text.last() = QString(lastLength, QLatin1Char('x'));
    e.Model().ReplaceText(EditLines(text));
    e.SetCursor(lines - 1, lastLength);
    Grab(&e);
    QCOMPARE(e.PosField()->Text(), pos);
    QCOMPARE(e.CountField()->Text(), count);

    // In their order, each wide enough for its text inside its frame, none
    // over the next or over the bar, all on the panel.
    const TGTextField *fields[] = {e.PosField(), e.CountField(), e.ModeField(), e.LangField()};
    int right = -2;   // the right edge of the previous field
    for (const TGTextField *f : fields) {
        const QRect g = f->geometry();
        QVERIFY2(QFontMetrics(f->font()).horizontalAdvance(f->Text()) <= g.width() - 2, qPrintable(f->Text()));
        QVERIFY2(g.left() > right, qPrintable(f->Text()));
        QCOMPARE(g.height(), TProgEdit::StatusHeight);
        right = g.right();
    }
    QVERIFY(e.HorzBar()->geometry().left() > right);
    QVERIFY(e.HorzBar()->geometry().right() < e.StatusPanel()->width() - TProgEdit::BarThickness);
}

// Renders to look at: the editor at three sizes with a block, a comment, the
// highlighted line and a found marker, and the status panel of a long text.
void EditPaintTest::renders()
{
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    const QStringList text = {
        QStringLiteral("// Регистры: чтение и запись ★ ✓"),
        QStringLiteral("    value_1 = value_1 + step; // step 1"),
        QStringLiteral("    if (value_2 > limit) { value_2 = 0; }"),
        QStringLiteral("0123456789012345678901234567890123456789012345678901234567890123456789"),
        QStringLiteral("    call(\"// not a comment\", 'x'); // but this is"),
        QStringLiteral("    return value_1 * 42;"),
    };
    for (int points : {9, 10, 14}) {
        TProgEdit e;
        e.setFont(EditorFont(points));
        e.resize(40 * points + 120, 9 * e.Model().Metrics().CharH + TProgEdit::StatusHeight);
        e.Model().ReplaceText(EditLines(text));
        EditModel &m = e.Model();
        m.HighlightLine = 5;
        m.SetBlock(EditBlock{pbStream, true, {1, 12}, {2, 21}});
        e.SetCursor(3, 20);
        const TPE_Pos found{3, 10};
        e.SetFoundMarker(10, &found);
        const QImage img = Grab(&e);
        const QString name = QStringLiteral(TARVIX_RENDER_DIR "/editor_%1pt.png").arg(points);
        QVERIFY(img.save(name));
        QVERIFY(
            img.scaled(img.size() * 2).save(QString(name).replace(QStringLiteral(".png"), QStringLiteral("_x2.png"))));
    }
    TProgEdit e;
    e.resize(400, 120);
    QStringList lines(100000, QStringLiteral("    value = value + step;"));
    e.Model().ReplaceText(EditLines(lines));
    e.SetCursor(lines.size() - 1, int(lines.last().size()));
    const QImage img = Grab(&e);
    const QImage panel =
        img.copy(0, img.height() - 2 * TProgEdit::StatusHeight, img.width(), 2 * TProgEdit::StatusHeight);
    QVERIFY(img.save(QStringLiteral(TARVIX_RENDER_DIR "/status_100000.png")));
    QVERIFY(panel.scaled(panel.size() * 3).save(QStringLiteral(TARVIX_RENDER_DIR "/status_100000_x3.png")));
}

QTEST_MAIN(EditPaintTest)
#include "edit_paint_test.moc"
