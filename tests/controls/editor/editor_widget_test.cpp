// The editor widget driven like a user drives it: key and mouse events,
// the context menu, and what it paints (colours of blocks, comments, the
// highlighted line and the found marker), rendered to PNGs for a look.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWheelEvent>
#include <QtTest>

#include "controls/editor/Asklinenounit.h"
#include "controls/editor/Peditreplacepromptunit.h"
#include "controls/editor/Peditreplaceunit.h"
#include "controls/editor/Peditsearchunit.h"
#include "controls/editor/Nscrollbar.h"
#include "controls/editor/Progedit.h"
#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_paint.h"
#include "tests/controls/control_test_util.h"
#include "tests/controls/editor/edit_test_util.h"

namespace {

// Glyphs are smoothed: their darkest or brightest pixels come near the pen.
bool Near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 48 && std::abs(a.green() - b.green()) < 48 &&
           std::abs(a.blue() - b.blue()) < 48;
}

void SavePng(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("TARVIX_PNG_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + "/" + name + ".png");
}

}   // namespace

class EditorWidgetTest : public QObject {
    Q_OBJECT

    QWidget *FTop = nullptr;
    TProgEdit *FEdit = nullptr;
    QLineEdit *FOther = nullptr;

    EditModel &M() { return FEdit->Model(); }
    // Centre of the cell of (line, col) in the view, in widget pixels.
    QPoint Cell(int line, int col)
    {
        return QPoint((col - M().Start().Col) * M().Metrics().CharW + M().Metrics().CharW / 2,
                      (line - M().Start().Line) * M().Metrics().CharH + M().Metrics().CharH / 2);
    }

private slots:
    void init()
    {
        FTop = new QWidget;
        auto *column = new QVBoxLayout(FTop);
        FEdit = new TProgEdit(FTop);
        FOther = new QLineEdit(FTop);
        column->addWidget(FEdit);
        column->addWidget(FOther);
        FTop->resize(420, 260);
        QVERIFY(ShowAndSettle(FTop));
        FTop->activateWindow();
        FEdit->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(FTop));
        QTRY_VERIFY(FEdit->hasFocus());
    }
    void cleanup()
    {
        delete FTop;
        FTop = nullptr;
    }

    void typingAndUndo()
    {
        QTest::keyClicks(FEdit, "abc");
        QCOMPARE(M().Lines().at(0), QString("abc"));
        QCOMPARE(FEdit->GetUNDO(), QString(UndoNames::TypeInsert));
        QTest::keyClick(FEdit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(M().Lines().at(0), QString());
        // Tab stays in the editor instead of moving the focus on.
        QTest::keyClick(FEdit, Qt::Key_Tab);
        QVERIFY(FEdit->hasFocus());
        QCOMPARE(M().Cursor().Col, 6);
        // Ctrl+K B marks and types nothing.
        QTest::keyClick(FEdit, Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(FEdit, Qt::Key_B);
        QCOMPARE(M().Lines().at(0), QString());
        QCOMPARE(M().Block().Start.Col, 6);
    }

    void ownerKeyEvents()
    {
        // The owner sees each key first and may change or swallow it.
        QList<int> downs;
        connect(FEdit, &TProgEdit::OnKeyDown, this, [&downs](QObject *, int &key, Qt::KeyboardModifiers) {
            downs << key;
            if (key == Qt::Key_Return)
                key = 0;
        });
        connect(FEdit, &TProgEdit::OnKeyPress, this, [](QObject *, QChar &ch) {
            if (ch == QLatin1Char('a'))
                ch = QLatin1Char('b');
        });
        QTest::keyClicks(FEdit, "ca");
        QTest::keyClick(FEdit, Qt::Key_Return);
        QCOMPARE(Lines(M()), QStringList{"cb"});
        QCOMPARE(downs, (QList<int>{Qt::Key_C, Qt::Key_A, Qt::Key_Return}));
    }

    void mouse()
    {
        SetLines(M(), {"alpha beta", "gamma delta", "epsilon"});
        FEdit->update();
        QTest::mouseClick(FEdit, Qt::LeftButton, {}, Cell(1, 3));
        QCOMPARE((TPE_Pos{M().Cursor().Line, M().Cursor().Col}), (TPE_Pos{1, 3}));
        // A drag marks a stream block, with Alt a column block.
        QTest::mousePress(FEdit, Qt::LeftButton, {}, Cell(0, 2));
        QTest::mouseMove(FEdit, Cell(2, 4));
        QTest::mouseRelease(FEdit, Qt::LeftButton, {}, Cell(2, 4));
        QVERIFY(M().Block().Shown);
        QCOMPARE(M().Block().Kind, pbStream);
        QCOMPARE(EditBlocks::GetBlockText(M()), QString("pha beta\r\ngamma delta\r\nepsi"));
        QTest::mousePress(FEdit, Qt::LeftButton, Qt::AltModifier, Cell(0, 1));
        QTest::mouseMove(FEdit, Cell(1, 4));
        QTest::mouseRelease(FEdit, Qt::LeftButton, Qt::AltModifier, Cell(1, 4));
        QCOMPARE(M().Block().Kind, pbColumn);
        QCOMPARE(EditBlocks::GetBlockText(M()), QString("lph\ramm\r"));
        QTest::mouseDClick(FEdit, Qt::LeftButton, {}, Cell(1, 8));
        QCOMPARE(EditBlocks::GetBlockText(M()), QString("delta"));
    }

    // The wheel moves the view three lines a notch and leaves the cursor;
    // a click then lands on the line under the pointer. F1 and the menu item
    // ask the owner for the editor's help.
    void wheelThenClickAndHelp()
    {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QStringLiteral("line %1").arg(i);
        SetLines(M(), lines);
        M().SetCursor(2, 1);
        const QPoint at = Cell(2, 1);
        QWheelEvent down(at, FEdit->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(FEdit, &down);
        QApplication::sendEvent(FEdit, &down);
        QCOMPARE(M().Start().Line, 6);
        QCOMPARE((TPE_Pos{M().Cursor().Line, M().Cursor().Col}), (TPE_Pos{2, 1}));
        QCOMPARE(FEdit->VertBar()->Pos(), 6);
        QTest::mouseClick(FEdit, Qt::LeftButton, {}, Cell(8, 2));
        QCOMPARE((TPE_Pos{M().Cursor().Line, M().Cursor().Col}), (TPE_Pos{8, 2}));
        QWheelEvent up(at, FEdit->mapToGlobal(at), QPoint(), QPoint(0, 360), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(FEdit, &up);
        QCOMPARE(M().Start().Line, 0);

        int helps = 0;
        connect(FEdit, &TProgEdit::OnClickHelpAboutEdit, this, [&helps] { ++helps; });
        QTest::keyClick(FEdit, Qt::Key_F1);
        QCOMPARE(helps, 1);
        QTimer::singleShot(50, [] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                menu->actions().first()->trigger();
                menu->close();
            }
        });
        QTest::mouseClick(FEdit, Qt::RightButton, {}, QPoint(60, 30));
        QTRY_COMPARE(helps, 2);
    }

    void contextMenu()
    {
        QString item;
        QTimer::singleShot(50, [&item] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                if (!menu->actions().isEmpty())
                    item = menu->actions().first()->text();
                menu->close();
            }
        });
        QTest::mouseClick(FEdit, Qt::RightButton, {}, QPoint(60, 30));
        QTRY_COMPARE(item, QString("Справка по редактору"));
        // Switched off, no menu opens.
        M().ContextMenuEnabled = false;
        QTest::mouseClick(FEdit, Qt::RightButton, {}, QPoint(60, 30));
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // The commands' dialogs come up beside the caret and their answers act.
    void dialogs()
    {
        SetLines(M(), {"alpha beta", "beta gamma", "beta"});
        M().SetCursor(0, 0);
        QStringList seen;
        QPoint searchAt;
        // Answers whatever modal window is up, until `steps` is used up.
        auto answer = [&](const std::function<bool(QWidget *)> &step) {
            auto *timer = new QTimer(FTop);
            timer->setInterval(20);
            QObject::connect(timer, &QTimer::timeout, [timer, step] {
                if (QWidget *w = QApplication::activeModalWidget())
                    if (!step(w))
                        timer->stop();
            });
            timer->start();
            return timer;
        };
        QTimer *t = answer([&](QWidget *w) -> bool {
            seen << w->metaObject()->className();
            if (auto *f = qobject_cast<TPEditSearchForm *>(w)) {
                searchAt = f->pos();
                f->SearchEdit->setText("gamma");
                f->ButtonOK->click();
                return false;
            }
            return true;
        });
        FEdit->SetCaret();
        const QPoint caret = FEdit->mapToGlobal(QPoint(M().Metrics().CaretX, M().Metrics().CaretY));
        QTest::keyClick(FEdit, Qt::Key_F, Qt::ControlModifier);
        delete t;
        QCOMPARE(seen, QStringList{"TPEditSearchForm"});
        QCOMPARE((QList<int>{M().Found().Pos.Line, M().Found().Pos.Col, M().Found().Len}), (QList<int>{1, 5, 5}));
        // The caret was in the upper left: the dialog sits right of and below it.
        QCOMPARE(searchAt, caret + QPoint(2 * M().Metrics().CharW, M().Metrics().CharH));

        // Replace with the prompt: Yes once, then All.
        seen.clear();
        int prompts = 0;
        QString info;
        t = answer([&](QWidget *w) -> bool {
            seen << w->metaObject()->className();
            if (auto *f = qobject_cast<TPEditReplaceForm *>(w)) {
                f->SearchEdit->setText("beta");
                f->ReplaceEdit->setText("B");
                f->ButtonOK->click();
            } else if (auto *p = qobject_cast<TPEditReplacePromptForm *>(w)) {
                seen << p->AskLabel->text();
                (++prompts == 1 ? p->ButtonYes : p->ButtonAll)->click();
            } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
                info = box->text();
                box->accept();
                return false;
            }
            return true;
        });
        M().SetCursor(0, 0);
        QTest::keyClick(FEdit, Qt::Key_R, Qt::ControlModifier);
        delete t;
        QCOMPARE(Lines(M()), (QStringList{"alpha B", "beta gamma", "beta"}));
        QCOMPARE(seen, (QStringList{"TPEditReplaceForm", "TPEditReplacePromptForm", "Заменить 'beta' на 'B' ?"}));
        // OK replaces one occurrence per step; Ctrl+L goes on, and All in the
        // prompt replaces the rest.
        t = answer([&](QWidget *w) -> bool {
            if (auto *p = qobject_cast<TPEditReplacePromptForm *>(w)) {
                (++prompts == 1 ? p->ButtonYes : p->ButtonAll)->click();
            } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
                info = box->text();
                box->accept();
                return false;
            }
            return true;
        });
        QTest::keyClick(FEdit, Qt::Key_L, Qt::ControlModifier);
        delete t;
        QCOMPARE(Lines(M()), (QStringList{"alpha B", "B gamma", "B"}));
        QCOMPARE(info, QString("Поиск завершен. Выполнено замен: 2."));

        // Go to line.
        t = answer([&](QWidget *w) -> bool {
            if (auto *f = qobject_cast<TAskLineNoForm *>(w)) {
                seen = {QString::number(f->LineNoEdit->maximum()), QString::number(f->LineNoEdit->value())};
                f->LineNoEdit->setValue(2);
                f->ButtonOK->click();
                return false;
            }
            return true;
        });
        QTest::keyClick(FEdit, Qt::Key_G, Qt::ControlModifier);
        delete t;
        QCOMPARE(M().Cursor().Line, 1);
        QCOMPARE(seen, (QStringList{"3", "3"}));   // at most the line count; the cursor line shown
    }

    // Alt+Down, Alt+Down, Alt+Right, Alt+Right mark a rectangle through its
    // zero-width stage, as the window shows it.
    void columnMarkedByAltKeys()
    {
        SetLines(M(), {"abcd", "efgh", "ijkl", "mnop", "qrst"});
        M().SetCursor(0, 0);
        for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right})
            QTest::keyClick(FEdit, Qt::Key(key), Qt::AltModifier);
        QCOMPARE(M().Block(), (EditBlock{pbColumn, true, {0, 0}, {2, 2}}));
        const QImage img = Grab(FEdit);
        SavePng(FEdit, "editor_column_marked");
        auto bg = [&](int line, int c) {
            return Px(img, c * M().Metrics().CharW + EditPaint::Margin + 1, line * M().Metrics().CharH);
        };
        QCOMPARE(bg(0, 0), QString("#000080"));
        QCOMPARE(bg(2, 1), QString("#000080"));
        QCOMPARE(bg(2, 2), QString("#ffffff"));
        QCOMPARE(bg(3, 0), QString("#ffffff"));
    }

    void colours()
    {
        SetLines(M(), {"plain text", "code; // note", "highlighted", "found it here", "s = 'a // b'"});
        M().HighlightLine = 2;
        M().SetCursor(4, 0);
        const TPE_Pos at{3, 6};
        FEdit->SetFoundMarker(2, &at);
        SetBlock(M(), pbStream, 0, 6, 1, 2);
        FEdit->update();
        const QImage img = Grab(FEdit);
        SavePng(FEdit, "editor_stream");
        auto bg = [&](int line, int col) {
            // The cell's top left pixel: above the glyphs and beside the caret.
            const QPoint p((col - M().Start().Col) * M().Metrics().CharW + EditPaint::Margin + 1,
                           (line - M().Start().Line) * M().Metrics().CharH);
            return Px(img, p.x(), p.y());
        };
        // Ink: whether a cell holds a pixel of (about) the colour.
        auto ink = [&](int line, int col, const QColor &colour) {
            const QRect cell((col - M().Start().Col) * M().Metrics().CharW + EditPaint::Margin,
                             (line - M().Start().Line) * M().Metrics().CharH, M().Metrics().CharW, M().Metrics().CharH);
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (Near(QColor(img.pixel(x, y)), colour))
                        return true;
            return false;
        };
        QCOMPARE(bg(0, 2), QString("#ffffff"));
        QCOMPARE(bg(0, 7), QString("#000080"));   // block, navy
        QCOMPARE(bg(1, 0), QString("#000080"));
        QCOMPARE(bg(1, 3), QString("#ffffff"));
        QCOMPARE(bg(2, 3), QString("#ffff00"));   // highlighted line, yellow
        QCOMPARE(bg(3, 6), QString("#000000"));   // found text on the font colour
        QCOMPARE(bg(3, 8), QString("#ffffff"));
        QVERIFY(ink(0, 7, Qt::white));   // block text white
        QVERIFY(ink(1, 9, QColor(0x00, 0x00, 0xD0)));   // comment
        QVERIFY(!ink(1, 1, QColor(0x00, 0x00, 0xD0)));
        QVERIFY(!ink(4, 8, QColor(0x00, 0x00, 0xD0)));   // "//" inside quotes is no comment
        QVERIFY(ink(3, 6, Qt::white));   // found text in the background colour
        // A column block, and a highlighted line crossing it.
        SetBlock(M(), pbColumn, 1, 2, 3, 5);
        FEdit->SetFoundMarker(0, nullptr);
        FEdit->update();
        const QImage col = Grab(FEdit);
        SavePng(FEdit, "editor_column");
        auto bg2 = [&](int line, int c) {
            return Px(col, c * M().Metrics().CharW + EditPaint::Margin + 1, line * M().Metrics().CharH);
        };
        QCOMPARE(bg2(1, 3), QString("#000080"));
        QCOMPARE(bg2(1, 6), QString("#ffffff"));
        QCOMPARE(bg2(2, 3), QString("#0000ff"));   // block on the highlighted line
        QCOMPARE(bg2(2, 7), QString("#ffff00"));
        QCOMPARE(bg2(0, 3), QString("#ffffff"));
    }

    void paintsOnlyTheClippedRows()
    {
        SetLines(M(), {"one", "two", "three", "four"});
        QImage img(FEdit->size(), QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        p.setFont(FEdit->font());
        EditColors c;
        const QRect row3(0, 3 * M().Metrics().CharH, 100, M().Metrics().CharH);
        EditPaint::PaintText(p, M(), c, row3, M().Metrics().AreaWidth, M().Metrics().AreaHeight,
                             p.fontMetrics().ascent());
        p.end();
        const int x = EditPaint::Margin + 30;
        QCOMPARE(Px(img, x, 3 * M().Metrics().CharH), QString("#ffffff"));
        QCOMPARE(Px(img, x, 2 * M().Metrics().CharH), QString("#ffffff"));   // one row of slack above
        QCOMPARE(Px(img, x, 0), QString("#ff00ff"));   // further up: untouched
        QCOMPARE(Px(img, x, 6 * M().Metrics().CharH), QString("#ff00ff"));   // below the clip: untouched
        // A run of equal cells is one text call: a whole plain line is a single run.
        unsigned flags[8];
        EditPaint::RowFlags(M(), 2, 0, 8, flags);
        QCOMPARE(std::count(flags, flags + 5, unsigned(EditPaint::cfText)), 5);
        QCOMPARE(flags[5], 0u);
    }

    void commentStart()
    {
        const std::tuple<const char *, int, int> cases[] = {
            {"a // b", 1, 2},      {"a ; b", 2, 2},   {"a ; b", 1, -1},         {"s = \"//\" // c", 1, 9},
            {"x = ';' ; c", 2, 8}, {"a // b", 0, -1}, {"'unclosed // x", 1, -1}};
        for (auto [line, style, at] : cases)
            QCOMPARE(EditPaint::FindCommentStart(line, style), at);
    }
};

QTEST_MAIN(EditorWidgetTest)
#include "editor_widget_test.moc"
