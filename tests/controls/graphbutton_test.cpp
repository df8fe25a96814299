#include <functional>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "controls/Graphbutton.h"
#include "tests/controls/control_test_util.h"

namespace {

const QColor Silver(192, 192, 192);
const QColor Key(128, 128, 0);   // the glyph's background: its lower-left pixel

// A 16 x 16 glyph: background in the key colour, a red square with a white
// centre and a blue core.
QImage TestGlyph()
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(Key);
    QPainter p(&g);
    p.fillRect(2, 2, 12, 12, Qt::red);
    p.fillRect(5, 5, 6, 6, Qt::white);
    p.fillRect(7, 7, 2, 2, Qt::blue);
    return g;
}

QImage Solid(int w, int h, QColor c)
{
    QImage g(w, h, QImage::Format_RGB32);
    g.fill(c);
    return g;
}

void Press(QWidget *w, QPoint at = QPoint(5, 5))
{
    QTest::mousePress(w, Qt::LeftButton, {}, at);
}

void Release(QWidget *w, QPoint at = QPoint(5, 5))
{
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

void DoubleClickPress(QWidget *w, QPoint at = QPoint(5, 5))
{
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                  {});
    QApplication::sendEvent(w, &e);
}

}   // namespace

class GraphButtonTest : public QObject {
    Q_OBJECT

private slots:
    void newButtonDefaults();
    void exitButtonPlacesGlyphAndCaption();
    void frameColoursReleasedAndPressed();
    void loneGlyphOrCaptionIsCentred_data();
    void loneGlyphOrCaptionIsCentred();
    void glyphUpStacksCaptionBelow();
    void directPositionStartsAtTheCorner();
    void transparentGlyphLeavesOutTheKeyColour();
    void disabledLookIsEngraved();
    void unchangedValuesCauseNoRepaint();
    void clickOnReleaseInsideOnly();
    void disableClickIgnoresPresses();
    void twoQuickPressesAreTwoClicks();
    void autoRepeatClicksOnPressThenOnTimer();
    void disablingAHeldButtonEndsItsRepeat();
};

void GraphButtonTest::newButtonDefaults()
{
    TGraphButton b;
    QCOMPARE(b.size(), QSize(25, 25));
    QCOMPARE(b.Color(), Silver);
    QCOMPARE(b.Layout(), TGraphButton::gblGlyphLeft);
    QVERIFY(b.TransparentGlyph());
    QCOMPARE(b.RepeatPeriod(), 0);
    QVERIFY(!b.DisableClick());
    QVERIFY(!b.GetPressed());
    QVERIFY(b.Glyph().isNull());
    QCOMPARE(b.focusPolicy(), Qt::NoFocus);
    QVERIFY(b.setProperty("Layout", int(TGraphButton::gblDirectPos)));
    QCOMPARE(b.Layout(), TGraphButton::gblDirectPos);
    QVERIFY(!b.setProperty("GetPressed", true));   // read-only
}

void GraphButtonTest::exitButtonPlacesGlyphAndCaption()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetBitmap(Solid(16, 16, Qt::red));
    b.SetTransparentGlyph(false);
    b.SetCaption("Exit");
    const QFontMetrics fm(b.font());
    const int ty = (23 - fm.height()) >> 1;

    for (int pressed = 0; pressed <= 1; ++pressed) {
        if (pressed)
            Press(&b);
        const QImage img = Grab(&b);
        const int d = pressed;
        // Glyph at (93 / 16 + 1, (23 - 16) / 2) = (6, 3).
        QCOMPARE(InkBox(img, QRect(1, 1, 26, 21), Silver.rgb()), QRect(6 + d, 3 + d, 16, 16));
        // Caption from x = 2 * 6 + 16 = 28, centred vertically.
        const QRect caption = InkBox(img, QRect(25, 1, 67, 21), Silver.rgb());
        QVERIFY2(caption.left() >= 28 + d && caption.left() <= 30 + d, qPrintable(QString::number(caption.left())));
        QVERIFY(caption.top() >= ty + d);
        QVERIFY(caption.bottom() < ty + d + fm.height());
        if (pressed) {
            Release(&b);
            QVERIFY(!b.GetPressed());
        }
    }

    // The caption of gblGlyphLeft moves with BitmapDX too; CaptionDX moves
    // only the caption.
    const QRect base = InkBox(Grab(&b), QRect(25, 1, 67, 21), Silver.rgb());
    b.SetBitmapDX(3);
    b.SetCaptionDX(-2);
    b.SetCaptionDY(1);
    const QImage moved = Grab(&b);
    QCOMPARE(InkBox(moved, QRect(1, 1, 27, 21), Silver.rgb()), QRect(9, 3, 16, 16));
    QCOMPARE(InkBox(moved, QRect(27, 1, 65, 21), Silver.rgb()), base.translated(3 - 2, 1));
}

