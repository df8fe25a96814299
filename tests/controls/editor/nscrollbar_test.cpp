#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "controls/editor/Nscrollbar.h"
#include "tests/controls/control_test_util.h"

class NScrollBarTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void zeroMaxDisables();
    void setPosClampsAndFiresOnce();
    void scrollCodes();
    void heldArrowRepeatsUntilMax();
    void thumbDrag();
    void tooShortBarKeepsPositionWhileDragging();
    void render();
};

void NScrollBarTest::layout_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("pos");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("thumb");
    QTest::addColumn<int>("offset");
    // 68 * 10 / 110 = 6.
    QTest::newRow("auto wide") << QSize(100, 16) << int(TNScrollBar::sbkAuto) << 100 << 0 << true << 16 << 68 << 6 << 0;
    QTest::newRow("auto tall") << QSize(16, 100) << int(TNScrollBar::sbkAuto) << 100 << 100 << false << 16 << 68 << 6
                               << 62;
    QTest::newRow("forced vertical") << QSize(100, 16) << int(TNScrollBar::sbkVertical) << 100 << 0 << false << 4 << 8
                                     << 6 << 0;
    QTest::newRow("thick, arrow capped at 20")
        << QSize(300, 40) << int(TNScrollBar::sbkHorizontal) << 10 << 5 << true << 20 << 260 << 130 << 65;
    QTest::newRow("max 0: no thumb") << QSize(100, 16) << int(TNScrollBar::sbkAuto) << 0 << 0 << true << 16 << 68 << 0
                                     << 0;
}

void NScrollBarTest::layout()
{
    QFETCH(QSize, size);
    QFETCH(int, kind);
    QFETCH(int, max);
    QFETCH(int, pos);
    TNScrollBar bar;
    bar.resize(size);
    bar.SetKind(TNScrollBar::TNScrBar_Kind(kind));
    bar.SetMax(max);
    bar.SetPos(pos);
    bar.Calculate();
    QTEST(bar.IsHorizontal(), "horizontal");
    QTEST(bar.ArrowSize(), "arrow");
    QTEST(bar.TrackLength(), "track");
    QTEST(bar.ThumbSize(), "thumb");
    QTEST(bar.ThumbOffset(), "offset");
}

void NScrollBarTest::zeroMaxDisables()
{
    QWidget top;
    auto *bar = new TNScrollBar(&top);
    bar->setGeometry(0, 0, 100, 16);
    bar->SetPos(5);
    QSignalSpy scrolls(bar, &TNScrollBar::OnScroll);
    bar->SetMax(0);
    QVERIFY(!bar->isEnabled());
    QCOMPARE(bar->Max(), 0);
    QCOMPARE(bar->Pos(), 5);   // the position is left alone
    QVERIFY(ShowAndSettle(&top));
    for (const QPoint at : {QPoint(3, 8), QPoint(97, 8)}) {
        QTest::mousePress(bar, Qt::LeftButton, {}, at);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
    }
    QCOMPARE(bar->Pos(), 5);
    QCOMPARE(scrolls.count(), 0);
    QVERIFY(!bar->RepeatTimer()->isActive());
    bar->SetMax(50);
    QVERIFY(bar->isEnabled());
    // Negative and unchanged pages are ignored.
    bar->SetPage(-3);
    QCOMPARE(bar->Page(), 10);
}

void NScrollBarTest::setPosClampsAndFiresOnce()
{
    TNScrollBar bar;
    QSignalSpy changes(&bar, &TNScrollBar::OnChange);
    bar.SetPos(150);
    QCOMPARE(bar.Pos(), 100);
    bar.SetPos(150);
    bar.SetPos(100);
    QCOMPARE(changes.count(), 1);
    bar.SetPos(-4);
    QCOMPARE(bar.Pos(), 0);
    QCOMPARE(changes.count(), 2);
    // A smaller maximum pulls the position in.
    bar.SetPos(80);
    bar.SetMax(30);
    QCOMPARE(bar.Pos(), 30);
}

void NScrollBarTest::scrollCodes()
{
    struct Step {
        int pos;
        int code;
        bool taken;
        int after;
    };
    const Step steps[] = {
        {0, TNScrollBar::nscLineBack, false, 0},        {0, TNScrollBar::nscLineForward, true, 1},
        {5, TNScrollBar::nscPageBack, true, 0},         {95, TNScrollBar::nscPageForward, true, 100},
        {100, TNScrollBar::nscPageForward, false, 100}, {100, TNScrollBar::nscLineForward, false, 100},
        {40, TNScrollBar::nscThumbMoved, true, 40},     {40, TNScrollBar::nscNone, false, 40},
    };
    for (const Step &s : steps) {
        TNScrollBar bar;
        bar.SetPos(s.pos);
        QSignalSpy scrolls(&bar, &TNScrollBar::OnScroll);
        QCOMPARE(bar.Scroll(s.code), s.taken);
        QCOMPARE(bar.Pos(), s.after);
        QCOMPARE(scrolls.count(), s.taken ? 1 : 0);
        if (s.taken)
            QCOMPARE(scrolls.at(0).at(1).toInt(), s.code);
    }
}

