// The editor's one edit path: how each kind of edit moves the block, what a
// read-only text refuses, the key tables, what one keystroke costs the
// window, and the faults that lived between the commands (a replace that
// never ended, an emptied block left shown, an undo that stuck, Modified
// across a save, the view not following the cursor).
#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_corners.h"
#include "controls/editor/edit_search.h"
#include "tests/controls/editor/edit_test_util.h"

namespace {

using Corners = EditBlock;

// A model that answers every dialog with Cancel, with a text area of 80 x 20.
struct Editor {
    explicit Editor(const QStringList &lines) { SetLines(m, lines); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = QString())
    {
        Press(m, d, key, mods, text);
    }
    TPE_Pos Cursor() const { return {m.Cursor().Line, m.Cursor().Col}; }
    EditModel m;
    ScriptedDialogs d;
};

// Replace-all without a prompt, with the given scope and origin.
void ReplaceAll(EditModel &m, ScriptedDialogs &d, const QString &find, const QString &with, bool inBlock,
                bool fromCursor)
{
    d.replace = [&](SearchDialogFields &f) {
        f.FindText = find;
        f.ReplaceText = with;
        f.Prompt = false;
        f.Scope = inBlock ? 1 : 0;
        f.Origin = fromCursor ? 1 : 0;
        return int(mrAll);
    };
    EditSearch::DoSearchReplace(m, d);
}

}   // namespace

Q_DECLARE_METATYPE(Corners)
Q_DECLARE_METATYPE(TPE_Pos)

