// The editor's commands on the model without a window: blocks and the
// clipboard, search and replace, and the key table.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_search.h"
#include "tests/controls/editor/edit_test_util.h"

using namespace EditBlocks;

Q_DECLARE_METATYPE(TPE_Pos)

class EditorCommandsTest : public QObject {
    Q_OBJECT
private slots:
    // ---- blocks and clipboard ----
    void columnBlockCopiedAndPasted()
    {
        EditModel m;
        SetLines(m, {"ab", "abcdef", "", "xyz"});
        SetBlock(m, pbColumn, 0, 1, 1, 4);
        QCOMPARE(GetBlockText(m), QString("b  \rbcd\r"));
        CopyBlockToClipboard(m);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(ColumnBlockMime));
        m.SetCursor(2, 2);
        PasteFromClipboard(m);
        QCOMPARE(Lines(m), (QStringList{"ab", "abcdef", "  b", "xybcdz"}));
        QCOMPARE(m.Block().Kind, pbColumn);
        QVERIFY(m.Block().Shown);
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col, m.Block().End.Line, m.Block().End.Col}),
                 (QList<int>{2, 2, 3, 5}));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::PasteBlock));
        QCOMPARE(m.UNDO(), 1);
        QCOMPARE(Lines(m), (QStringList{"ab", "abcdef", "", "xyz"}));
    }

    void streamBlockText()
    {
        EditModel m;
        SetLines(m, {"hello", "world"});
        SetBlock(m, pbStream, 0, 2, 1, 3);
        QCOMPARE(GetBlockText(m), QString("llo\r\nwor"));
        SelectAll(m);
        QCOMPARE(GetBlockText(m), QString("hello\r\nworld\r\n"));
        m.SetBlock(EditBlock{m.Block().Kind, false, m.Block().Start, m.Block().End});
        QCOMPARE(GetBlockText(m), QString());
    }

    void streamPasteSplitsTheLine()
    {
        EditModel m;
        SetLines(m, {"abcdef"});
        m.SetCursor(0, 3);
        InsertBlockToCursor(m, "XY\r\nZW", pbStream);
        QCOMPARE(Lines(m), (QStringList{"abcXY", "ZWdef"}));
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{1, 2}));
        QCOMPARE(GetBlockText(m), QString("XY\r\nZW"));
        // CR, LF, LF CR and CR LF each end one line.
        QCOMPARE(SplitPieces("a\rb\nc\n\rd\r\ne"), (QStringList{"a", "b", "c", "d", "e"}));
        QCOMPARE(SplitPieces("a\n\n"), (QStringList{"a", "", ""}));
    }

    void hugeOrOddClipboardText()
    {
        EditModel m;
        SetLines(m, {"head", "tail"});
        m.SetCursor(1, 0);
        QString big;
        for (int i = 0; i < 200000; ++i)
            big += QString::fromUtf8("x\0y ", 4) + QString::number(i) + QStringLiteral("\r\n");
        QGuiApplication::clipboard()->setText(big);
        PasteFromClipboard(m);
        QCOMPARE(m.LineCount(), 200002);
        QCOMPARE(m.Lines().at(1), QString::fromUtf8("x\0y 0", 5));
        QCOMPARE(m.Lines().at(200001), QString("tail"));
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{200001, 0}));
        QCOMPARE(m.UNDO(), 1);
        QCOMPARE(Lines(m), (QStringList{"head", "tail"}));
    }

    void deleteStreamBlockMovesTheCursor_data()
    {
        QTest::addColumn<TPE_Pos>("cursor");
        QTest::addColumn<TPE_Pos>("after");
        QTest::newRow("inside") << TPE_Pos{1, 1} << TPE_Pos{0, 2};
        QTest::newRow("end line after the end") << TPE_Pos{2, 4} << TPE_Pos{0, 4};
        QTest::newRow("below") << TPE_Pos{3, 1} << TPE_Pos{1, 1};
        QTest::newRow("above") << TPE_Pos{0, 1} << TPE_Pos{0, 1};
    }
    void deleteStreamBlockMovesTheCursor()
    {
        QFETCH(TPE_Pos, cursor);
        QFETCH(TPE_Pos, after);
        EditModel m;
        SetLines(m, {"abcd", "efgh", "ijkl", "mnop"});
        SetBlock(m, pbStream, 0, 2, 2, 2);
        m.SetCursor(cursor.Line, cursor.Col);
        DoDeleteBlock(m);
        QCOMPARE(Lines(m), (QStringList{"abkl", "mnop"}));
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), after);
        QVERIFY(!m.Block().Shown);
        QCOMPARE(m.GetUNDO(), QString(UndoNames::DeleteBlock));
    }

    void moveAndCopyBlocks()
    {
        EditModel m;
        SetLines(m, {"one two", "three"});
        SetBlock(m, pbStream, 0, 0, 0, 4);
        m.SetCursor(1, 5);
        DoCopyBlock(m);
        QCOMPARE(Lines(m), (QStringList{"one two", "threeone"}));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::CopyBlock));
        SetBlock(m, pbStream, 0, 0, 0, 4);
        m.SetCursor(1, 0);
        DoMoveBlock(m);
        QCOMPARE(Lines(m), (QStringList{"two", "one threeone"}));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::MoveBlock));
    }

    // Indent, unindent, comment and uncomment: the lines before and after.
    void lineCommands_data()
    {
        QTest::addColumn<int>("command");   // 0 indent, 1 unindent, 2 comment, 3 uncomment
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("undo");
        const QStringList none;
        QTest::newRow("unindent refused by a letter")
            << 1 << int(pbStream) << QStringList{"  a", "b", "c"} << QStringList{"  a", "b", "c"} << QString();
        QTest::newRow("unindent one space each") << 1 << int(pbStream) << QStringList{"  a", " b", "c"}
                                                 << QStringList{" a", "b", "c"} << UndoNames::UnindentBlock;
        QTest::newRow("uncomment") << 3 << int(pbStream) << QStringList{"// a", "//b", "c"}
                                   << QStringList{"a", "b", "c"} << UndoNames::UncommentBlock;
        QTest::newRow("uncomment refused")
            << 3 << int(pbStream) << QStringList{"// a", "b", "c"} << QStringList{"// a", "b", "c"} << QString();
        QTest::newRow("comment stops before column 0 of the end line")
            << 2 << int(pbStream) << QStringList{"a", "b", "c"} << QStringList{"// a", "// b", "c"}
            << UndoNames::CommentBlock;
        QTest::newRow("indent stops before column 0 of the end line")
            << 0 << int(pbStream) << QStringList{"a", "b", "c"} << QStringList{" a", " b", "c"}
            << UndoNames::IndentBlock;
        QTest::newRow("column comment at the start column")
            << 2 << int(pbColumn) << QStringList{"abc", "d", "efg"} << QStringList{"a// bc", "d//", "e// fg"}
            << UndoNames::CommentBlock;
    }
    void lineCommands()
    {
        QFETCH(int, command);
        QFETCH(int, kind);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, undo);
        EditModel m;
        SetLines(m, before);
        if (kind == pbStream)
            SetBlock(m, pbStream, 0, 0, 2, 0);
        else
            SetBlock(m, pbColumn, 0, 1, 2, 2);
        void (*commands[])(EditModel &) = {DoIndentBlock, DoUnindentBlock, DoCommentBlock, DoUncommentBlock};
        commands[command](m);
        QCOMPARE(Lines(m), after);
        QCOMPARE(m.GetUNDO(), undo.isEmpty() ? QString() : undo);
    }

    void fill()
    {
        EditModel m;
        SetLines(m, {"abcdef", "ab"});
        ScriptedDialogs d;
        d.fillResult = mrOk;
        d.fillText = "*";
        SetBlock(m, pbStream, 0, 1, 1, 1);   // two lines: nothing, not even a question
        DoFillBlock(m, d);
        QCOMPARE(d.questions, 0);
        QCOMPARE(Lines(m), (QStringList{"abcdef", "ab"}));
        SetBlock(m, pbColumn, 0, 1, 1, 4);
        DoFillBlock(m, d);
        QCOMPARE(Lines(m), (QStringList{"a***ef", "a***"}));
        QCOMPARE(m.BlockFillChar, QChar('*'));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::FillBlock));
        d.fillResult = mrCancel;
        d.fillText = "#";
        DoFillBlock(m, d);
        QCOMPARE(Lines(m), (QStringList{"a***ef", "a***"}));
    }

    // ---- search and replace ----
    void search_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("columnBlock");
        QTest::addColumn<TPE_Pos>("found");   // line -1: not found
        QTest::newRow("whole words") << QStringList{"abc ab"} << "ab" << true << false << false << TPE_Pos{0, 4};
        QTest::newRow("any case") << QStringList{"xx AB"} << "Ab" << false << false << false << TPE_Pos{0, 3};
        QTest::newRow("case kept") << QStringList{"xx AB"} << "Ab" << false << true << false << TPE_Pos{-1, 0};
        QTest::newRow("inside a column block")
            << QStringList{"ab   ab", "  ab"} << "ab" << false << false << true << TPE_Pos{1, 2};
        QTest::newRow("Cyrillic any case")
            << QStringList{"", "Привет МИР"} << "мир" << false << false << false << TPE_Pos{1, 7};
    }
    void search()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QFETCH(bool, whole);
        QFETCH(bool, matchCase);
        QFETCH(bool, columnBlock);
        QFETCH(TPE_Pos, found);
        EditModel m;
        SetLines(m, lines);
        if (columnBlock)
            SetBlock(m, pbColumn, 0, 1, 1, 4);
        TPE_Pos pos;
        const bool ok = EditSearch::SearchText(m, text, SearchParams{whole, matchCase, columnBlock, false}, pos);
        QCOMPARE(ok, found.Line >= 0);
        if (ok)
            QCOMPARE(pos, found);
    }

    void replaceAllWithPrompt()
    {
        EditModel m;
        SetLines(m, {"a a", "a", "x a"});
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "a";
            f.ReplaceText = "bb";
            return int(mrAll);
        };
        d.promptAnswers = {mrYes, mrNo, mrAll};
        EditSearch::DoSearchReplace(m, d);
        QCOMPARE(Lines(m), (QStringList{"bb a", "bb", "x bb"}));
        QCOMPARE(d.prompts, 3);
        QCOMPARE(d.messages, QStringList{"Поиск завершен. Выполнено замен: 3."});
        QCOMPARE(m.GetUNDO(), QString(UndoNames::SearchReplace));
        QCOMPARE(m.Found().Len, 0);
        QCOMPARE(m.UNDO(), 1);
        QCOMPARE(Lines(m), (QStringList{"a a", "a", "x a"}));
        QCOMPARE(m.UNDO(), 0);
    }

    void cancelKeepsOneUndoStep()
    {
        EditModel m;
        SetLines(m, {"a a a a"});
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "a";
            f.ReplaceText = "b";
            return int(mrAll);
        };
        d.promptAnswers = {mrYes, mrYes, mrCancel};
        EditSearch::DoSearchReplace(m, d);
        QCOMPARE(Lines(m), QStringList{"b b a a"});
        QVERIFY(d.messages.isEmpty());
        QCOMPARE(m.UndoList().size(), 1);
        QCOMPARE(m.UNDO(), 1);
        QCOMPARE(Lines(m), QStringList{"a a a a"});
    }

    void replacementHoldingTheSearchText()
    {
        EditModel m;
        SetLines(m, {"ab ab", "ab"});
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "ab";
            f.ReplaceText = "abab";
            f.Prompt = false;
            return int(mrAll);
        };
        EditSearch::DoSearchReplace(m, d);
        QCOMPARE(Lines(m), (QStringList{"abab abab", "abab"}));
        QCOMPARE(d.messages, QStringList{"Поиск завершен. Выполнено замен: 3."});
    }

    void replaceAllRefreshesOnce()
    {
        // A replace-all without prompts is one change for the view, however
        // many replacements it makes: the text is measured once, not per step.
        struct CountingView : EditView {
            int changes = 0;
            void ChangeText() override { ++changes; }
        } view;
        QStringList lines;
        for (int i = 0; i < 500; ++i)
            lines << "x = x + 1; x";
        EditModel m;
        SetLines(m, lines);
        m.SetView(&view);
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "x";
            f.ReplaceText = "y";
            f.Prompt = false;
            return int(mrAll);
        };
        EditSearch::DoSearchReplace(m, d);
        QCOMPARE(d.messages, QStringList{"Поиск завершен. Выполнено замен: 1500."});
        QCOMPARE(view.changes, 1);
        QCOMPARE(m.Lines().at(499), QString("y = y + 1; y"));
        QVERIFY(m.Modified);
        m.SetView(nullptr);
    }

    void replaceRespectsReadOnly()
    {
        EditModel m;
        SetLines(m, {"a"});
        m.ReadOnly = true;
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "a";
            return int(mrAll);
        };
        EditSearch::DoSearchReplace(m, d);
        m.SearchState().FindText = "a";
        m.SearchState().ReplaceMode = true;
        m.SearchState().ReplaceAllConfirmed = true;
        EditSearch::FindNext(m, d, nullptr);
        QCOMPARE(Lines(m), QStringList{"a"});
        QVERIFY(m.UndoList().isEmpty());
    }

    void notFoundAndEmptySearchText()
    {
        EditModel m;
        SetLines(m, {"abc"});
        ScriptedDialogs d;
        int asked = 0;
        d.search = [&asked](SearchDialogFields &f) {
            f.FindText = ++asked < 3 ? QString() : QString(5000, 'q');   // OK with nothing: asked again
            return int(mrOk);
        };
        EditSearch::DoSearch(m, d);
        QCOMPARE(asked, 3);
        QCOMPARE(d.messages.size(), 1);
        QVERIFY(d.messages.first().startsWith("Строка 'qqq"));
        QVERIFY(d.messages.first().endsWith("...' не найдена."));
        QVERIFY(d.messages.first().toUtf8().size() < 512);
    }

    void findWordFindsTheFirstOccurrence()
    {
        EditModel m;
        SetLines(m, {"x foo", "foobar", "y foo"});
        m.SetCursor(2, 3);
        ScriptedDialogs d;
        Press(m, d, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{0, 5}));
        QCOMPARE((QList<int>{m.Found().Pos.Line, m.Found().Pos.Col, m.Found().Len}), (QList<int>{0, 2, 3}));
        // Ctrl+L from there finds the next whole word, skipping foobar.
        Press(m, d, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{2, 5}));
    }

    void gotoLine()
    {
        EditModel m;
        SetLines(m, {"a", "b", "c"});
        ScriptedDialogs d;
        d.lineNoResult = mrOk;
        d.lineNoValue = 3;
        Press(m, d, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(m.Cursor().Line, 2);
    }

    // ---- keys ----
    void tabStops()
    {
        EditModel m;
        SetLines(m, {"abc", "", "return x"});
        ScriptedDialogs d;
        m.SetCursor(0, 7);
        Press(m, d, Qt::Key_Tab);
        QCOMPARE(m.Cursor().Col, 12);
        // The line above sets the stop: where its next word begins.
        m.InsertLines(m.LineCount(), {QString()});
        m.SetCursor(3, 0);
        Press(m, d, Qt::Key_Tab);
        QCOMPARE(m.Cursor().Col, 7);
        QCOMPARE(m.Lines().at(3), QString());
        QCOMPARE(m.GetUNDO(), QString(UndoNames::Tab));
    }

    void enter()
    {
        EditModel m;
        SetLines(m, {"    abcd", "x"});
        ScriptedDialogs d;
        m.SetCursor(0, 6);
        Press(m, d, Qt::Key_Return);
        QCOMPARE(Lines(m), (QStringList{"    ab", "    cd", "x"}));
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{1, 4}));
        m.OverwriteMode = true;
        Press(m, d, Qt::Key_Return);
        QCOMPARE(m.LineCount(), 3);
        QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), (TPE_Pos{2, 0}));
    }

    void typing()
    {
        EditModel m;
        SetLines(m, {"ab"});
        ScriptedDialogs d;
        m.SetCursor(0, 5);
        Type(m, d, " ");
        QCOMPARE(Lines(m), QStringList{"ab"});
        QCOMPARE(m.Cursor().Col, 6);
        Type(m, d, "x");
        QCOMPARE(Lines(m), QStringList{"ab    x"});
        // Three letters go back in one step.
        SetLines(m, {"ab"});
        m.ClearUNDO();
        m.SetCursor(0, 1);
        Type(m, d, "xyz");
        QCOMPARE(Lines(m), QStringList{"axyzb"});
        QCOMPARE(m.UNDO(), 1);
        QCOMPARE(Lines(m), QStringList{"ab"});
        QCOMPARE(m.Cursor().Col, 1);
        // Overwrite mode replaces.
        m.OverwriteMode = true;
        Type(m, d, "Q");
        QCOMPARE(Lines(m), QStringList{"aQ"});
        QCOMPARE(m.GetUNDO(), QString(UndoNames::TypeOverwrite));
    }

    void prefixes()
    {
        EditModel m;
        SetLines(m, {"f(a(b)c)", "abc"});
        ScriptedDialogs d;
        m.SetCursor(1, 1);
        Press(m, d, Qt::Key_K, Qt::ControlModifier, "\x0b");
        Press(m, d, Qt::Key_B, Qt::NoModifier, "b");
        QCOMPARE(Lines(m), (QStringList{"f(a(b)c)", "abc"}));
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col}), (QList<int>{1, 1}));
        // Ctrl pressed again before the second key keeps the prefix.
        m.SetCursor(1, 3);
        Press(m, d, Qt::Key_K, Qt::ControlModifier, "\x0b");
        Press(m, d, Qt::Key_Control, Qt::ControlModifier);
        Press(m, d, Qt::Key_K, Qt::ControlModifier, "\x0b");
        QVERIFY(m.Block().Shown);
        QCOMPARE(GetBlockText(m), QString("bc"));
        // An unknown second key ends the prefix and types nothing.
        Press(m, d, Qt::Key_Q, Qt::ControlModifier, "\x11");
        Press(m, d, Qt::Key_Z, Qt::NoModifier, "z");
        Type(m, d, "y");
        QCOMPARE(m.Lines().at(1), QString("abcy"));
        // Brackets.
        m.SetCursor(0, 1);
        Press(m, d, Qt::Key_Q, Qt::ControlModifier, "\x11");
        Press(m, d, Qt::Key_BracketRight, Qt::NoModifier, "]");
        QCOMPARE(m.Cursor().Col, 7);
        Press(m, d, Qt::Key_Q, Qt::ControlModifier, "\x11");
        Press(m, d, Qt::Key_BracketLeft, Qt::ControlModifier);
        QCOMPARE(m.Cursor().Col, 1);
        QCOMPARE(m.Lines().at(0), QString("f(a(b)c)"));
    }

    void marking()
    {
        EditModel m;
        SetLines(m, {"line0", "line1", "line2 x", "line3 y"});
        ScriptedDialogs d;
        m.SetCursor(2, 3);
        Press(m, d, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(m.Block().Kind, pbStream);
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col, m.Block().End.Line, m.Block().End.Col}),
                 (QList<int>{2, 3, 3, 3}));
        Press(m, d, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(m.Block().Kind, pbColumn);
        QVERIFY(m.Block().Shown);
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col, m.Block().End.Line, m.Block().End.Col}),
                 (QList<int>{3, 3, 3, 4}));
        // Alt+letter is not typed.
        Press(m, d, Qt::Key_A, Qt::AltModifier, "a");
        QCOMPARE(m.Lines().at(3), QString("line3 y"));
    }

    void wordMovesAndDeletes()
    {
        EditModel m;
        SetLines(m, {"foo  bar(x)", "  next"});
        ScriptedDialogs d;
        const std::pair<TPE_Pos, TPE_Pos> nextStarts[] = {
            {{0, 0}, {0, 5}}, {{0, 3}, {0, 5}}, {{0, 5}, {0, 9}}, {{0, 11}, {1, 2}}, {{1, 9}, {1, 6}}};
        for (auto [from, to] : nextStarts) {
            m.SetCursor(from.Line, from.Col);
            Press(m, d, Qt::Key_Right, Qt::ControlModifier);
            QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), to);
        }
        const std::pair<TPE_Pos, TPE_Pos> prevStarts[] = {
            {{0, 7}, {0, 5}}, {{0, 5}, {0, 0}}, {{1, 2}, {0, 11}}, {{0, 0}, {0, 0}}, {{1, 20}, {1, 2}}};
        for (auto [from, to] : prevStarts) {
            m.SetCursor(from.Line, from.Col);
            Press(m, d, Qt::Key_Left, Qt::ControlModifier);
            QCOMPARE((TPE_Pos{m.Cursor().Line, m.Cursor().Col}), to);
        }
        m.SetCursor(0, 5);
        Press(m, d, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(m.Lines().at(0), QString("foo  x)"));
        Press(m, d, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(m.Lines().at(0), QString("x)"));
        QCOMPARE(m.Cursor().Col, 0);
    }

    void joinsAndLines()
    {
        EditModel m;
        SetLines(m, {"ab", "cd", "ef"});
        ScriptedDialogs d;
        SetBlock(m, pbStream, 1, 1, 2, 1);
        m.SetCursor(1, 0);
        Press(m, d, Qt::Key_Backspace);
        QCOMPARE(Lines(m), (QStringList{"abcd", "ef"}));
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col, m.Block().End.Line}), (QList<int>{0, 3, 1}));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::BackspaceJoin));
        m.SetCursor(0, 6);
        Press(m, d, Qt::Key_Delete);
        QCOMPARE(Lines(m), (QStringList{"abcd  ef"}));
        Press(m, d, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(Lines(m), (QStringList{"abcd  ef", "abcd  ef"}));
        QCOMPARE(m.Cursor().Line, 1);
        Press(m, d, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Lines(m), (QStringList{"abcd  ef", ""}));
        m.SetCursor(0, 4);
        Press(m, d, Qt::Key_Q, Qt::ControlModifier);
        Press(m, d, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Lines(m), (QStringList{"abcd", ""}));
        QCOMPARE(m.GetUNDO(), QString(UndoNames::DeleteToLineEnd));
    }

    // How each edit moves the block's corners.
    void cornersFollowEdits_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("before");   // start line, col, end line, col
        QTest::addColumn<TPE_Pos>("cursor");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QList<int>>("after");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("typed") << int(pbStream) << QList<int>{0, 2, 1, 1} << TPE_Pos{0, 1} << int(Qt::Key_X) << none
                               << QList<int>{0, 3, 1, 1};
        QTest::newRow("enter") << int(pbStream) << QList<int>{0, 4, 1, 1} << TPE_Pos{0, 2} << int(Qt::Key_Return)
                               << none << QList<int>{1, 2, 2, 1};
        QTest::newRow("line removed") << int(pbStream) << QList<int>{1, 3, 2, 2} << TPE_Pos{1, 0} << int(Qt::Key_Y)
                                      << ctrl << QList<int>{1, 0, 1, 2};
        QTest::newRow("line duplicated") << int(pbStream) << QList<int>{1, 1, 2, 2} << TPE_Pos{0, 0} << int(Qt::Key_D)
                                         << ctrl << QList<int>{2, 1, 3, 2};
        QTest::newRow("delete joins") << int(pbStream) << QList<int>{1, 1, 1, 2} << TPE_Pos{0, 7} << int(Qt::Key_Delete)
                                      << none << QList<int>{0, 8, 0, 9};
        QTest::newRow("column enter at 0") << int(pbColumn) << QList<int>{1, 0, 2, 2} << TPE_Pos{1, 0}
                                           << int(Qt::Key_Return) << none << QList<int>{1, 0, 3, 2};
        QTest::newRow("column backspace joins") << int(pbColumn) << QList<int>{2, 0, 3, 2} << TPE_Pos{1, 0}
                                                << int(Qt::Key_Backspace) << none << QList<int>{1, 0, 2, 2};
    }
    void cornersFollowEdits()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, before);
        QFETCH(TPE_Pos, cursor);
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QList<int>, after);
        EditModel m;
        SetLines(m, {"abcdef", "ghijkl", "mnopqr", "stuvwx", "yz"});
        SetBlock(m, TPE_Block(kind), before[0], before[1], before[2], before[3]);
        m.SetCursor(cursor.Line, cursor.Col);
        ScriptedDialogs d;
        Press(m, d, key, Qt::KeyboardModifiers(mods), key == Qt::Key_X ? "x" : "");
        QCOMPARE((QList<int>{m.Block().Start.Line, m.Block().Start.Col, m.Block().End.Line, m.Block().End.Col}), after);
    }

    void readOnlyRefusesEveryChangingKey()
    {
        struct KeyCase {
            int key;
            Qt::KeyboardModifiers mods;
            const char *text;
        };
        const KeyCase keys[] = {{Qt::Key_Backspace, {}, ""},
                                {Qt::Key_Return, {}, "\r"},
                                {Qt::Key_Delete, {}, ""},
                                {Qt::Key_Tab, {}, "\t"},
                                {Qt::Key_X, {}, "x"},
                                {Qt::Key_Backspace, Qt::ControlModifier, ""},
                                {Qt::Key_D, Qt::ControlModifier, ""},
                                {Qt::Key_T, Qt::ControlModifier, ""},
                                {Qt::Key_X, Qt::ControlModifier, ""},
                                {Qt::Key_Y, Qt::ControlModifier, ""},
                                {Qt::Key_V, Qt::ControlModifier, ""},
                                {Qt::Key_Insert, Qt::ShiftModifier, ""},
                                {Qt::Key_Delete, Qt::ControlModifier, ""},
                                {Qt::Key_Period, Qt::ControlModifier, ""},
                                {Qt::Key_BracketRight, Qt::ControlModifier, ""},
                                {Qt::Key_R, Qt::ControlModifier, ""}};
        const QStringList text{"ab cd", "  ef", "gh"};
        EditModel m;
        SetLines(m, text);
        m.ReadOnly = true;
        ScriptedDialogs d;
        d.replace = [](SearchDialogFields &f) {
            f.FindText = "ab";
            return int(mrAll);
        };
        QGuiApplication::clipboard()->setText("pasted");
        for (const KeyCase &k : keys) {
            SetBlock(m, pbStream, 0, 1, 1, 3);
            m.SetCursor(0, 3);
            Press(m, d, k.key, k.mods, k.text);
            QVERIFY2(Lines(m) == text, qPrintable(QString("key %1").arg(k.key, 0, 16)));
        }
        const int prefixed[][2] = {{Qt::Key_K, Qt::Key_C}, {Qt::Key_K, Qt::Key_V}, {Qt::Key_K, Qt::Key_Y},
                                   {Qt::Key_K, Qt::Key_I}, {Qt::Key_K, Qt::Key_U}, {Qt::Key_K, Qt::Key_F},
                                   {Qt::Key_Q, Qt::Key_Y}};
        for (auto [first, second] : prefixed) {
            SetBlock(m, pbStream, 0, 1, 1, 3);
            Press(m, d, first, Qt::ControlModifier);
            Press(m, d, second, Qt::NoModifier);
            QCOMPARE(Lines(m), text);
        }
        QVERIFY(m.UndoList().isEmpty());
        QVERIFY(!m.Modified);
        QCOMPARE(d.questions, 0);
    }

    void loneCtrlSwitchesTheLayout()
    {
        EditModel m;
        SetLines(m, {""});
        ScriptedDialogs d;
        m.SwitchKeybLayoutOnCtrl = true;
        Press(m, d, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(EditKeys::KeyUp(m, Qt::Key_Control, Qt::NoModifier));
        Press(m, d, Qt::Key_Control, Qt::ControlModifier);
        Press(m, d, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(!EditKeys::KeyUp(m, Qt::Key_Control, Qt::NoModifier));
        m.SwitchKeybLayoutOnCtrl = false;
        Press(m, d, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(!EditKeys::KeyUp(m, Qt::Key_Control, Qt::NoModifier));
    }
};

QTEST_MAIN(EditorCommandsTest)
#include "editor_commands_test.moc"
