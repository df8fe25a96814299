#include <clocale>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "controls/Gtextfield.h"
#include "tests/controls/control_test_util.h"

namespace {
const QString Black = QStringLiteral("#000000");
const QString White = QStringLiteral("#ffffff");
const QColor Fill(0, 128, 128);
}   // namespace

class GTextFieldTest : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void frameLines_data();
    void frameLines();
    void noFrameFillsEverything();
    void leftTextSitsAtTheMarginAndIsCentredVertically();
    void rightTextEndsAtTheMargin();
    void centredTextRoundsTowardMinusInfinity_data();
    void centredTextRoundsTowardMinusInfinity();
    void tooWideCentredTextIsCutOnBothSides();
    void unchangedValuesCauseNoRepaint();
    void prtfFormatsAndNeverOverflows();
    void prtfUsesThePointWhateverTheLocale();
    void clickAndDoubleClick();
};

void GTextFieldTest::defaults()
{
    TGTextField f;
    QCOMPARE(f.Text(), QString());
    QCOMPARE(f.Border(), TGTextField::tfbLowered);
    QCOMPARE(f.TextAlign(), TGTextField::tfaLeft);
    QCOMPARE(f.Margin(), 4);
    QCOMPARE(f.Color(), f.palette().color(QPalette::Base));
    QCOMPARE(f.focusPolicy(), Qt::NoFocus);
    // The published names are what form files store.
    QCOMPARE(f.property("Border").toInt(), int(TGTextField::tfbLowered));
    QVERIFY(f.setProperty("Text", QStringLiteral("abc")));
    QCOMPARE(f.Text(), QStringLiteral("abc"));
}

void GTextFieldTest::frameLines_data()
{
    QTest::addColumn<int>("border");
    QTest::addColumn<QString>("leftTop");
    QTest::addColumn<QString>("rightBottom");
    QTest::newRow("lowered") << int(TGTextField::tfbLowered) << Black << White;
    QTest::newRow("raised") << int(TGTextField::tfbRaised) << White << Black;
    QTest::newRow("black") << int(TGTextField::tfbBlack) << Black << Black;
}

void GTextFieldTest::frameLines()
{
    QFETCH(int, border);
    QFETCH(QString, leftTop);
    QFETCH(QString, rightBottom);
    TGTextField f;
    f.resize(87, 17);
    f.SetColor(Fill);
    f.SetBorder(TGTextField::TGF_Border(border));
    const QImage img = Grab(&f);
    const int w = 87, h = 17;
    // Left column and top row whole, the lower-left and upper-right corners
    // included: the first line's end points are where the second starts.
    for (int y = 0; y < h; ++y)
        QCOMPARE(Px(img, 0, y), leftTop);
    for (int x = 0; x < w; ++x)
        QCOMPARE(Px(img, x, 0), leftTop);
    for (int y = 1; y < h; ++y)
        QCOMPARE(Px(img, w - 1, y), rightBottom);
    for (int x = 1; x < w; ++x)
        QCOMPARE(Px(img, x, h - 1), rightBottom);
    // One pixel wide: the interior starts right inside.
    QCOMPARE(Px(img, 1, 1), Fill.name());
    QCOMPARE(Px(img, w - 2, h - 2), Fill.name());
}

void GTextFieldTest::noFrameFillsEverything()
{
    TGTextField f;
    f.resize(87, 17);
    f.SetColor(Fill);
    f.SetBorder(TGTextField::tfbNone);
    const QImage img = Grab(&f);
    QCOMPARE(InkBox(img, img.rect(), Fill.rgb()), QRect());
}