void NScrollBarTest::heldArrowRepeatsUntilMax()
{
    QWidget top;
    auto *bar = new TNScrollBar(&top);
    bar->setGeometry(0, 0, 100, 16);
    bar->SetMax(4);
    QVERIFY(ShowAndSettle(&top));
    QSignalSpy scrolls(bar, &TNScrollBar::OnScroll);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(95, 8));
    QCOMPARE(bar->Pos(), 1);   // once at once
    QCOMPARE(bar->PressedPart(), int(TNScrollBar::nspForwardArrow));
    QVERIFY(bar->RepeatTimer()->isActive());
    QCOMPARE(bar->RepeatTimer()->interval(), TNScrollBar::FirstRepeatDelay);
    for (int expected = 2; expected <= 4; ++expected) {
        bar->OnTimer();
        QCOMPARE(bar->RepeatTimer()->interval(), TNScrollBar::RepeatInterval);
        QCOMPARE(bar->Pos(), expected);
        QVERIFY(bar->RepeatTimer()->isActive());
    }
    bar->OnTimer();   // at Max: not taken any more
    QVERIFY(!bar->RepeatTimer()->isActive());
    QCOMPARE(bar->PressedPart(), int(TNScrollBar::nspNone));
    QCOMPARE(scrolls.count(), 4);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(95, 8));
    QCOMPARE(scrolls.count(), 4);

    // The real timer drives it as well, back to 0.
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(3, 8));
    QTRY_COMPARE_WITH_TIMEOUT(bar->Pos(), 0, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!bar->RepeatTimer()->isActive(), 3000);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(3, 8));
}

void NScrollBarTest::thumbDrag()
{
    // A 20-pixel vertical bar: arrows 5, track 10, thumb 6, room to drag 4.
    QWidget top;
    auto *bar = new TNScrollBar(&top);
    bar->setGeometry(0, 0, 16, 20);
    QVERIFY(ShowAndSettle(&top));
    bar->Calculate();
    QCOMPARE(bar->ArrowSize(), 5);
    QCOMPARE(bar->ThumbSize(), 6);
    QSignalSpy scrolls(bar, &TNScrollBar::OnScroll);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(8, 7));
    QCOMPARE(bar->PressedPart(), int(TNScrollBar::nspThumbDrag));
    QTest::mouseMove(bar, QPoint(8, 9));   // 2 * 100 / 4
    QCOMPARE(bar->Pos(), 50);
    QTest::mouseMove(bar, QPoint(8, 40));   // far below: clamped
    QCOMPARE(bar->Pos(), 100);
    QTest::mouseMove(bar, QPoint(8, 41));   // no change: no report
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(8, 41));
    QList<int> codes;
    for (const QList<QVariant> &s : scrolls)
        codes << s.at(1).toInt();
    QCOMPARE(codes, (QList<int>{5, 6, 6, 7}));
    QCOMPARE(bar->PressedPart(), int(TNScrollBar::nspNone));
}

void NScrollBarTest::tooShortBarKeepsPositionWhileDragging()
{
    // 12 x 10: arrows 3, track 6, thumb 6: no room to drag.
    QWidget top;
    auto *bar = new TNScrollBar(&top);
    bar->setGeometry(0, 0, 12, 10);
    QVERIFY(ShowAndSettle(&top));
    bar->Calculate();
    QCOMPARE(bar->TrackLength() - bar->ThumbSize(), 0);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(bar->PressedPart(), int(TNScrollBar::nspThumbDrag));
    QTest::mouseMove(bar, QPoint(11, 5));
    QTest::mouseMove(bar, QPoint(-20, 5));
    QCOMPARE(bar->Pos(), 0);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(-20, 5));
}

void NScrollBarTest::render()
{
    QWidget top;
    top.resize(220, 80);
    auto *normal = new TNScrollBar(&top);
    normal->setGeometry(0, 0, 200, 16);
    normal->SetPos(30);
    auto *pressed = new TNScrollBar(&top);
    pressed->setGeometry(0, 24, 200, 16);
    pressed->SetPos(30);
    auto *disabled = new TNScrollBar(&top);
    disabled->setGeometry(0, 48, 200, 16);
    disabled->SetMax(0);
    auto *vertical = new TNScrollBar(&top);
    vertical->setGeometry(204, 0, 16, 80);
    vertical->SetPos(100);
    QVERIFY(ShowAndSettle(&top));

    // Holding the page-forward area greys it; the other bars show the dither.
    // The first bar's back arrow is held too: drawn pushed and flat.
    QTest::mousePress(normal, Qt::LeftButton, {}, QPoint(3, 8));
    QCOMPARE(normal->PressedPart(), int(TNScrollBar::nspBackArrow));
    QTest::mousePress(pressed, Qt::LeftButton, {}, QPoint(150, 8));
    QCOMPARE(pressed->PressedPart(), int(TNScrollBar::nspPageForward));
    const QImage img = Grab(&top);
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    QVERIFY(img.save(QStringLiteral(TARVIX_RENDER_DIR "/nscrollbar.png")));
    QVERIFY(img.scaled(img.size() * 4).save(QStringLiteral(TARVIX_RENDER_DIR "/nscrollbar_x4.png")));
    QTest::mouseRelease(pressed, Qt::LeftButton, {}, QPoint(150, 8));
    QTest::mouseRelease(normal, Qt::LeftButton, {}, QPoint(3, 8));

    QCOMPARE(Px(img, 180, 24 + 8), QStringLiteral("#808080"));
    QSet<QString> track;
    for (int x = 180; x < 184; ++x)
        track << Px(img, x, 8);
    QCOMPARE(track, (QSet<QString>{QStringLiteral("#c0c0c0"), QStringLiteral("#ffffff")}));
    // The disabled bar has no thumb: its whole track is dithered.
    QSet<QString> disabledTrack;
    for (int x = 20; x < 180; ++x)
        disabledTrack << Px(img, x, 48 + 8);
    QCOMPARE(disabledTrack.size(), 2);
}

QTEST_MAIN(NScrollBarTest)
#include "nscrollbar_test.moc"
