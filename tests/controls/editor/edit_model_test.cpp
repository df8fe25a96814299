#include <QRandomGenerator>
#include <QTest>
#include <climits>

#include "tests/controls/editor/edit_test_util.h"

class EditModelTest : public QObject {
    Q_OBJECT

private slots:
    void linesBehaveLikeAStringList();
    void emptyTextHasOneLine();
    void cursorFollowsAndScrollsTheView();
    void cursorStandsPastTheLineEnd();
    void cursorColumnIsCapped();
    void startIsClamped();
    void replaceSubStr_data();
    void replaceSubStr();
    void replaceSubStrRepaintsOnlyItsLines();
    void replaceAllWordsSkipsPartsOfWords();
    void words_data();
    void words();
    void updateBracketReportsOnlyRealChanges();
    void foundMarkerGoesWithTheNextMove();
    void infoAboutWordWaitsForTheLastMove();
};

void EditModelTest::linesBehaveLikeAStringList()
{
    // Random edits on both lists, with copies taken on the way that must not change.
    QRandomGenerator rng(12);
    QStringList ref;
    for (int i = 0; i < 1500; ++i)
        ref << QString::number(i);
    EditLines lines(ref);
    QList<QPair<EditLines, QStringList>> copies;
    for (int step = 0; step < 3000; ++step) {
        const int n = int(ref.size());
        const QString text = QStringLiteral("s%1").arg(step);
        switch (rng.bounded(5)) {
        case 0: {
            const int i = rng.bounded(n + 1);
            ref.insert(i, text);
            lines.insert(i, text);
            break;
        }
        case 1:
            if (n > 0) {
                const int i = rng.bounded(n);
                ref.removeAt(i);
                lines.removeAt(i);
            }
            break;
        case 2:
            if (n > 0) {
                const int i = rng.bounded(n);
                const QString t = text.repeated(1 + step % 7);
                ref[i] = t;
                lines[i] = t;
            }
            break;
        case 3:
            if (n > 3) {
                const int i = rng.bounded(n - 3);
                ref.remove(i, 3);
                lines.remove(i, 3);
            }
            break;
        default:
            ref.append(text);
            lines.append(text);
            break;
        }
        if (step % 500 == 0)
            copies.append({lines, ref});
        if (step % 97 == 0) {
            qsizetype longest = 0;
            for (const QString &r : ref)
                longest = std::max(longest, r.size());
            QCOMPARE(lines.MaxLength(), int(longest));
        }
    }
    QCOMPARE(lines.size(), int(ref.size()));
    QCOMPARE(lines.toStringList(), ref);
    QVERIFY(lines == ref);
    QCOMPARE(lines.mid(100, 7), ref.mid(100, 7));
    QCOMPARE(lines.join(u"\n"), ref.join(QLatin1Char('\n')));
    QStringList walked;
    for (const QString &s : lines)
        walked << s;
    QCOMPARE(walked, ref);
    for (const auto &[copy, expected] : copies)
        QCOMPARE(copy.toStringList(), expected);
    QVERIFY(lines.ChunkCount() > 1);
    lines.clear();
    QVERIFY(lines.isEmpty());
    lines.insert(0, QStringLiteral("a"));
    QCOMPARE(lines.toStringList(), QStringList{QStringLiteral("a")});
}

void EditModelTest::emptyTextHasOneLine()
{
    TestEditor e;
    e.m.ReplaceText(EditLines());
    QCOMPARE(e.Text(), QStringList{QString()});
    e.m.SetCursor(5, 3);
    QCOMPARE(e.m.Cursor().Line, 0);
    QCOMPARE(e.m.Cursor().Col, 3);
    e.m.SetCursorLine(-2);
    QCOMPARE(e.m.Cursor().Line, 0);
}