void GTextFieldTest::leftTextSitsAtTheMarginAndIsCentredVertically()
{
    TGTextField f;
    f.resize(87, 17);
    f.SetColor(Fill);
    f.SetText("HHH");
    const QRect interior(1, 1, 85, 15);
    const QRect at4 = InkBox(Grab(&f), interior, Fill.rgb());
    QVERIFY(!at4.isEmpty());
    // The glyph's own side bearing may add a pixel or two, no more.
    QVERIFY2(at4.left() >= 4 && at4.left() <= 6, qPrintable(QString::number(at4.left())));
    const QFontMetrics fm(f.font());
    const int top = int(std::floor((17 - fm.height()) / 2.0));
    QVERIFY(at4.top() >= std::max(top, 1));
    QVERIFY(at4.bottom() < top + fm.height());

    f.SetMargin(14);
    const QRect at14 = InkBox(Grab(&f), interior, Fill.rgb());
    QCOMPARE(at14, at4.translated(10, 0));
}

void GTextFieldTest::rightTextEndsAtTheMargin()
{
    TGTextField f;
    f.resize(87, 17);
    f.SetColor(Fill);
    f.SetText("HHH");
    f.SetTextAlign(TGTextField::tfaRight);
    const QRect interior(1, 1, 85, 15);
    const QRect r4 = InkBox(Grab(&f), interior, Fill.rgb());
    QVERIFY(r4.right() <= 87 - 4 - 1 && r4.right() >= 87 - 4 - 3);
    f.SetMargin(10);
    QCOMPARE(InkBox(Grab(&f), interior, Fill.rgb()), r4.translated(-6, 0));
}

void GTextFieldTest::centredTextRoundsTowardMinusInfinity_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("extra");
    // Both parities of W - tw, with the text narrower and wider than the field.
    QTest::newRow("narrow, even") << QStringLiteral("HHH") << 0;
    QTest::newRow("narrow, odd") << QStringLiteral("HHH") << 1;
    QTest::newRow("wide, even") << QStringLiteral("HHHHHHHHHHHHHHHHHHHH") << 0;
    QTest::newRow("wide, odd") << QStringLiteral("HHHHHHHHHHHHHHHHHHHH") << 1;
}

void GTextFieldTest::centredTextRoundsTowardMinusInfinity()
{
    QFETCH(QString, text);
    QFETCH(int, extra);
    TGTextField f;
    const QFontMetrics fm(f.font());
    const int tw = fm.horizontalAdvance(text);
    const int w = 87 + ((87 - tw) % 2 != 0) + extra;   // pick the parity
    f.resize(w, 17);
    f.SetColor(Fill);
    f.SetBorder(TGTextField::tfbNone);
    f.SetText(text);
    f.SetTextAlign(TGTextField::tfaCenter);
    const QImage centred = Grab(&f);

    // The same text placed left at the floor of half the difference must
    // give the very same pixels.
    f.SetTextAlign(TGTextField::tfaLeft);
    f.SetMargin(int(std::floor((w - tw) / 2.0)));
    QCOMPARE(Grab(&f), centred);
}

void GTextFieldTest::tooWideCentredTextIsCutOnBothSides()
{
    TGTextField f;
    f.resize(87, 17);
    f.SetColor(Fill);
    f.SetTextAlign(TGTextField::tfaCenter);
    f.SetText("HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH");
    const QImage img = Grab(&f);
    const QRect ink = InkBox(img, QRect(1, 1, 85, 15), Fill.rgb());
    QCOMPARE(ink.left(), 1);
    QCOMPARE(ink.right(), 85);
    // The frame is drawn over the text.
    for (int y = 0; y < 17; ++y)
        QCOMPARE(Px(img, 0, y), Black);
    for (int y = 1; y < 17; ++y)
        QCOMPARE(Px(img, 86, y), White);
}

