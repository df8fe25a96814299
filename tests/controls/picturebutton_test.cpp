#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "controls/Picturebutton.h"
#include "tests/controls/control_test_util.h"

namespace {

const QColor Silver(192, 192, 192);

void Key(QWidget *w, QEvent::Type type, int key, bool autoRepeat = false)
{
    QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(w, &e);
}

// Pixels of the dotted focus frame from (2, 2) to (W - 2, H - 2).
int FocusDots(const QImage &img)
{
    int dots = 0;
    for (int x = 2; x < img.width() - 2; ++x)
        for (int y : {2, img.height() - 3})
            dots += QColor(img.pixel(x, y)) != Silver;
    return dots;
}

struct Window {
    QWidget top;
    QWidget *first;
    TPictureButton *button;
    QWidget *last;
    Window()
    {
        top.resize(200, 80);
        first = new QWidget(&top);
        first->setFocusPolicy(Qt::StrongFocus);
        first->setGeometry(0, 0, 20, 20);
        button = new TPictureButton(&top);
        button->setGeometry(30, 10, 75, 25);
        last = new QWidget(&top);
        last->setFocusPolicy(Qt::StrongFocus);
        last->setGeometry(120, 0, 20, 20);
    }
};

}   // namespace

class PictureButtonTest : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void focusRectangleFollowsTheFocus();
    void mousePressFocusesOnlyWithTabStop();
    void heldSpaceClicksOnEveryKeyDown();
    void enterAndSpaceClickOtherKeysDoNot();
    void disableClickBlocksKeysButKeyUpReleases();
    void enterWhileMouseHoldsItDoesNotRepaintAgain();
    void mouseRulesAreTheGraphicButtons();
};

void PictureButtonTest::defaults()
{
    TPictureButton b;
    QCOMPARE(b.size(), QSize(25, 25));
    QCOMPARE(b.Color(), Silver);
    QCOMPARE(b.Layout(), TPictureButton::pblGlyphLeft);
    QVERIFY(!b.TabStop());
    QCOMPARE(b.focusPolicy(), Qt::NoFocus);
    QVERIFY(b.TransparentGlyph());
    // No published pressed state on this twin.
    QCOMPARE(b.metaObject()->indexOfProperty("GetPressed"), -1);
    QVERIFY(b.setProperty("Layout", int(TPictureButton::pblCenterAll)));
    QCOMPARE(b.Layout(), TPictureButton::pblCenterAll);
}

void PictureButtonTest::focusRectangleFollowsTheFocus()
{
    Window w;
    w.button->SetTabStop(true);
    QVERIFY(ShowAndSettle(&w.top));
    w.first->setFocus();
    QVERIFY(!w.button->hasFocus());
    QCOMPARE(FocusDots(Grab(w.button)), 0);

    QTest::keyClick(w.first, Qt::Key_Tab);
    QTRY_VERIFY(w.button->hasFocus());
    const QImage img = Grab(w.button);
    // Every other pixel of the rectangle, inverted.
    QCOMPARE(FocusDots(img), (75 - 4 + 1) / 2 * 2);
    QCOMPARE(Px(img, 2, 2), QStringLiteral("#3f3f3f"));
    QCOMPARE(Px(img, 3, 2), Silver.name());
    QCOMPARE(Px(img, 1, 1), Silver.name());
    QCOMPARE(Px(img, 72, 12), QStringLiteral("#3f3f3f"));   // right edge, x = W - 2 - 1
    QCOMPARE(Px(img, 72, 13), Silver.name());   // the gap between two dots
    QCOMPARE(Px(img, 73, 12), Silver.name());   // outside the rectangle

    QTest::keyClick(w.button, Qt::Key_Tab);
    QTRY_VERIFY(w.last->hasFocus());
    QCOMPARE(FocusDots(Grab(w.button)), 0);

    // Without TabStop, Tab passes it by.
    w.button->SetTabStop(false);
    w.first->setFocus();
    QTest::keyClick(w.first, Qt::Key_Tab);
    QTRY_VERIFY(w.last->hasFocus());
}