void GraphButtonTest::frameColoursReleasedAndPressed()
{
    TGraphButton b;
    b.resize(30, 20);
    struct Look {
        bool pressed;
        QString leftTop, rightBottom;
    } looks[] = {{false, "#ffffff", "#000000"}, {true, "#808080", "#e0e0e0"}};
    for (const Look &l : looks) {
        if (l.pressed)
            Press(&b);
        const QImage img = Grab(&b);
        for (int y = 0; y < 20; ++y)
            QCOMPARE(Px(img, 0, y), l.leftTop);
        for (int x = 0; x < 30; ++x)
            QCOMPARE(Px(img, x, 0), l.leftTop);
        for (int y = 1; y < 20; ++y)
            QCOMPARE(Px(img, 29, y), l.rightBottom);
        for (int x = 1; x < 30; ++x)
            QCOMPARE(Px(img, x, 19), l.rightBottom);
        QCOMPARE(InkBox(img, QRect(1, 1, 28, 18), Silver.rgb()), QRect());
    }
    Release(&b);
}

void GraphButtonTest::loneGlyphOrCaptionIsCentred_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("glyph left") << int(TGraphButton::gblGlyphLeft);
    QTest::newRow("glyph up") << int(TGraphButton::gblGlyphUp);
    QTest::newRow("centre all") << int(TGraphButton::gblCenterAll);
}

void GraphButtonTest::loneGlyphOrCaptionIsCentred()
{
    QFETCH(int, layout);
    TGraphButton b;
    b.resize(41, 26);
    b.SetLayout(TGraphButton::TGraphButtonLayout(layout));
    b.SetTransparentGlyph(false);
    b.SetBitmap(Solid(9, 7, Qt::red));
    // (41 - 9) / 2 = 16, (26 - 7) / 2 = 9 (rounded down).
    QCOMPARE(InkBox(Grab(&b), QRect(1, 1, 39, 24), Silver.rgb()), QRect(16, 9, 9, 7));

    // Caption only: the same place as the lone caption of gblCenterAll.
    b.SetBitmap(QPixmap());
    b.SetCaption("Ok");
    const QRect lone = InkBox(Grab(&b), QRect(1, 1, 39, 24), Silver.rgb());
    TGraphButton ref;
    ref.resize(41, 26);
    ref.SetLayout(TGraphButton::gblDirectPos);
    ref.SetCaption("Ok");
    const QFontMetrics fm(ref.font());
    ref.SetCaptionDX((41 - fm.horizontalAdvance("Ok")) >> 1);
    ref.SetCaptionDY((26 - fm.height()) >> 1);
    QCOMPARE(lone, InkBox(Grab(&ref), QRect(1, 1, 39, 24), Silver.rgb()));
}

void GraphButtonTest::glyphUpStacksCaptionBelow()
{
    TGraphButton b;
    b.resize(60, 50);
    b.SetLayout(TGraphButton::gblGlyphUp);
    b.SetTransparentGlyph(false);
    b.SetBitmap(Solid(16, 16, Qt::red));
    b.SetCaption("Up");
    const QImage img = Grab(&b);
    // Glyph at ((60 - 16) / 2, 50 / 16 + 1) = (22, 4); caption from y = 2 * 4 + 16 = 24.
    QCOMPARE(InkBox(img, QRect(1, 1, 58, 22), Silver.rgb()), QRect(22, 4, 16, 16));
    const QRect caption = InkBox(img, QRect(1, 21, 58, 28), Silver.rgb());
    QVERIFY(caption.top() >= 24);
}

void GraphButtonTest::directPositionStartsAtTheCorner()
{
    TGraphButton b;
    b.resize(40, 30);
    b.SetLayout(TGraphButton::gblDirectPos);
    b.SetTransparentGlyph(false);
    b.SetBitmap(Solid(8, 8, Qt::red));
    const QImage img = Grab(&b);
    // The glyph starts at (0, 0); the frame is drawn over its first row and column.
    QCOMPARE(Px(img, 0, 0), QStringLiteral("#ffffff"));
    QCOMPARE(Px(img, 7, 0), QStringLiteral("#ffffff"));
    QCOMPARE(Px(img, 0, 7), QStringLiteral("#ffffff"));
    QCOMPARE(InkBox(img, QRect(1, 1, 38, 28), Silver.rgb()), QRect(1, 1, 7, 7));
    b.SetBitmapDX(5);
    b.SetBitmapDY(4);
    QCOMPARE(InkBox(Grab(&b), QRect(1, 1, 38, 28), Silver.rgb()), QRect(5, 4, 8, 8));
}