void EditModelTest::cursorFollowsAndScrollsTheView()
{
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("line %1").arg(i);
    TestEditor e(lines);
    QCOMPARE(e.m.Metrics().VisLines, 10);
    QCOMPARE(e.m.Metrics().VisCols, 80);
    QCOMPARE(e.m.VertRange().Max, 90);
    struct Move {
        int line, col, startLine, startCol;
    };
    const Move moves[] = {
        {5, 0, 0, 0},   // inside the view: no scroll
        {50, 0, 41, 0},   // below: the line becomes the last visible one
        {30, 0, 30, 0},   // above: the line becomes the first
        {30, 85, 30, 6},   // right of the view
        {30, 2, 30, 2},   // left of it
        {500, 0, 90, 0},   // clamped to the last line
    };
    for (const Move &mv : moves) {
        e.m.SetCursor(mv.line, mv.col);
        QCOMPARE(e.m.Start().Line, mv.startLine);
        QCOMPARE(e.m.Start().Col, mv.startCol);
        QCOMPARE(e.m.VertRange().Pos, e.m.Start().Line);
    }
    QCOMPARE(e.m.Cursor().Line, 99);
    QCOMPARE(e.view.CursorChanges, 6);
    QCOMPARE(e.view.StartChanges, 5);
    e.m.SetCursor(99, 0);   // no move: no event
    QCOMPARE(e.view.CursorChanges, 6);
}

void EditModelTest::cursorStandsPastTheLineEnd()
{
    TestEditor e({QStringLiteral("0123456789")});
    e.m.SetCursor(0, 100);
    QCOMPARE(e.m.Cursor().Col, 100);
    QCOMPARE(e.Text().at(0), QStringLiteral("0123456789"));
    // The horizontal bar reaches the cursor.
    QCOMPARE(e.m.HorzRange().Max, 100 - 80 + 1);
    e.m.InsertSubStr(0, 100, QStringLiteral("x"));
    QCOMPARE(e.Text().at(0), QStringLiteral("0123456789") + QString(90, QLatin1Char(' ')) + QStringLiteral("x"));
}

void EditModelTest::cursorColumnIsCapped()
{
    TestEditor e({QStringLiteral("abc")});
    e.m.SetCursor(0, INT_MAX);
    QCOMPARE(e.m.Cursor().Col, EditModel::MaxColumn);
    QCOMPARE(e.m.HorzRange().Max, EditModel::MaxColumn - 80 + 1);
    e.m.SetStartCol(INT_MAX);
    QVERIFY(e.m.Start().Col <= EditModel::MaxColumn);
    // An edit beyond the limit is outside the text: nothing is padded.
    e.m.InsertSubStr(0, EditModel::MaxColumn + 1, QStringLiteral("x"));
    e.m.InsertSubStr(0, INT_MAX, QStringLiteral("x"));
    QCOMPARE(e.Text().at(0), QStringLiteral("abc"));
    QCOMPARE(e.view.TextChanges, 0);
    // Inserting left of a cursor at the limit keeps it there.
    e.m.InsertSubStr(0, 0, QStringLiteral("zz"));
    QCOMPARE(e.m.Cursor().Col, EditModel::MaxColumn);
    e.m.SetCursor(0, -7);
    QCOMPARE(e.m.Cursor().Col, 0);
}

void EditModelTest::startIsClamped()
{
    QStringList lines;
    for (int i = 0; i < 30; ++i)
        lines << QString();
    TestEditor e(lines);
    e.m.SetStart(-5, -5);
    QCOMPARE(e.m.Start().Line, 0);
    QCOMPARE(e.m.Start().Col, 0);
    e.m.SetStartLine(100);
    QCOMPARE(e.m.Start().Line, 20);
    QCOMPARE(e.view.StartChanges, 1);
    // A scroll bar move sets the view without OnChangeStart.
    e.m.OnScrollBar(7, 3);
    QCOMPARE(e.m.Start().Line, 7);
    QCOMPARE(e.m.Start().Col, 3);
    QCOMPARE(e.view.StartChanges, 1);
}

