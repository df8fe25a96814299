#include <QTemporaryDir>
#include <QTest>

#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_command.h"
#include "tests/controls/editor/edit_test_util.h"


class EditUndoTest : public QObject {
    Q_OBJECT

private slots:
    void threeLettersGoInOneStep();
    void firstUndoReturnsToTheChange();
    void modeSwitchStartsANewRecord();
    void enterRunsMergeAndComeBackWhole();
    void limitKeepsTheNewest();
    void limitBelowOneKeepsNothing();
    void undoToTheLoadedStateClearsModified();
    void ctrlQPGoesToTheLastChange();
    void snapshotWinsOverUnrecordedEdits();
    void commandScopeOpensAndCloses();
};

// The command scope: a refused command and one that finds nothing to do
// record nothing; a record opened inside another joins it; every way out
// closes what the command opened.
void EditUndoTest::commandScopeOpensAndCloses()
{
    TestEditor e({QStringLiteral("alpha"), QStringLiteral("beta")});
    {
        EditCommand refused(e.m, EditCommands::DeleteBlock);   // no block
        QVERIFY(!refused);
        EditCommand later(e.m, EditCommands::Tab, EditCommand::Later);
        QVERIFY(later);
    }
    QCOMPARE(e.m.UndoList().size(), 0);
    QCOMPARE(e.m.UndoDepth(), 0);
    {
        EditCommand outer(e.m, EditCommands::DuplicateLine);
        QCOMPARE(e.m.UndoDepth(), 1);
        e.m.InsertLines(0, {QStringLiteral("x")});
        {
            EditCommand inner(e.m, EditCommands::DeleteLine);
            QCOMPARE(e.m.UndoDepth(), 2);
            e.m.RemoveLines(2, 1);
        }
        QCOMPARE(e.m.UndoDepth(), 1);
        QVERIFY(e.m.UndoList().IsOpen());
    }
    QCOMPARE(e.m.UndoDepth(), 0);
    QVERIFY(!e.m.UndoList().IsOpen());
    QCOMPARE(e.m.UndoList().size(), 1);
    QCOMPARE(e.m.GetUNDO(), QString::fromUtf8(UndoNames::DuplicateLine));
    QCOMPARE(e.Text(), (QStringList{"x", "alpha"}));
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text(), (QStringList{"alpha", "beta"}));
    // A move is one record; the block commands inside it make none.
    SetBlock(e.m, pbStream, 0, 0, 0, 2);
    e.m.SetCursor(1, 4);
    EditBlocks::DoMoveBlock(e.m);
    QCOMPARE(e.Text(), (QStringList{"pha", "betaal"}));
    QCOMPARE(e.m.UndoList().size(), 1);
    QCOMPARE(e.m.UndoDepth(), 0);
    // A close without its open is refused.
    e.m.CloseUNDO();
    QCOMPARE(e.m.UndoDepth(), 0);
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text(), (QStringList{"alpha", "beta"}));
}

void EditUndoTest::threeLettersGoInOneStep()
{
    TestEditor e({QStringLiteral("say"), QStringLiteral("x")});
    e.m.SetCursor(0, 3);
    for (QChar c : QStringLiteral(" hi"))
        EditKeys::KeyPress(e.m, c);
    QCOMPARE(e.Text().at(0), QStringLiteral("say hi"));
    QCOMPARE(e.m.UndoList().size(), 1);
    QCOMPARE(e.m.GetUNDO(), QString::fromUtf8(UndoNames::TypeInsert));
    e.view.Reset();
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text().at(0), QStringLiteral("say"));
    QCOMPARE(e.m.Cursor().Col, 3);
    QCOMPARE(e.view.TextChanges, 1);
    QCOMPARE(e.view.Undos, 1);
    QVERIFY(e.m.GetUNDO().isNull());
    QCOMPARE(e.m.UNDO(), 0);
}

void EditUndoTest::firstUndoReturnsToTheChange()
{
    TestEditor e({QStringLiteral("ab"), QString(), QString(), QString()});
    e.m.SetCursor(0, 2);
    EditKeys::KeyPress(e.m, QLatin1Char('c'));
    EditKeys::KeyPress(e.m, QLatin1Char('d'));
    e.m.SetCursor(2, 0);
    e.view.Reset();
    QCOMPARE(e.m.UNDO(), 2);
    QCOMPARE(e.Text().at(0), QStringLiteral("abcd"));
    QCOMPARE(e.m.Cursor().Line, 0);
    QCOMPARE(e.m.Cursor().Col, 4);
    QCOMPARE(e.view.TextChanges, 0);
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text().at(0), QStringLiteral("ab"));
    QCOMPARE(e.m.Cursor().Col, 2);
}