void GraphButtonTest::transparentGlyphLeavesOutTheKeyColour()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetBitmap(TestGlyph());
    b.SetCaption("Exit");
    QImage img = Grab(&b);
    QCOMPARE(Px(img, 6, 3), Silver.name());   // key colour left out
    QCOMPARE(Px(img, 8, 5), QColor(Qt::red).name());
    QCOMPARE(Px(img, 13, 10), QColor(Qt::blue).name());
    b.SetTransparentGlyph(false);
    img = Grab(&b);
    QCOMPARE(Px(img, 6, 3), Key.name());
}

void GraphButtonTest::disabledLookIsEngraved()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetBitmap(TestGlyph());
    b.SetCaption("Exit");
    const QImage enabled = Grab(&b);
    b.setEnabled(false);
    const QImage img = Grab(&b);
    QVERIFY(img != enabled);
    // Glyph at (6, 3): key and white pixels show the face, every other
    // pixel is grey with a white copy one pixel right and below.
    const QString grey = QStringLiteral("#808080"), white = QStringLiteral("#ffffff");
    QCOMPARE(Px(img, 6, 3), Silver.name());   // key colour
    QCOMPARE(Px(img, 6 + 2, 3 + 2), grey);   // red edge, top-left
    QCOMPARE(Px(img, 6 + 14, 3 + 14), white);   // just past the red square
    QCOMPARE(Px(img, 6 + 6, 3 + 6), Silver.name());   // white centre, not below grey
    QCOMPARE(Px(img, 6 + 7, 3 + 7), grey);   // blue core
    // Caption: only grey, white and the face.
    const QRect caption = InkBox(img, QRect(25, 1, 67, 21), Silver.rgb());
    QVERIFY(!caption.isEmpty());
    bool sawGrey = false, sawWhite = false;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x <= caption.right(); ++x) {
            const QString c = Px(img, x, y);
            sawGrey |= c == grey;
            sawWhite |= c == white;
        }
    QVERIFY(sawGrey && sawWhite);
}

void GraphButtonTest::unchangedValuesCauseNoRepaint()
{
    QWidget top;
    top.resize(200, 60);
    auto *b = new TGraphButton(&top);
    b->SetCaption("Exit");
    PaintCounter paints(b);
    QVERIFY(ShowAndSettle(&top));
    const auto expect = [&](const char *what, bool repaints, auto act) {
        paints.count = 0;
        act();
        FlushPaints();
        QVERIFY2(repaints ? paints.count >= 1 : paints.count == 0, what);
    };
    expect("same caption", false, [&] { b->SetCaption("Exit"); });
    expect("same caption object", false, [&] { b->SetCaption(QStringLiteral("Exit")); });
    expect("same layout", false, [&] { b->SetLayout(TGraphButton::gblGlyphLeft); });
    expect("same offsets", false, [&] {
        b->SetBitmapDX(0);
        b->SetBitmapDY(0);
        b->SetCaptionDX(0);
        b->SetCaptionDY(0);
    });
    expect("same transparency", false, [&] { b->SetTransparentGlyph(true); });
    expect("repeat period and click switch", false, [&] {
        b->SetRepeatPeriod(50);
        b->SetDisableClick(false);
    });
    expect("new caption", true, [&] { b->SetCaption("Quit"); });
    expect("null caption", true, [&] { b->SetCaption(static_cast<const char *>(nullptr)); });
    expect("bitmap, always", true, [&] { b->SetBitmap(QPixmap()); });
    expect("disabled", true, [&] { b->setEnabled(false); });
}

void GraphButtonTest::clickOnReleaseInsideOnly()
{
    TGraphButton b;
    b.resize(93, 23);
    QSignalSpy clicks(&b, &TGraphButton::OnClick);
    Press(&b);
    QVERIFY(b.GetPressed());
    QCOMPARE(clicks.count(), 0);
    Release(&b, QPoint(92, 22));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<QObject *>(), &b);

    // Released just outside, on any side: cancelled, but released.
    const QPoint outside[] = {{93, 5}, {5, 23}, {-1, 5}, {5, -1}};
    for (QPoint at : outside) {
        Press(&b);
        Release(&b, at);
        QVERIFY(!b.GetPressed());
    }
    QCOMPARE(clicks.count(), 1);

    // Any mouse button presses.
    QTest::mousePress(&b, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(b.GetPressed());
    QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 2);
}

