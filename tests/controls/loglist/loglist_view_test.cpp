// Scroll model, keys, mouse and painting of the log list.

#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "tests/controls/loglist/loglist_test_util.h"
#include "ui_loglist_form.h"

namespace {

struct LogViewTest : ::testing::Test {
    void SetUp() override
    {
        list.Clock = FixedTime;
        list.resize(240, 120);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    void Add(int n)
    {
        for (int i = 0; i < n; ++i)
            list.SysLogMsg("message %d", next++);
        list.UpdateParams();
    }
    QScrollBar *V() { return list.verticalScrollBar(); }
    QScrollBar *H() { return list.horizontalScrollBar(); }
    int Shown() { return int(Lines(list).size()) - list.FirstLine(); }
    // The last shown line lies wholly inside the viewport.
    bool LastLineVisible()
    {
        const int top = (Shown() - 1) * list.LineHeight() - V()->value();
        return top >= 0 && top + list.LineHeight() <= list.viewport()->height();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(&list, Qt::Key(key), mods); }

    TLogList list;
    int next = 0;
};

// Counts paint events of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

}   // namespace

TEST_F(LogViewTest, FollowsTheEndUntilTheUserScrollsAway)
{
    EXPECT_TRUE(list.OnEnd());   // the first resize finds the empty text at its end
    Add(30);
    ASSERT_GT(V()->maximum(), 0);
    EXPECT_EQ(V()->singleStep(), list.LineHeight());
    EXPECT_EQ(list.TotalHeight(), 30 * list.LineHeight() + 2);
    EXPECT_TRUE(list.OnEnd());
    EXPECT_TRUE(LastLineVisible());
    Add(5);
    EXPECT_EQ(V()->value(), V()->maximum());
    EXPECT_TRUE(LastLineVisible());

    // One line up: new lines leave the view where it is.
    Key(Qt::Key_Up);
    EXPECT_FALSE(list.OnEnd());
    const int held = V()->value();
    EXPECT_EQ(held, V()->maximum() - list.LineHeight());
    Add(10);
    EXPECT_EQ(V()->value(), held);
    EXPECT_FALSE(LastLineVisible());

    // Ctrl+Page Down resumes the following.
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(list.OnEnd());
    Add(3);
    EXPECT_TRUE(LastLineVisible());

    // So does moving the scroll bar back to the bottom.
    V()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_FALSE(list.OnEnd());
    V()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_TRUE(list.OnEnd());

    // Resizing while following keeps the last line in view.
    for (int h : {70, 200, 90}) {
        list.resize(240, h);
        QCoreApplication::processEvents();
        EXPECT_TRUE(list.OnEnd()) << h;
        EXPECT_TRUE(LastLineVisible()) << h;
    }
}

TEST_F(LogViewTest, HiddenLinesAddNothingToTheRanges)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("h.log").toStdString();
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "a rather long loaded line that is never shown " + std::to_string(i) + "\r\n";
    WriteFile(name, text);
    ASSERT_TRUE(list.LoadFromFile(name.c_str(), true));
    list.UpdateParams();
    EXPECT_EQ(list.TotalHeight(), 2);
    EXPECT_EQ(list.TextWidth(), 0);
    EXPECT_EQ(V()->maximum(), 0);
    EXPECT_EQ(H()->maximum(), 0);

    list.PutS("x");
    list.UpdateParams();
    EXPECT_EQ(list.TotalHeight(), list.LineHeight() + 2);

    // Nothing of the hidden lines is painted: the row below "x" is background.
    const QImage img = list.viewport()->grab().toImage();
    const int y = list.LineHeight() + list.LineHeight() / 2;
    for (int x = 0; x < img.width(); ++x)
        ASSERT_EQ(img.pixelColor(x, y), list.GetBkColor()) << x;
}

TEST_F(LogViewTest, HorizontalRangeCoversTheWidestLine)
{
    const QFontMetrics fm(list.font());
    const std::string wide(60, 'W');
    list.PutS(wide.c_str());
    list.PutS("\nshort");
    list.UpdateParams();
    const int w = fm.horizontalAdvance(QString::fromStdString(wide));
    EXPECT_GE(list.TextWidth(), w + 5);
    EXPECT_EQ(H()->maximum(), list.TextWidth() - list.viewport()->width());

    // Appending to a line measures it again.
    list.PutS(wide.c_str());
    list.UpdateParams();
    EXPECT_GE(list.TextWidth(), fm.horizontalAdvance(QString::fromStdString("short" + wide)) + 5);
}