void GTextFieldTest::unchangedValuesCauseNoRepaint()
{
    QWidget top;
    top.resize(200, 60);
    auto *f = new TGTextField(&top);
    PaintCounter paints(f);
    QVERIFY(ShowAndSettle(&top));

    struct Step {
        const char *what;
        std::function<void()> act;
        bool repaints;
    };
    const std::vector<Step> steps = {
        {"null text on an empty field", [&] { f->SetText(static_cast<const char *>(nullptr)); }, false},
        {"empty string on an empty field", [&] { f->SetText(QString()); }, false},
        {"first text", [&] { f->SetText("12"); }, true},
        {"same text again", [&] { f->SetText("12"); }, false},
        {"same text as a string object", [&] { f->SetText(QStringLiteral("12")); }, false},
        {"same text through PrtF", [&] { f->PrtF("%d", 12); }, false},
        {"same border", [&] { f->SetBorder(TGTextField::tfbLowered); }, false},
        {"same alignment", [&] { f->SetTextAlign(TGTextField::tfaLeft); }, false},
        {"same margin", [&] { f->SetMargin(4); }, false},
        {"new margin", [&] { f->SetMargin(5); }, true},
        {"new border", [&] { f->SetBorder(TGTextField::tfbRaised); }, true},
        {"null text on a field with text", [&] { f->SetText(static_cast<const char *>(nullptr)); }, true},
    };
    for (const Step &s : steps) {
        paints.count = 0;
        s.act();
        FlushPaints();
        QVERIFY2(s.repaints ? paints.count >= 1 : paints.count == 0, s.what);
    }
    QCOMPARE(f->Text(), QString());
}

void GTextFieldTest::prtfFormatsAndNeverOverflows()
{
    TGTextField f;
    f.PrtF("%d|%i|%u", -5, 7, 40000u);
    QCOMPARE(f.Text(), QStringLiteral("-5|7|40000"));
    f.PrtF("%0.3f mA", 12.5);
    QCOMPARE(f.Text(), QStringLiteral("12.500 mA"));
    f.PrtF("%g", 0.25);
    QCOMPARE(f.Text(), QStringLiteral("0.25"));

    // A result longer than the buffer is cut at its end.
    const std::string longText(10000, 'x');
    f.PrtF("%s", longText.c_str());
    QCOMPARE(f.Text().size(), TGTextField::PrtFBufferSize - 1);
    f.PrtF("%s%s", "ab", longText.c_str());
    QVERIFY(f.Text().startsWith(QStringLiteral("abxxx")));
    QCOMPARE(f.Text().size(), TGTextField::PrtFBufferSize - 1);
}

void GTextFieldTest::prtfUsesThePointWhateverTheLocale()
{
    const char *candidates[] = {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU"};
    const std::string saved = setlocale(LC_NUMERIC, nullptr);
    const char *used = nullptr;
    for (const char *c : candidates)
        if (setlocale(LC_NUMERIC, c)) {
            used = c;
            break;
        }
    if (!used)
        QSKIP("no locale with a decimal comma is installed");
    TGTextField f;
    f.PrtF("%0.3f mA", 4.0);
    const QString got = f.Text();
    setlocale(LC_NUMERIC, saved.c_str());
    QCOMPARE(got, QStringLiteral("4.000 mA"));
}

void GTextFieldTest::clickAndDoubleClick()
{
    TGTextField f;
    f.resize(87, 17);
    QSignalSpy clicks(&f, &TGTextField::OnClick);
    QSignalSpy doubles(&f, &TGTextField::OnDblClick);
    QSignalSpy downs(&f, &TGTextField::OnMouseDown);

    QTest::mousePress(&f, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseRelease(&f, Qt::LeftButton, {}, QPoint(10, 5));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(downs.count(), 1);
    QCOMPARE(downs.at(0).at(3).toInt(), 10);
    QCOMPARE(downs.at(0).at(4).toInt(), 5);

    // Released outside: no click.
    QTest::mousePress(&f, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseRelease(&f, Qt::LeftButton, {}, QPoint(100, 5));
    QCOMPARE(clicks.count(), 1);

    // The second press of a double click arrives as a double-click event.
    const QPointF p(10, 5);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, p, f.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&f, &dbl);
    QTest::mouseRelease(&f, Qt::LeftButton, {}, QPoint(10, 5));
    QCOMPARE(doubles.count(), 1);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(downs.count(), 3);
}

QTEST_MAIN(GTextFieldTest)
#include "gtextfield_test.moc"