void EditModelTest::replaceSubStr_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QList<int>>("op");   // col, count
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("cursorAfter");
    QTest::addColumn<QList<int>>("block");   // start col, end col of a stream block on the line, after (2, 5)
    QTest::newRow("trailing spaces go") << "ab   " << 0 << QList<int>{0, 0} << "x"
                                        << "xab" << 0 << QList<int>{3, 6};
    QTest::newRow("delete leaves spaces at the end") << "a b c" << 0 << QList<int>{4, 1} << ""
                                                     << "a b" << 0 << QList<int>{2, 4};
    QTest::newRow("insert left of the cursor") << "hello" << 3 << QList<int>{1, 0} << "XY"
                                               << "hXYello" << 5 << QList<int>{4, 7};
    QTest::newRow("insert at the cursor") << "hello" << 3 << QList<int>{3, 0} << "XY"
                                          << "helXYlo" << 3 << QList<int>{2, 7};
    QTest::newRow("delete left of the cursor") << "abcdef" << 5 << QList<int>{1, 2} << ""
                                               << "adef" << 3 << QList<int>{1, 3};
    QTest::newRow("delete over the cursor") << "abcdef" << 2 << QList<int>{1, 3} << ""
                                            << "aef" << 1 << QList<int>{1, 2};
    QTest::newRow("replace") << "abcdef" << 6 << QList<int>{2, 2} << "XYZ"
                             << "abXYZef" << 7 << QList<int>{5, 6};
    QTest::newRow("pad to the column") << "ab" << 0 << QList<int>{5, 0} << "x"
                                       << "ab   x" << 0 << QList<int>{2, 6};
    QTest::newRow("delete past the end") << "ab" << 9 << QList<int>{5, 3} << ""
                                         << "ab" << 6 << QList<int>{2, 5};
}

void EditModelTest::replaceSubStr()
{
    QFETCH(QString, line);
    QFETCH(int, cursor);
    QFETCH(QList<int>, op);
    QFETCH(QString, text);
    TestEditor e({line, QStringLiteral("other")});
    e.m.SetCursor(0, cursor);
    e.m.SetBlock(EditBlock{pbStream, true, {0, 2}, {0, 5}});
    e.view.Reset();
    e.m.ReplaceSubStr(0, op.at(0), op.at(1), text);
    QTEST(e.Text().at(0), "result");
    QTEST(e.m.Cursor().Col, "cursorAfter");
    QFETCH(QList<int>, block);
    QCOMPARE((QList<int>{e.m.Block().Start.Col, e.m.Block().End.Col}), block);
    QCOMPARE(e.Text().at(1), QStringLiteral("other"));
    QVERIFY(e.m.Modified);
    QCOMPARE(e.view.TextChanges, 1);
}