TEST_F(LogViewTest, TheEightKeys)
{
    Add(40);
    list.PutS("\nW");
    list.PutS(std::string(80, 'W').c_str());
    list.UpdateParams();
    const int page = list.viewport()->height();
    ASSERT_EQ(V()->value(), V()->maximum());
    ASSERT_GT(H()->maximum(), 8);

    Key(Qt::Key_PageUp);
    EXPECT_EQ(V()->value(), V()->maximum() - page);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(V()->value(), V()->maximum());
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(V()->value(), 0);
    EXPECT_FALSE(list.OnEnd());
    Key(Qt::Key_Down);
    EXPECT_EQ(V()->value(), list.LineHeight());
    Key(Qt::Key_Up);
    EXPECT_EQ(V()->value(), 0);

    Key(Qt::Key_End);
    EXPECT_EQ(H()->value(), H()->maximum());
    Key(Qt::Key_Left);
    EXPECT_EQ(H()->value(), H()->maximum() - 4);
    Key(Qt::Key_Home);
    EXPECT_EQ(H()->value(), 0);
    Key(Qt::Key_Right);
    EXPECT_EQ(H()->value(), 4);

    // Any other key does nothing and is passed on.
    for (int key : {int(Qt::Key_A), int(Qt::Key_Space), int(Qt::Key_Return), int(Qt::Key_Insert), int(Qt::Key_F5)}) {
        for (Qt::KeyboardModifiers mods :
             {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
            QKeyEvent ev(QEvent::KeyPress, key, mods);
            QCoreApplication::sendEvent(&list, &ev);
            EXPECT_FALSE(ev.isAccepted()) << key;
        }
    }
    EXPECT_EQ(V()->value(), 0);
    EXPECT_EQ(H()->value(), 4);
}

TEST(LogListFocus, AClickFocusesOnlyWithTabStop)
{
    for (bool tabStop : {true, false}) {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        auto *list = new TLogList(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(list);
        list->SetTabStop(tabStop);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        ASSERT_TRUE(WaitFor([&] { return edit->hasFocus(); }, 1000));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(list->hasFocus(), tabStop);
        EXPECT_EQ(edit->hasFocus(), !tabStop);
    }
}

TEST_F(LogViewTest, BkColorRepaintsOnlyOnChange)
{
    PaintCounter counter;
    list.viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;
    list.SetBkColor(list.GetBkColor());
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    list.SetBkColor(QColor(255, 255, 160));
    ASSERT_TRUE(WaitFor([&] { return counter.paints > 0; }, 1000));
    EXPECT_EQ(list.GetBkColor(), QColor(255, 255, 160));
    const QImage img = list.viewport()->grab().toImage();
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() - 2).name(), QColor(255, 255, 160).name());
}

TEST_F(LogViewTest, PaintsOnlyRowsThatMeetTheClip)
{
    list.resize(300, 300);
    Add(8);
    ASSERT_EQ(V()->maximum(), 0);
    const int lh = list.LineHeight();
    const QColor magenta(255, 0, 255);

    QImage img(list.viewport()->size(), QImage::Format_ARGB32);
    img.fill(magenta);
    {
        QPainter p(&img);
        list.Paint(p, QRect(0, 3 * lh, 50, lh));
    }
    auto rowIsUntouched = [&](int row) {
        for (int y = row * lh; y < (row + 1) * lh; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != magenta)
                    return false;
        return true;
    };
    EXPECT_TRUE(rowIsUntouched(0));
    EXPECT_TRUE(rowIsUntouched(1));
    EXPECT_FALSE(rowIsUntouched(3));
    EXPECT_TRUE(rowIsUntouched(5));
    EXPECT_TRUE(rowIsUntouched(7));
    EXPECT_EQ(img.pixelColor(img.width() - 1, 3 * lh + 1), list.GetBkColor());

    // Below the last line the background fills the rest.
    img.fill(magenta);
    {
        QPainter p(&img);
        list.Paint(p, img.rect());
    }
    EXPECT_EQ(img.pixelColor(5, img.height() - 1), list.GetBkColor());
    EXPECT_EQ(img.pixelColor(5, 8 * lh + 1), list.GetBkColor());
}

TEST(LogListPaint, EmptyListIsAllBackground)
{
    TLogList list;
    list.resize(120, 80);
    list.SetBkColor(QColor(10, 20, 30));
    list.UpdateParams();
    EXPECT_EQ(list.TotalHeight(), 2);
    QImage img(list.viewport()->size(), QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    {
        QPainter p(&img);
        list.Paint(p, img.rect());
    }
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixelColor(x, y), QColor(10, 20, 30)) << x << "," << y;
}

TEST_F(LogViewTest, RendersStampedLines)
{
    list.resize(330, 110);
    list.DTFormat = TLogDTFormat{ldtDate, ldtFullYear, ldtMSec};
    list.SysLogMsg("Send Error %d", 10054);
    list.SysLogMsg("Ошибка открытия порта '%s'", "ttyS0");
    list.PutS("plain text, no stamp");
    list.UpdateParams();
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.horizontalScrollBar()->isVisible());
    const QImage img = list.grab().toImage();
    if (const char *dir = std::getenv("TARVIX_RENDER_DIR"))
        img.save(QString::fromLocal8Bit(dir) + "/loglist.png");
    // Text was drawn in the first row and not in the fourth.
    auto rowHasInk = [&](int row) {
        const QRect r = list.viewport()->geometry();
        const int lh = list.LineHeight();
        for (int y = r.top() + row * lh; y < r.top() + (row + 1) * lh; ++y)
            for (int x = r.left(); x < r.right(); ++x)
                if (img.pixelColor(x, y) != list.GetBkColor())
                    return true;
        return false;
    };
    EXPECT_TRUE(rowHasInk(0));
    EXPECT_TRUE(rowHasInk(2));
    EXPECT_FALSE(rowHasInk(3));
}

TEST(LogListForm, PublishedPropertiesLoadFromAFormFile)
{
    QWidget form;
    Ui::LogListForm ui;
    ui.setupUi(&form);
    TLogList &l = *ui.LogList;
    EXPECT_EQ(l.MaxSize.load(), 50);
    EXPECT_EQ(l.FileName, "form.log");
    EXPECT_EQ(l.SaveDelay.load(), 750);
    EXPECT_EQ(l.GetBkColor(), QColor(255, 255, 160));
    EXPECT_EQ(l.DTFormat.load(), (TLogDTFormat{ldtDate, ldtMSec}));
    EXPECT_EQ(l.AutoEOLN_Pos.load(), 72);
    EXPECT_FALSE(l.GetTabStop());
    EXPECT_EQ(l.focusPolicy(), Qt::NoFocus);
}