class EditPathTest : public QObject {
    Q_OBJECT
private slots:
    // ---- how each kind of edit moves the block: one row per kind ----
    void cornerMoves_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<Corners>("before");
        QTest::addColumn<Corners>("after");
        const auto s = [](int sl, int sc, int el, int ec) { return Corners{pbStream, false, {sl, sc}, {el, ec}}; };
        const auto c = [](int sl, int sc, int el, int ec) { return Corners{pbColumn, false, {sl, sc}, {el, ec}}; };
        // Rows: 0 typed at (1,3); 1 Backspace inside (1,3); 2 Backspace join of line 2 (line 1 was 5 long);
        // 3 Delete inside (1,3); 4 Delete join at (1,7); 5 Enter at (1,3), indent 2;
        // 6 line 2 removed; 7 line 1 duplicated; 8 "xy" replacing 2 chars at (1,3).
        QTest::newRow("typed: right of it moves, at it stays") << 0 << s(1, 3, 1, 6) << s(1, 3, 1, 7);
        QTest::newRow("typed: column block stays") << 0 << c(1, 3, 1, 6) << c(1, 3, 1, 6);
        QTest::newRow("backspace inside: at or right moves left") << 1 << s(1, 3, 1, 6) << s(1, 2, 1, 5);
        QTest::newRow("backspace join: joined line up, below up") << 2 << s(2, 1, 3, 4) << s(1, 6, 2, 4);
        QTest::newRow("backspace join: column, start on it stays") << 2 << c(2, 1, 3, 4) << c(2, 1, 2, 4);
        QTest::newRow("delete inside: right moves left") << 3 << s(1, 3, 1, 6) << s(1, 3, 1, 5);
        QTest::newRow("delete join: joined line to the cursor") << 4 << s(1, 9, 2, 2) << s(1, 7, 1, 9);
        QTest::newRow("delete join: column at or below up") << 4 << c(2, 1, 3, 4) << c(1, 1, 2, 4);
        QTest::newRow("enter: right of cursor to new line") << 5 << s(1, 5, 2, 0) << s(2, 4, 3, 0);
        QTest::newRow("enter: left of cursor stays") << 5 << s(1, 2, 1, 3) << s(1, 2, 1, 3);
        QTest::newRow("enter: column start right moves") << 5 << c(1, 4, 1, 6) << c(2, 4, 1, 6);
        QTest::newRow("line removed: on it to column 0") << 6 << s(2, 3, 4, 1) << s(2, 0, 3, 1);
        QTest::newRow("line removed: column") << 6 << c(2, 3, 2, 5) << c(2, 3, 1, 5);
        QTest::newRow("line duplicated: below moves down") << 7 << s(1, 3, 2, 1) << s(1, 3, 3, 1);
        QTest::newRow("line duplicated: column too") << 7 << c(0, 3, 2, 5) << c(0, 3, 3, 5);
        QTest::newRow("replace: inside collapses to col, then grows") << 8 << s(1, 4, 1, 9) << s(1, 5, 1, 9);
    }
    void cornerMoves()
    {
        QFETCH(int, row);
        QFETCH(Corners, before);
        QFETCH(Corners, after);
        Corners b = before;
        switch (row) {
        case 0: BlockMoves::TypedChar(b, 1, 3); break;
        case 1: BlockMoves::ReplaceSubStr(b, 1, 2, 1, 0); break;
        case 2: BlockMoves::BackspaceJoin(b, 2, 5); break;
        case 3: BlockMoves::ReplaceSubStr(b, 1, 3, 1, 0); break;
        case 4: BlockMoves::DeleteJoin(b, 1, 7); break;
        case 5: BlockMoves::EnterSplit(b, 1, 3, 2); break;
        case 6: BlockMoves::LinesRemoved(b, 2, 1); break;
        case 7: BlockMoves::LinesInserted(b, 2, 1); break;
        case 8: BlockMoves::ReplaceSubStr(b, 1, 3, 2, 2); break;
        }
        QCOMPARE(b, after);
    }

    // ---- a read-only text refuses every text-changing command ----
    void readOnlyRefuses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("prefix");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("typed") << int(Qt::Key_X) << 0 << "x" << 0;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << "" << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << "" << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "" << 0;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << "" << 0;
        QTest::newRow("Ctrl+Backspace") << int(Qt::Key_Backspace) << ctrl << "" << 0;
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << ctrl << "" << 0;
        QTest::newRow("Ctrl+T") << int(Qt::Key_T) << ctrl << "" << 0;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << "" << 0;
        QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << ctrl << "" << 0;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << "" << 0;
        QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << int(Qt::ShiftModifier) << "" << 0;
        QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << ctrl << "" << 0;
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << ctrl << "" << 0;
        QTest::newRow("Ctrl+.") << int(Qt::Key_Period) << ctrl << "" << 0;
        QTest::newRow("Ctrl+,") << int(Qt::Key_Comma) << ctrl << "" << 0;
        QTest::newRow("Ctrl+]") << int(Qt::Key_BracketRight) << ctrl << "" << 0;
        QTest::newRow("Ctrl+[") << int(Qt::Key_BracketLeft) << ctrl << "" << 0;
        for (int k : {Qt::Key_C, Qt::Key_V, Qt::Key_Y, Qt::Key_F, Qt::Key_I, Qt::Key_U})
            QTest::newRow(qPrintable(QStringLiteral("Ctrl+K %1").arg(QChar(k)))) << k << 0 << "" << int(Qt::Key_K);
        QTest::newRow("Ctrl+Q Y") << int(Qt::Key_Y) << 0 << "" << int(Qt::Key_Q);
    }
    void readOnlyRefuses()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, text);
        QFETCH(int, prefix);
        const QStringList lines{"  // one two", "  // three", "four"};
        Editor e(lines);
        QGuiApplication::clipboard()->setText("pasted");
        SetBlock(e.m, pbStream, 0, 0, 2, 0);
        e.m.SetCursor(1, 4);
        e.m.ReadOnly = true;
        e.d.replace = [](SearchDialogFields &f) {
            f.FindText = "o";
            f.ReplaceText = "0";
            f.Prompt = false;
            return int(mrAll);
        };
        e.d.fillResult = mrOk;
        e.d.fillText = "#";
        if (prefix)
            e.Key(prefix, Qt::ControlModifier);
        e.Key(key, Qt::KeyboardModifiers(mods), text);
        QCOMPARE(Lines(e.m), lines);
        QVERIFY(e.m.UndoList().isEmpty());
        QVERIFY(!e.m.Modified);
    }

    // ---- the key tables ----
    // Every row is reached by its key: pressing it does what running the
    // row's command does, on twin editors.
    void everyKeyRowRunsItsCommand()
    {
        const QStringList lines{"alpha (beta) gamma", "  delta epsilon", "zeta", "eta theta"};
        auto prepare = [&](Editor &e) {
            QGuiApplication::clipboard()->setText("clip");
            SetBlock(e.m, pbStream, 0, 2, 1, 4);
            e.m.SetCursor(0, 6);
            e.d.fillResult = mrOk;
            e.d.fillText = "*";
        };
        auto state = [](const Editor &e) {
            return QStringList{Lines(e.m).join('|'),
                               QStringLiteral("%1,%2 %3,%4")
                                   .arg(e.m.Cursor().Line)
                                   .arg(e.m.Cursor().Col)
                                   .arg(e.m.Start().Line)
                                   .arg(e.m.Start().Col),
                               QStringLiteral("%1 %2 %3,%4-%5,%6")
                                   .arg(e.m.Block().Shown)
                                   .arg(e.m.Block().Kind)
                                   .arg(e.m.Block().Start.Line)
                                   .arg(e.m.Block().Start.Col)
                                   .arg(e.m.Block().End.Line)
                                   .arg(e.m.Block().End.Col),
                               QStringLiteral("%1 %2 %3")
                                   .arg(e.m.OverwriteMode)
                                   .arg(e.m.KeyState().PrefixK)
                                   .arg(e.m.KeyState().PrefixQ),
                               e.m.GetUNDO(),
                               QString::number(e.d.questions)};
        };
        int rows = 0;
        auto check = [&](const char *table, int key, Qt::KeyboardModifiers mods, EditKeys::Command run, int prefix) {
            Editor byKey(lines), byRow(lines);
            prepare(byKey);
            prepare(byRow);
            if (prefix) {
                byKey.Key(prefix, Qt::ControlModifier);
                byRow.m.KeyState().PrefixK = prefix == Qt::Key_K;
                byRow.m.KeyState().PrefixQ = prefix == Qt::Key_Q;
            }
            byKey.Key(key, mods);
            run(byRow.m, byRow.d);
            if (prefix) {
                byRow.m.KeyState().PrefixK = byRow.m.KeyState().PrefixQ = false;
                byRow.m.KeyState().SkipChar = false;
            }
            QVERIFY2(state(byKey) == state(byRow),
                     qPrintable(QStringLiteral("%1 %2: %3 / %4")
                                    .arg(table, QKeySequence(QKeyCombination(mods, Qt::Key(key))).toString(),
                                         state(byKey).join(" ; "), state(byRow).join(" ; "))));
            ++rows;
        };
        for (const EditKeys::MoveBinding &b : EditKeys::MovementKeys()) {
            check("move", b.Key, Qt::NoModifier, b.Plain->Run, 0);
            check("move+ctrl", b.Key, Qt::ControlModifier, b.WithCtrl->Run, 0);
        }
        for (auto table : {EditKeys::PlainKeys(), EditKeys::ModifiedKeys(), EditKeys::CtrlKeys()})
            for (const EditKeys::KeyBinding &b : table)
                check("keys", b.Key, b.Mods, b.Command->Run, 0);
        for (const auto &[prefix, table] :
             {std::pair{int(Qt::Key_K), EditKeys::PrefixKKeys()}, std::pair{int(Qt::Key_Q), EditKeys::PrefixQKeys()}})
            for (const EditKeys::KeyBinding &b : table) {
                check("prefix", b.Key, Qt::NoModifier, b.Command->Run, prefix);
                check("prefix+ctrl", b.Key, Qt::ControlModifier, b.Command->Run, prefix);
            }
        // The help lists every binding: one line per row, two per movement key.
        const int bindings = int(EditKeys::PlainKeys().size() + EditKeys::ModifiedKeys().size() +
                                 EditKeys::CtrlKeys().size() + EditKeys::PrefixKKeys().size() +
                                 EditKeys::PrefixQKeys().size());
        const QStringList help = EditKeys::KeyListLines();
        QCOMPARE(help.size(), 2 + bindings + 2 * int(EditKeys::MovementKeys().size()) - 2);
        QVERIFY(help.contains(QStringLiteral("Ctrl+K, B\tначало блока")));
        QVERIFY(rows > 60);
    }

    // The help list comes from the command rows: one line per key, the
    // Ctrl line of a movement key only when Ctrl does something else.
    void helpComesFromTheRows()
    {
        const QStringList lines = EditKeys::KeyListLines();
        for (const char *line :
             {"PgUp\tстраница вверх", "Ctrl+PgUp\tв начало текста", "End\tв конец строки", "Ctrl+Down\tпрокрутка вниз",
              "Ctrl+C\tкопировать блок в Clipboard", "Ctrl+K, B\tначало блока", "Ctrl+K, C\tкопировать блок к курсору",
              "Ctrl+Q, ]\tк парной скобке"})
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        QVERIFY(!lines.contains(QStringLiteral("Ctrl+End\tв конец строки")));
        int rows = 2;   // the two marking lines
        for (const EditKeys::MoveBinding &b : EditKeys::MovementKeys())
            rows += b.WithCtrl == b.Plain ? 1 : 2;
        for (auto table : {EditKeys::PlainKeys(), EditKeys::ModifiedKeys(), EditKeys::CtrlKeys(),
                           EditKeys::PrefixKKeys(), EditKeys::PrefixQKeys()})
            rows += int(table.size());
        QCOMPARE(lines.size(), rows);
    }

    // Positions compare in text order; the block's own operations.
    void positionsAndBlockValues()
    {
        QVERIFY((TPE_Pos{1, 9}) < (TPE_Pos{2, 0}));
        QVERIFY((TPE_Pos{2, 3}) > (TPE_Pos{2, 1}));
        QVERIFY((TPE_Pos{2, 3}) == (TPE_Pos{2, 3}));
        const EditBlock back{pbStream, true, {3, 1}, {1, 4}};
        QCOMPARE(back.Ordered(), (EditBlock{pbStream, true, {1, 4}, {3, 1}}));
        const EditBlock rect{pbColumn, true, {3, 5}, {1, 2}};
        QCOMPARE(rect.Ordered(), (EditBlock{pbColumn, true, {1, 2}, {3, 5}}));
        QVERIFY(!(EditBlock{pbColumn, true, {0, 2}, {2, 2}}.HasText()));   // no column wide
        QVERIFY((EditBlock{pbColumn, true, {0, 2}, {0, 3}}.HasText()));
        QVERIFY(!(EditBlock{pbStream, true, {1, 1}, {1, 1}}.HasText()));
        QCOMPARE((EditBlock{pbStream, true, {1, 3}, {4, 0}}.LineRange(10)), (std::pair<int, int>{1, 3}));
        QCOMPARE((EditBlock{pbStream, true, {1, 3}, {4, 2}}.LineRange(3)), (std::pair<int, int>{1, 2}));
        QCOMPARE((EditBlock{pbColumn, true, {1, 3}, {4, 5}}.LinePosition()), 3);
    }

    void noKeyIsBoundTwice()
    {
        for (auto table : {EditKeys::PlainKeys(), EditKeys::ModifiedKeys(), EditKeys::CtrlKeys(),
                           EditKeys::PrefixKKeys(), EditKeys::PrefixQKeys()}) {
            QSet<QPair<int, int>> seen;
            for (const EditKeys::KeyBinding &b : table) {
                const QPair<int, int> k{b.Key, int(b.Mods)};
                QVERIFY2(!seen.contains(k), qPrintable(QString::number(b.Key)));
                seen.insert(k);
            }
        }
    }

    // ---- what one command costs the window ----
    void keystrokeAtTheEndOfALongText()
    {
        TestEditor e;
        QStringList lines;
        for (int i = 0; i < 100000; ++i)
            lines << QStringLiteral("line %1").arg(i);
        e.m.ReplaceText(EditLines(lines));
        e.m.UpdateParams(0);
        e.m.SetCursor(99999, 10);
        e.view.Reset();
        ScriptedDialogs d;
        Press(e.m, d, Qt::Key_Z, Qt::NoModifier, "z");
        QCOMPARE(e.m.Lines().last(), QString("line 99999z"));
        QCOMPARE(e.view.CaretMoves, 1);
        QCOMPARE(e.view.FieldRefreshes, 1);
        QCOMPARE(e.view.All, 0);
        QCOMPARE(e.view.Lines, (QList<QPair<int, int>>{{99999, 1}}));
        QCOMPARE(e.view.CursorChanges, 1);
        QCOMPARE(e.view.TextChanges, 1);

        // Marking a block start while no block is shown repaints nothing.
        e.view.Reset();
        Press(e.m, d, Qt::Key_K, Qt::ControlModifier);
        Press(e.m, d, Qt::Key_B, Qt::NoModifier, "b");
        QCOMPARE(e.view.All, 0);
        QVERIFY(e.view.Lines.isEmpty());
        QVERIFY(!e.m.Block().Shown);
    }

    // ---- faults that lived between the commands ----
    // A replacement that contains, equals or extends the search text ends,
    // in every scope and from either origin.
    void replaceRunsEnd_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("with");
        QTest::addColumn<int>("kind");   // 0 whole text, stream or column block
        QTest::addColumn<bool>("fromCursor");
        QTest::addColumn<QString>("expected");
        for (bool fromCursor : {false, true}) {
            const char *o = fromCursor ? " from cursor" : "";
            QTest::newRow(qPrintable(QStringLiteral("whole text, y to ' y'%1").arg(o)))
                << "y" << " y" << 0 << fromCursor << "a y y";
            QTest::newRow(qPrintable(QStringLiteral("stream block, y to ' y'%1").arg(o)))
                << "y" << " y" << 1 << fromCursor << "a yy";
            QTest::newRow(qPrintable(QStringLiteral("stream block, a to ac%1").arg(o)))
                << "a" << "ac" << 1 << fromCursor << (fromCursor ? "ayy" : "acyy");
            QTest::newRow(qPrintable(QStringLiteral("stream block, y to y%1").arg(o)))
                << "y" << "y" << 1 << fromCursor << "ayy";
            QTest::newRow(qPrintable(QStringLiteral("column block, y to yy%1").arg(o)))
                << "y" << "yy" << 2 << fromCursor << "ayyy";
        }
    }
    void replaceRunsEnd()
    {
        QFETCH(QString, find);
        QFETCH(QString, with);
        QFETCH(int, kind);
        QFETCH(bool, fromCursor);
        QFETCH(QString, expected);
        Editor e({"ayy"});
        if (kind)
            SetBlock(e.m, kind == 1 ? pbStream : pbColumn, 0, 0, 0, 2);
        e.m.SetCursor(0, 1);
        ReplaceAll(e.m, e.d, find, with, kind != 0, fromCursor);
        QCOMPARE(Lines(e.m).first(), expected);
        QCOMPARE(e.d.messages.size(), 1);
        QVERIFY(e.m.UNDO() == 1 || !e.m.Modified);
        QCOMPARE(Lines(e.m).first(), QString("ayy"));
    }

    // Every edit that empties a shown block hides it, and a copy then
    // leaves the clipboard as it was.
    void emptiedBlockIsHidden_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("prefix");
        QTest::addColumn<TPE_Pos>("cursor");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << 0 << TPE_Pos{0, 3};
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 0 << TPE_Pos{0, 2};
        QTest::newRow("word left") << int(Qt::Key_Backspace) << ctrl << 0 << TPE_Pos{0, 4};
        QTest::newRow("word right") << int(Qt::Key_T) << ctrl << 0 << TPE_Pos{0, 0};
        QTest::newRow("to line end") << int(Qt::Key_Y) << 0 << int(Qt::Key_Q) << TPE_Pos{0, 1};
        QTest::newRow("line emptied") << int(Qt::Key_Y) << ctrl << 0 << TPE_Pos{0, 0};
    }
    void emptiedBlockIsHidden()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(int, prefix);
        QFETCH(TPE_Pos, cursor);
        Editor e({"abcd"});
        SetBlock(e.m, pbStream, 0, 2, 0, 3);
        e.m.SetCursor(cursor.Line, cursor.Col);
        if (prefix)
            e.Key(prefix, Qt::ControlModifier);
        e.Key(key, Qt::KeyboardModifiers(mods));
        QVERIFY(Lines(e.m).first() != "abcd");
        QVERIFY(!e.m.Block().Shown);
        QGuiApplication::clipboard()->setText("kept");
        e.Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("kept"));
    }

    void replacementInsideALineHidesAnEmptiedBlock()
    {
        Editor e({"abcd"});
        SetBlock(e.m, pbStream, 0, 1, 0, 3);
        e.m.ReplaceSubStr(0, 0, 4, "x");
        QVERIFY(!e.m.Block().Shown);
    }

    // Lines removed inside the update bracket below the record's cursor:
    // the first undo goes to where the change ended, as near as the text
    // allows, the second takes it back.
    void undoReachesARecordPastTheText()
    {
        Editor e({"a", "b", "c", "d"});
        e.m.SetCursor(3, 1);
        EditKeys::KeyPress(e.m, 'x');
        e.m.RemoveLines(1, 3);
        e.m.SetCursor(0, 0);
        QCOMPARE(e.m.UNDO(), 2);
        QCOMPARE(e.m.UNDO(), 1);
        QCOMPARE(e.m.UNDO(), 0);
    }

    // Modified is false exactly while the text is the one last loaded or saved.
    void savePoint()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("f.txt");
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("line\n");
        f.close();
        Editor e({"unsaved"});
        EditKeys::KeyPress(e.m, 'q');
        QVERIFY(e.m.Modified);
        QVERIFY(e.m.LoadFromFile(name));
        QVERIFY(!e.m.Modified);   // loaded over unsaved edits
        for (QChar c : QString("abc"))
            EditKeys::KeyPress(e.m, c);
        QVERIFY(e.m.Save());
        QVERIFY(!e.m.Modified);
        QCOMPARE(e.m.UNDO(), 1);   // past the save
        QCOMPARE(Lines(e.m).first(), QString("line"));
        QVERIFY(e.m.Modified);
        EditKeys::KeyPress(e.m, 'z');
        QVERIFY(e.m.Modified);
        QCOMPARE(e.m.UNDO(), 1);
        QVERIFY(e.m.Modified);   // still not what was saved
        // An owner that marks the text saved moves the mark.
        e.m.Modified = false;
        EditKeys::KeyPress(e.m, 'k');
        QCOMPARE(e.m.UNDO(), 1);
        QVERIFY(!e.m.Modified);
    }

    // The view follows a cursor that steps just past its edge, in each
    // direction, and the window still shows text after the end went.
    void viewFollowsOneStep()
    {
        QStringList lines;
        for (int i = 0; i < 50; ++i)
            lines << QString(100, QChar('a' + i % 26));
        Editor e(lines);
        const int rows = e.m.Metrics().VisLines, cols = e.m.Metrics().VisCols;
        e.m.SetCursor(rows - 1, 0);
        e.Key(Qt::Key_Down);
        QCOMPARE(e.m.Start().Line, 1);
        e.m.SetCursor(1, 0);
        e.Key(Qt::Key_Up);
        QCOMPARE(e.m.Start().Line, 0);
        e.m.SetCursor(0, cols - 1);
        e.Key(Qt::Key_Right);
        QCOMPARE(e.m.Start().Col, 1);
        e.m.SetCursor(0, 1);
        e.Key(Qt::Key_Left);
        QCOMPARE(e.m.Start().Col, 0);
        // Enter on the last row of a text scrolled to its end.
        Editor full(lines.mid(0, rows + 1));
        full.m.SetCursor(rows, 0);
        QCOMPARE(full.m.Start().Line, 1);
        full.Key(Qt::Key_Return);
        QCOMPARE(full.m.Cursor().Line, rows + 1);
        QCOMPARE(full.m.Start().Line, 2);
        // Scrolled to the end, the last lines go: the window still shows text.
        e.Key(Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(e.m.Start().Line, 50 - rows);
        e.m.RemoveLines(20, 30);
        QCOMPARE(e.m.LineCount(), 20);
        QVERIFY(e.m.Start().Line <= 19);
        QVERIFY(e.m.Cursor().Line <= 19);
        // The bar follows the view while it has anything to scroll.
        QCOMPARE(e.m.VertRange().Pos, e.m.VertRange().Enabled() ? e.m.Start().Line : 0);
    }

    // The first visible line may lie anywhere up to the last line: only a
    // start at or past the end becomes the last line, and SetStart clamps to
    // the bar's maximum only while the bar has one. Each boundary one step
    // at a time, on texts shorter and longer than the 20 rows.
    void viewStartBoundaries_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<TPE_Pos>("start");
        QTest::addColumn<TPE_Pos>("expected");
        QTest::newRow("short: inside") << 5 << TPE_Pos{3, 0} << TPE_Pos{3, 0};
        QTest::newRow("short: the last line") << 5 << TPE_Pos{4, 0} << TPE_Pos{4, 0};
        QTest::newRow("short: one past the end") << 5 << TPE_Pos{5, 0} << TPE_Pos{4, 0};
        QTest::newRow("short: far past the end") << 5 << TPE_Pos{50, 0} << TPE_Pos{4, 0};
        QTest::newRow("short: negative") << 5 << TPE_Pos{-1, -1} << TPE_Pos{0, 0};
        QTest::newRow("ten: with a column") << 10 << TPE_Pos{5, 3} << TPE_Pos{5, 3};
        QTest::newRow("fills the rows: last line") << 20 << TPE_Pos{19, 0} << TPE_Pos{19, 0};
        QTest::newRow("bar max 1: at it") << 21 << TPE_Pos{1, 0} << TPE_Pos{1, 0};
        QTest::newRow("bar max 1: one above") << 21 << TPE_Pos{2, 0} << TPE_Pos{1, 0};
        QTest::newRow("bar max 10: one below") << 30 << TPE_Pos{9, 0} << TPE_Pos{9, 0};
        QTest::newRow("bar max 10: one above") << 30 << TPE_Pos{11, 0} << TPE_Pos{10, 0};
    }
    void viewStartBoundaries()
    {
        QFETCH(int, lines);
        QFETCH(TPE_Pos, start);
        QFETCH(TPE_Pos, expected);
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text << QStringLiteral("line %1").arg(i);
        Editor e(text);
        QCOMPARE(e.m.Metrics().VisLines, 20);
        const auto view = [&e] { return QStringLiteral("%1,%2").arg(e.m.Start().Line).arg(e.m.Start().Col); };
        const QString want = QStringLiteral("%1,%2").arg(expected.Line).arg(expected.Col);
        e.m.SetStart(start.Line, start.Col);
        QCOMPARE(view(), want);
        // The view update of an edit keeps it.
        e.m.UpdateParams(0);
        QCOMPARE(view(), want);
    }

    // A click lands on the line under it in a scrolled short text.
    void clickInAScrolledShortText()
    {
        QStringList text;
        for (int i = 0; i < 10; ++i)
            text << QStringLiteral("line %1").arg(i);
        Editor e(text);
        e.m.SetStart(5, 3);
        EditKeys::MouseDown(e.m, Qt::LeftButton, Qt::NoModifier, 20, 30, false);
        QCOMPARE(e.Cursor(), (TPE_Pos{7, 5}));
    }

    // Ctrl+Down scrolls a short text one line a press, down to its last line
    // at the top, and Ctrl+Up back.
    void ctrlDownScrollsAShortText()
    {
        Editor e({"a", "b", "c", "d", "e"});
        for (int i = 1; i <= 4; ++i) {
            e.Key(Qt::Key_Down, Qt::ControlModifier);
            QCOMPARE(e.m.Start().Line, i);
            QCOMPARE(e.m.Cursor().Line, i);
        }
        e.Key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(e.m.Start().Line, 4);
        QCOMPARE(e.m.Cursor().Line, 4);
        for (int i = 3; i >= 0; --i) {
            e.Key(Qt::Key_Up, Qt::ControlModifier);
            QCOMPARE(e.m.Start().Line, i);
            QCOMPARE(e.m.Cursor().Line, i);
        }
    }

    // An edit while the cursor is out of view first brings it into view.
    void editShowsTheCursor()
    {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << QStringLiteral("l%1").arg(i);
        Editor e(lines);
        e.m.SetCursor(5, 0);
        e.m.ScrollLines(40);
        QCOMPARE(e.m.Start().Line, 40);
        QCOMPARE(e.m.Cursor().Line, 5);   // the wheel moves the view, not the cursor
        e.Key(Qt::Key_X, Qt::NoModifier, "x");
        QCOMPARE(e.m.Start().Line, 5);
        QCOMPARE(Lines(e.m).at(5), QString("xl5"));
    }

    // The column cap limits padding, never a position inside a long line.
    void longLinesReachTheirEnd()
    {
        const int len = EditModel::MaxColumn + 500;
        Editor e({QString(len, 'a')});
        e.Key(Qt::Key_End);
        QCOMPARE(e.m.Cursor().Col, len);
        e.Key(Qt::Key_B, Qt::NoModifier, "b");
        QVERIFY(Lines(e.m).first().endsWith("ab"));
        QCOMPARE(e.m.Cursor().Col, len + 1);
    }

    // ReplaceAllWords resumes right after each replacement, whatever its length.
    void replaceAllWordsResumes_data()
    {
        QTest::addColumn<QString>("with");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        QTest::newRow("shorter") << "a" << "a a-a x" << 3;
        QTest::newRow("contains") << "ab ab" << "ab ab ab ab-ab ab x" << 3;
        QTest::newRow("equal") << "ab" << "ab ab-ab x" << 3;
        QTest::newRow("extends") << "abab" << "abab abab-abab x" << 3;
    }
    void replaceAllWordsResumes()
    {
        QFETCH(QString, with);
        QFETCH(QString, expected);
        QFETCH(int, count);
        Editor e({"ab ab-ab x"});
        QCOMPARE(e.m.ReplaceAllWords("ab", with), count);
        QCOMPARE(Lines(e.m).first(), expected);
    }

    // Random edit sequences through the commands: every command returns, a
    // shown block is never empty (but for a rectangle being marked), and
    // undoing everything gives back the first text with Modified false.
    void randomEditsUndoToTheStart()
    {
        const QStringList start{"int main() {", "    return 0; // done", "}", "", "word_1 @x y"};
        struct Step {
            int key;
            Qt::KeyboardModifiers mods;
            const char *text;
        };
        const Qt::KeyboardModifiers no = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        const Step steps[] = {
            {Qt::Key_A, no, "a"},        {Qt::Key_Space, no, " "},      {Qt::Key_Return, no, ""},
            {Qt::Key_Backspace, no, ""}, {Qt::Key_Delete, no, ""},      {Qt::Key_Tab, no, ""},
            {Qt::Key_Left, no, ""},      {Qt::Key_Right, no, ""},       {Qt::Key_Up, no, ""},
            {Qt::Key_Down, no, ""},      {Qt::Key_End, no, ""},         {Qt::Key_Home, no, ""},
            {Qt::Key_Right, shift, ""},  {Qt::Key_Down, shift, ""},     {Qt::Key_Right, Qt::AltModifier, ""},
            {Qt::Key_D, ctrl, ""},       {Qt::Key_Y, ctrl, ""},         {Qt::Key_T, ctrl, ""},
            {Qt::Key_Backspace, ctrl, ""}, {Qt::Key_X, ctrl, ""},       {Qt::Key_V, ctrl, ""},
            {Qt::Key_Period, ctrl, ""},  {Qt::Key_Comma, ctrl, ""},     {Qt::Key_BracketRight, ctrl, ""},
            {Qt::Key_BracketLeft, ctrl, ""}, {Qt::Key_Insert, no, ""},  {Qt::Key_Delete, ctrl, ""},
            {Qt::Key_A, ctrl, ""},       {Qt::Key_K, ctrl, ""},         {Qt::Key_C, no, "c"},
            {Qt::Key_K, ctrl, ""},       {Qt::Key_V, no, "v"},          {Qt::Key_Q, ctrl, ""},
            {Qt::Key_Y, no, "y"},
        };
        for (quint32 seed = 1; seed <= 40; ++seed) {
            QRandomGenerator rng(seed);
            Editor e(start);
            e.m.UndoLimit = 1000;
            QGuiApplication::clipboard()->setText("p1\r\np2");
            for (int i = 0; i < 60; ++i) {
                const Step &s = steps[rng.bounded(int(std::size(steps)))];
                e.Key(s.key, s.mods, QString::fromLatin1(s.text));
                // Only a rectangle being marked may be no column wide.
                const bool marking = e.m.Block().Kind == pbColumn && e.m.Block().Start.Col == e.m.Block().End.Col;
                if (e.m.Block().Shown && !marking)
                    QVERIFY2(e.m.CheckBlock(), qPrintable(QStringLiteral("seed %1 step %2").arg(seed).arg(i)));
                QVERIFY(e.m.Cursor().Line < e.m.LineCount());
            }
            for (int i = 0; i < 2000 && e.m.UNDO() != 0; ++i) {
            }
            QCOMPARE(Lines(e.m), start);
            QVERIFY2(!e.m.Modified, qPrintable(QStringLiteral("seed %1").arg(seed)));
        }
    }
};

QTEST_MAIN(EditPathTest)
#include "edit_path_test.moc"