void PictureButtonTest::mousePressFocusesOnlyWithTabStop()
{
    Window w;
    QVERIFY(ShowAndSettle(&w.top));
    w.first->setFocus();
    QTest::mouseClick(w.button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w.first->hasFocus());

    w.button->SetTabStop(true);
    w.button->SetDisableClick(true);
    QTest::mouseClick(w.button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w.first->hasFocus());

    w.button->SetDisableClick(false);
    QTest::mousePress(w.button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w.button->hasFocus());
    QVERIFY(w.button->IsPressed());
    QTest::mouseRelease(w.button, Qt::LeftButton, {}, QPoint(5, 5));
}

void PictureButtonTest::heldSpaceClicksOnEveryKeyDown()
{
    TPictureButton b;
    b.resize(75, 25);
    QSignalSpy clicks(&b, &TPictureButton::OnClick);
    const QImage released = Grab(&b);
    Key(&b, QEvent::KeyPress, Qt::Key_Space);
    QVERIFY(b.IsPressed());
    QCOMPARE(clicks.count(), 1);
    const QImage pressed = Grab(&b);
    QVERIFY(pressed != released);
    QCOMPARE(Px(pressed, 0, 0), QStringLiteral("#808080"));
    // The keyboard's repeats: a release and a press marked auto-repeat.
    for (int i = 2; i <= 5; ++i) {
        Key(&b, QEvent::KeyRelease, Qt::Key_Space, true);
        QVERIFY(b.IsPressed());
        Key(&b, QEvent::KeyPress, Qt::Key_Space, true);
        QCOMPARE(clicks.count(), i);
    }
    Key(&b, QEvent::KeyRelease, Qt::Key_Space);
    QVERIFY(!b.IsPressed());
    QCOMPARE(clicks.count(), 5);
    QCOMPARE(Grab(&b), released);
}

void PictureButtonTest::enterAndSpaceClickOtherKeysDoNot()
{
    TPictureButton b;
    QSignalSpy clicks(&b, &TPictureButton::OnClick);
    const int keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_A, Qt::Key_Escape};
    for (int k : keys) {
        Key(&b, QEvent::KeyPress, k);
        Key(&b, QEvent::KeyRelease, k);
    }
    QCOMPARE(clicks.count(), 3);
    QVERIFY(!b.IsPressed());
}

void PictureButtonTest::disableClickBlocksKeysButKeyUpReleases()
{
    TPictureButton b;
    QSignalSpy clicks(&b, &TPictureButton::OnClick);
    Key(&b, QEvent::KeyPress, Qt::Key_Return);
    QVERIFY(b.IsPressed());
    b.SetDisableClick(true);
    Key(&b, QEvent::KeyPress, Qt::Key_Space);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(clicks.count(), 1);
    // Any key's release clears the pressed look set before.
    Key(&b, QEvent::KeyRelease, Qt::Key_A);
    QVERIFY(!b.IsPressed());
    Key(&b, QEvent::KeyPress, Qt::Key_Return);
    QVERIFY(!b.IsPressed());
    QCOMPARE(clicks.count(), 1);
}

void PictureButtonTest::enterWhileMouseHoldsItDoesNotRepaintAgain()
{
    QWidget top;
    top.resize(120, 50);
    auto *b = new TPictureButton(&top);
    b->resize(75, 25);
    PaintCounter paints(b);
    QSignalSpy clicks(b, &TPictureButton::OnClick);
    QVERIFY(ShowAndSettle(&top));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    FlushPaints();
    QVERIFY(b->IsPressed());
    paints.count = 0;
    Key(b, QEvent::KeyPress, Qt::Key_Return);
    FlushPaints();
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(paints.count, 0);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 2);
}

void PictureButtonTest::mouseRulesAreTheGraphicButtons()
{
    TPictureButton b;
    b.resize(75, 25);
    b.SetRepeatPeriod(50);
    QSignalSpy clicks(&b, &TPictureButton::OnClick);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 1);
    QVERIFY(b.RepeatTimer());
    QCOMPARE(b.RepeatTimer()->interval(), 500);
    b.OnTimer();
    QCOMPARE(b.RepeatTimer()->interval(), 50);
    QCOMPARE(clicks.count(), 2);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 2);
    QVERIFY(!b.RepeatTimer());
}

QTEST_MAIN(PictureButtonTest)
#include "picturebutton_test.moc"