void EditUndoTest::modeSwitchStartsANewRecord()
{
    TestEditor e({QStringLiteral("abcdef")});
    EditKeys::KeyPress(e.m, QLatin1Char('x'));
    EditKeys::KeyPress(e.m, QLatin1Char('y'));
    e.m.OverwriteMode = true;
    EditKeys::KeyPress(e.m, QLatin1Char('Z'));
    EditKeys::KeyPress(e.m, QLatin1Char('W'));
    QCOMPARE(e.Text().at(0), QStringLiteral("xyZWcdef"));
    QCOMPARE(e.m.UndoList().size(), 2);
    QCOMPARE(e.m.GetUNDO(), QString::fromUtf8(UndoNames::TypeOverwrite));
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text().at(0), QStringLiteral("xyabcdef"));
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text().at(0), QStringLiteral("abcdef"));
}

void EditUndoTest::enterRunsMergeAndComeBackWhole()
{
    TestEditor e({QStringLiteral("head"), QStringLiteral("one two"), QStringLiteral("tail")});
    const QStringList before = e.Text();
    e.m.SetCursor(1, 3);
    EditKeys::Enter(e.m);
    EditKeys::Enter(e.m);
    QCOMPARE(e.Text(), (QStringList{"head", "one", "", " two", "tail"}));
    QCOMPARE(e.m.UndoList().size(), 1);
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text(), before);
    QCOMPARE(e.m.Cursor().Line, 1);
    QCOMPARE(e.m.Cursor().Col, 3);
}

void EditUndoTest::limitKeepsTheNewest()
{
    QStringList lines;
    for (int i = 0; i < 33; ++i)
        lines << QStringLiteral("line %1").arg(i);
    TestEditor e(lines);
    for (int i = 0; i < 33; ++i) {
        e.m.SetCursor(i, 4);
        EditKeys::DeleteToLineEnd(e.m);
    }
    QCOMPARE(e.m.UndoList().size(), 32);
    int steps = 0;
    while (e.m.UNDO() != 0 && steps < 100)
        ++steps;
    // Each record but the newest is reached by a first undo that moves the
    // cursor to its line and a second that takes it back.
    QCOMPARE(steps, 1 + 31 * 2);
    QCOMPARE(e.Text().at(0), QStringLiteral("line"));
    QCOMPARE(e.Text().at(1), QStringLiteral("line 1"));
    QCOMPARE(e.Text().at(32), QStringLiteral("line 32"));
}

void EditUndoTest::limitBelowOneKeepsNothing()
{
    for (int limit : {0, -3}) {
        TestEditor e({QStringLiteral("abc")});
        e.m.UndoLimit = limit;
        EditKeys::KeyPress(e.m, QLatin1Char('x'));
        EditKeys::Enter(e.m);
        QVERIFY(e.m.UndoList().isEmpty());
        QVERIFY(e.m.GetUNDO().isNull());
        QCOMPARE(e.m.UNDO(), 0);
        e.m.CtrlQ_P();
        QCOMPARE(e.Text(), (QStringList{"x", "abc"}));
    }
}

void EditUndoTest::undoToTheLoadedStateClearsModified()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("t.txt"));
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("first\nsecond\n");
    }
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    QVERIFY(!e.m.Modified);
    EditKeys::KeyPress(e.m, QLatin1Char('a'));
    EditKeys::Enter(e.m);
    EditKeys::KeyPress(e.m, QLatin1Char('b'));
    QVERIFY(e.m.Modified);
    while (e.m.UNDO() != 0) {}
    QCOMPARE(e.Text(), (QStringList{"first", "second"}));
    QVERIFY(!e.m.Modified);
    // Loading clears the records.
    EditKeys::KeyPress(e.m, QLatin1Char('a'));
    QVERIFY(e.m.LoadFromFile(name));
    QVERIFY(e.m.UndoList().isEmpty());
}

void EditUndoTest::ctrlQPGoesToTheLastChange()
{
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines << QString();
    TestEditor e(lines);
    e.m.SetCursor(45, 0);
    EditKeys::KeyPress(e.m, QLatin1Char('q'));
    e.m.SetCursor(0, 0);
    QCOMPARE(e.m.Start().Line, 0);
    e.m.CtrlQ_P();
    QCOMPARE(e.m.Cursor().Line, 45);
    QCOMPARE(e.m.Cursor().Col, 1);
    QCOMPARE(e.m.Start().Line, 36);
    QCOMPARE(e.m.UndoList().size(), 1);
}

void EditUndoTest::snapshotWinsOverUnrecordedEdits()
{
    TestEditor e({QStringLiteral("alpha"), QStringLiteral("beta")});
    EditKeys::Enter(e.m);
    e.m.ReplaceAllWords(QStringLiteral("beta"), QStringLiteral("gamma"));
    e.m.SetCursor(1, 0);
    QCOMPARE(e.m.UNDO(), 1);
    QCOMPARE(e.Text(), (QStringList{"alpha", "beta"}));
}

QTEST_MAIN(EditUndoTest)
#include "edit_undo_test.moc"