void EditModelTest::replaceSubStrRepaintsOnlyItsLines()
{
    TestEditor e({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    e.m.SetCursor(1, 0);
    e.view.Reset();
    e.m.InsertSubStr(1, 0, QStringLiteral("x"));
    QCOMPARE(e.view.All, 0);
    QCOMPARE(e.view.Lines, (QList<QPair<int, int>>{{1, 1}}));
    e.view.Reset();
    e.m.InsertSubStr(2, 0, QStringLiteral("y"));
    QCOMPARE(e.view.All, 0);
    QCOMPARE(e.view.Lines, (QList<QPair<int, int>>{{2, 1}, {1, 1}}));
    // Positions outside the text change nothing.
    e.view.Reset();
    e.m.InsertSubStr(3, 0, QStringLiteral("z"));
    e.m.InsertSubStr(-1, 0, QStringLiteral("z"));
    e.m.ReplaceSubStr(0, 0, 0, QString());
    e.m.ReplaceSubStr(0, -1, 1, QStringLiteral("q"));
    QCOMPARE(e.view.TextChanges, 0);
    QCOMPARE(e.Text(), (QStringList{"a", "xb", "yc"}));
}

void EditModelTest::replaceAllWordsSkipsPartsOfWords()
{
    TestEditor e({QStringLiteral("ab abc xab ab"), QStringLiteral("(ab)@ab Ab_ ab")});
    QCOMPARE(e.m.ReplaceAllWords(QStringLiteral("ab"), QStringLiteral("abab")), 4);
    QCOMPARE(e.Text(), (QStringList{"abab abc xab abab", "(abab)@ab Ab_ abab"}));
    QVERIFY(e.m.UndoList().isEmpty());
    QCOMPARE(e.m.ReplaceAllWords(QString(), QStringLiteral("x")), 0);
}

void EditModelTest::words_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("start");
    QTest::newRow("inside") << "  foo_bar@x + 12" << 4 << "foo_bar@x" << 2;
    QTest::newRow("just after") << "  foo_bar@x + 12" << 11 << "foo_bar@x" << 2;
    QTest::newRow("between non-words") << "  foo_bar@x + 12" << 12 << "" << -1;
    QTest::newRow("digits at the end") << "  foo_bar@x + 12" << 16 << "12" << 14;
    QTest::newRow("past the end") << "  foo_bar@x + 12" << 40 << "" << -1;
    QTest::newRow("cyrillic") << "x = Привет;" << 5 << "Привет" << 4;
    QTest::newRow("empty line") << "" << 0 << "" << -1;
}

void EditModelTest::words()
{
    QFETCH(QString, line);
    QFETCH(int, col);
    TestEditor e({line});
    e.m.SetCursor(0, col);
    int start = -1;
    QTEST(e.m.GetWordOnCursor(start), "word");
    if (!e.m.GetWordOnCursor(start).isEmpty())
        QTEST(start, "start");
}

void EditModelTest::updateBracketReportsOnlyRealChanges()
{
    TestEditor e({QStringLiteral("one"), QStringLiteral("two")});
    e.m.BeginUpdate();
    e.m.BeginUpdate();
    e.m.SetLineText(0, QStringLiteral("one"));   // same text: not a change
    e.m.EndUpdate();
    e.m.EndUpdate();
    QCOMPARE(e.view.TextChanges, 0);
    QVERIFY(!e.m.Modified);

    e.m.BeginUpdate();
    e.m.BeginUpdate();
    e.m.InsertLines(1, {QStringLiteral("new")});
    e.m.RemoveLines(0, 1);
    e.m.EndUpdate();
    QCOMPARE(e.view.TextChanges, 0);
    e.m.EndUpdate();
    QCOMPARE(e.view.TextChanges, 1);
    QVERIFY(e.m.Modified);
    QCOMPARE(e.Text(), (QStringList{"new", "two"}));
    e.m.EndUpdate();   // unbalanced: ignored, the next edit reports at once
    e.m.SetLineText(1, QStringLiteral("three"));
    QCOMPARE(e.view.TextChanges, 2);
}

void EditModelTest::foundMarkerGoesWithTheNextMove()
{
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("text %1 more").arg(i);
    TestEditor e(lines);
    const TPE_Pos at{9, 5};
    e.m.SetFoundMarker(2, &at);
    QCOMPARE(e.m.Cursor().Line, 9);
    QCOMPARE(e.m.Cursor().Col, 7);
    QCOMPARE(e.m.Found().Len, 2);
    QCOMPARE(e.m.Start().Line, 1);   // found on the last visible line: one line down
    e.m.SetCursor(9, 0);
    QCOMPARE(e.m.Found().Len, 0);
    e.m.SetFoundMarker(3, &at);
    e.m.InsertSubStr(0, 0, QStringLiteral("x"));
    QCOMPARE(e.m.Found().Len, 0);
    e.m.SetFoundMarker(3, nullptr);
    QCOMPARE(e.m.Found().Len, 0);
}

void EditModelTest::infoAboutWordWaitsForTheLastMove()
{
    TestEditor e({QStringLiteral("alpha beta gamma")});
    e.view.WantWords = true;
    e.m.SetCursor(0, 2);
    QCOMPARE(e.view.Words, QStringList{QStringLiteral("0:0:alpha")});   // delay 0: at once
    e.m.SetCursor(0, 3);   // the same word: not again
    QCOMPARE(e.view.Words.size(), 1);

    e.view.Reset();
    e.m.InfoAboutWordDelay = 300;
    e.m.SetCursor(0, 7);
    QTest::qWait(100);
    e.m.SetCursor(0, 12);
    QVERIFY(e.view.Words.isEmpty());
    QTest::qWait(200);   // 300 ms after the first move, 200 after the last
    QVERIFY(e.view.Words.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(e.view.Words, QStringList{QStringLiteral("0:11:gamma")}, 2000);
    QTest::qWait(400);
    QCOMPARE(e.view.Words.size(), 1);

    // A move that scrolls the view reports at once.
    e.m.InsertLines(e.m.LineCount(), QStringList(30, QStringLiteral("delta")));
    e.view.Reset();
    e.m.SetCursor(25, 1);
    QCOMPARE(e.view.Words, QStringList{QStringLiteral("25:0:delta")});
}

QTEST_MAIN(EditModelTest)
#include "edit_model_test.moc"