void GraphButtonTest::disableClickIgnoresPresses()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetRepeatPeriod(100);
    b.SetDisableClick(true);
    QSignalSpy clicks(&b, &TGraphButton::OnClick);
    const QImage before = Grab(&b);
    Press(&b);
    QVERIFY(!b.GetPressed());
    QVERIFY(!b.RepeatTimer());
    QCOMPARE(Grab(&b), before);
    Release(&b);
    b.SetRepeatPeriod(0);
    Press(&b);
    Release(&b);
    QCOMPARE(clicks.count(), 0);
}

void GraphButtonTest::twoQuickPressesAreTwoClicks()
{
    for (int period : {0, 100}) {
        TGraphButton b;
        b.resize(93, 23);
        b.SetRepeatPeriod(period);
        QSignalSpy clicks(&b, &TGraphButton::OnClick);
        Press(&b);
        Release(&b);
        DoubleClickPress(&b);   // the second press of a double click
        QVERIFY(b.GetPressed());
        Release(&b);
        QCOMPARE(clicks.count(), 2);
    }
}

void GraphButtonTest::autoRepeatClicksOnPressThenOnTimer()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetRepeatPeriod(100);

    // Without a connected click handler a press starts no repeat.
    Press(&b);
    QVERIFY(!b.RepeatTimer());
    Release(&b);

    QSignalSpy clicks(&b, &TGraphButton::OnClick);
    Press(&b);
    QCOMPARE(clicks.count(), 1);   // at once
    QTimer *t = b.RepeatTimer();
    QVERIFY(t);
    QVERIFY(t->isActive());
    QCOMPARE(t->interval(), 500);
    // The first step through the timer's own signal, the rest through its
    // handler: no waiting for real time.
    QVERIFY(QMetaObject::invokeMethod(t, "timeout"));
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(t->interval(), 100);
    for (int i = 3; i <= 7; ++i) {
        b.OnTimer();
        QCOMPARE(clicks.count(), i);
        QCOMPARE(t->interval(), 100);
    }
    // Held outside, it keeps repeating; the release never clicks.
    Release(&b, QPoint(500, 500));
    QCOMPARE(clicks.count(), 7);
    QVERIFY(!b.RepeatTimer());
    QVERIFY(!b.GetPressed());

    // A new press starts over with the 500 ms delay.
    Press(&b);
    QCOMPARE(b.RepeatTimer()->interval(), 500);
    Release(&b);
}

void GraphButtonTest::disablingAHeldButtonEndsItsRepeat()
{
    TGraphButton b;
    b.resize(93, 23);
    b.SetRepeatPeriod(100);
    QSignalSpy clicks(&b, &TGraphButton::OnClick);
    Press(&b);
    QVERIFY(b.RepeatTimer());
    // A disabled widget never sees its release: the press ends here.
    b.setEnabled(false);
    QVERIFY(!b.RepeatTimer());
    QVERIFY(!b.GetPressed());
    QTest::qWait(650);
    QCOMPARE(clicks.count(), 1);

    // The same when the press's own first click disables or hides the
    // button, or sees the release in a nested event loop: no repeat starts.
    const struct {
        const char *name;
        std::function<void(TGraphButton &)> onFirstClick;
    } cases[] = {
        {"disabled", [](TGraphButton &w) { w.setEnabled(false); }},
        {"hidden", [](TGraphButton &w) { w.hide(); }},
        {"released", [](TGraphButton &w) { Release(&w); }},
    };
    for (const auto &c : cases) {
        QWidget host;
        auto *held = new TGraphButton(&host);
        held->resize(93, 23);
        held->SetRepeatPeriod(100);
        QVERIFY(ShowAndSettle(&host));
        int count = 0;
        QObject::connect(held, &TGraphButton::OnClick, [&] {
            if (++count == 1)
                c.onFirstClick(*held);
        });
        Press(held);
        QVERIFY2(!held->RepeatTimer(), c.name);
        QVERIFY2(!held->GetPressed(), c.name);
        QTest::qWait(650);
        QVERIFY2(count == 1, c.name);
    }
}

QTEST_MAIN(GraphButtonTest)
#include "graphbutton_test.moc"
