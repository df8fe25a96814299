#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "controls/editor/edit_command.h"
#include "controls/editor/edit_keys.h"
#include "tests/controls/editor/edit_test_util.h"

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An editor that loaded a small file and changed it.
struct EditedFile {
    explicit EditedFile(const QString &path) : name(path)
    {
        WriteAll(name, old);
        ok = e.m.LoadFromFile(name);
        e.m.InsertSubStr(0, 0, QString(20000, QLatin1Char('x')));
    }
    QString name;
    QByteArray old = "old text\n";
    TestEditor e;
    bool ok = false;
};

}   // namespace

class EditFileTest : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void decodedInPiecesAsWhole();
    void breaksFollowTheirLines();
    void formatOfTheFile_data();
    void formatOfTheFile();
    void editsKeepWhatTheUserDidNotChange_data();
    void editsKeepWhatTheUserDidNotChange();
    void editedCodePageFileKeepsItsEncoding();
    void unreadableFileChangesNothing();
    void failedWriteKeepsModifiedAndTheOldFile();
    void readOnlyDirectoryAndUnreadableFile();
    void saveKeepsPermissions();
    void saveQuestionAsksOnlyForAModifiedFile();
};

void EditFileTest::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("utf-8") << QByteArray("Привет,\nмир  \n") << QStringList{"Привет,", "мир  "};
    QTest::newRow("windows-1251 crlf") << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xec\xe8\xf0\r\n")
                                       << QStringList{"Привет", "мир"};
    QTest::newRow("crlf") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
    QTest::newRow("no final break") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBFx = 1;\n") << QStringList{"x = 1;"};
    QTest::newRow("empty") << QByteArray() << QStringList{""};
    QTest::newRow("one break") << QByteArray("\n") << QStringList{""};
    // A CR that is not the file's line break is text.
    QTest::newRow("stray cr before lf") << QByteArray("x\ry\nz\n") << QStringList{"x\ry", "z"};
    QTest::newRow("cr after lf") << QByteArray("a\n\rb") << QStringList{"a", "\rb"};
    QTest::newRow("cr before crlf") << QByteArray("\r\r\n") << QStringList{"\r"};
    QTest::newRow("crlf, stray cr") << QByteArray("a\rb\r\nc\r\n") << QStringList{"a\rb", "c"};
    // Each line keeps its own break.
    QTest::newRow("lf and crlf") << QByteArray("a\r\nb\nc\r\nd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("crlf, lf last") << QByteArray("a\nb\r\nc\r\n\n") << QStringList{"a", "b", "c", ""};
    QTest::newRow("cr and lf") << QByteArray("a\rb\rc\nd\r") << QStringList{"a\rb\rc", "d\r"};
    // One byte order mark is the file's; a second one is text.
    QTest::newRow("two boms") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\n") << QStringList{QChar(0xFEFF) + QString("x")};
    QTest::newRow("bom only") << QByteArray("\xEF\xBB\xBF") << QStringList{""};
    // Bytes that are not UTF-8 in a UTF-8 text are carried through, one
    // private character each.
    QTest::newRow("latin-1 byte") << QByteArray("Привет caf\xE9\n") << QStringList{"Привет caf\uF7E9"};
    QTest::newRow("cut sequence at the end") << QByteArray("я\xD1") << QStringList{"я\uF7D1"};
    QTest::newRow("overlong, surrogate, too high")
        << QByteArray("жжжжжжжжж\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80\n")
        << QStringList{"жжжжжжжжж\uF7C0\uF7AF \uF7ED\uF7A0\uF780 \uF7F4\uF790\uF780\uF780"};
    // A character of the carrying range is itself carried as its bytes.
    QTest::newRow("carrying range") << QByteArray("ж\xEF\x9E\xA9\n") << QStringList{"ж\uF7EF\uF79E\uF7A9"};
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80\n") << QStringList{"\U0001F600"};
    QTest::newRow("nul bytes") << QByteArray("a\0b\n\0", 5) << QStringList{QString("a") + QChar(0) + "b", QString(QChar(0))};
    // Bytes that no code page maps are carried too.
    QTest::newRow("windows-1251 0x98") << QByteArray("\xcf\xf0\x98\xe8\n") << QStringList{"Пр\uF798и"};
}

void EditFileTest::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(WriteAll(in, bytes));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(in));
    QTEST(e.Text(), "lines");
    QCOMPARE(e.m.FileName, in);
    QString reason;
    QVERIFY2(e.m.SaveToFile(out, &reason), qPrintable(reason));
    QCOMPARE(ReadAll(out), bytes);
}

// Every piece size gives the lines, tags and format of the whole, and the
// bytes back: a UTF-8 sequence, a CR LF and the byte order mark may be cut.
void EditFileTest::decodedInPiecesAsWhole()
{
    const QList<QByteArray> inputs = {
        QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\ny\n\r\xF0\x9F\x98\x80\xE2\x82"),
        QByteArray("Привет caf\xE9\r\nмир\n\xD1\x8F\xD1"),
        QByteArray("\xcf\xf0\xe8\r\n\x98\xe2\r"),
        QByteArray("\xEF\xBB"),
    };
    for (const QByteArray &bytes : inputs) {
        EditFileFormat whole;
        const EditLines expected = EditFile::Decode(bytes, whole);
        QCOMPARE(EditFile::Encode(expected, whole), bytes);
        for (qsizetype piece = 1; piece <= 5; ++piece) {
            EditFileFormat f;
            const EditLines lines = EditFile::Decode(bytes, f, piece);
            QCOMPARE(lines.toStringList(), expected.toStringList());
            QCOMPARE(f, whole);
            for (int i = 0; i < lines.size(); ++i)
                QCOMPARE(lines.BreakTag(i), expected.BreakTag(i));
        }
    }
}

// Lines inserted and removed across chunks in a file of both breaks: each
// old line keeps its own break, each new one takes the file's main break.
void EditFileTest::breaksFollowTheirLines()
{
    QList<QPair<QByteArray, QByteArray>> model;   // text, break
    for (int i = 0; i < 1500; ++i)
        model.append({QByteArray::number(i), i % 3 == 0 ? "\n" : "\r\n"});
    auto bytes = [&model] {
        QByteArray out;
        for (const auto &[text, brk] : model)
            out += text + brk;
        return out;
    };
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("mixed.txt"));
    QVERIFY(WriteAll(name, bytes()));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    QCOMPARE(e.m.FileFormat().LineBreak, QByteArray("\r\n"));
    e.m.BeginUpdate();
    for (int i = 0; i < 700; ++i) {
        e.m.InsertLines(10 + i, {QStringLiteral("new")});
        model.insert(10 + i, {"new", "\r\n"});
    }
    e.m.RemoveLines(1000, 600);
    model.remove(1000, 600);
    e.m.SetLineText(5, QStringLiteral("changed"));
    model[5].first = "changed";
    e.m.EndUpdate();
    QVERIFY(e.m.Save());
    QCOMPARE(ReadAll(name), bytes());
}

void EditFileTest::formatOfTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("lineBreak");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<bool>("finalBreak");
    const int utf8 = int(EditEncoding::Utf8);
    const int cp = int(EditEncoding::Windows1251);
    QTest::newRow("stray cr first") << QByteArray("x\ry\nz\n") << utf8 << QByteArray("\n") << false << true;
    QTest::newRow("mostly crlf") << QByteArray("a\nb\r\nc\r\n") << utf8 << QByteArray("\r\n") << false << true;
    QTest::newRow("mostly lf") << QByteArray("a\nb\r\nc\n") << utf8 << QByteArray("\n") << false << true;
    QTest::newRow("cr only") << QByteArray("a\rb") << utf8 << QByteArray("\r") << false << false;
    QTest::newRow("no break") << QByteArray("ab") << utf8 << QByteArray("\n") << false << false;
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF\r\n") << utf8 << QByteArray("\r\n") << true << true;
    QTest::newRow("bom, bad bytes") << QByteArray("\xEF\xBB\xBF\xcf\xf0\n") << utf8 << QByteArray("\n") << true
                                    << true;
    QTest::newRow("utf-8, one latin-1 byte") << QByteArray("Привет caf\xE9") << utf8 << QByteArray("\n") << false
                                             << false;
    QTest::newRow("windows-1251") << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2 \xc2\xd1\xa8\n") << cp
                                  << QByteArray("\n") << false << true;
}

void EditFileTest::formatOfTheFile()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("f.txt"));
    QVERIFY(WriteAll(name, bytes));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    const EditFileFormat &f = e.m.FileFormat();
    QTEST(int(f.Encoding), "encoding");
    QTEST(f.LineBreak, "lineBreak");
    QTEST(f.Bom, "bom");
    QTEST(f.FinalBreak, "finalBreak");
}

// A file loaded, changed by the given edit and saved: what the edit did not
// touch keeps its bytes (carried bytes, each line's own break, stray CRs).
void EditFileTest::editsKeepWhatTheUserDidNotChange_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("typed beside a carried byte") << QByteArray("Привет caf\xE9\n") << "end:ü"
                                                 << QByteArray("Привет caf\xE9ü\n");
    QTest::newRow("typed before a carried byte") << QByteArray("жжcaf\xE9 \xFF\n") << "home:é"
                                                 << QByteArray("éжжcaf\xE9 \xFF\n");
    QTest::newRow("new line in a mixed file") << QByteArray("a\r\nb\nc\r\n") << "enter"
                                              << QByteArray("\r\na\r\nb\nc\r\n");
    QTest::newRow("lf line kept at the end") << QByteArray("a\r\nb\r\nc\n") << "end:x"
                                             << QByteArray("ax\r\nb\r\nc\n");
    QTest::newRow("stray cr kept") << QByteArray("x\ry\nz\n") << "end:1" << QByteArray("x\ry1\nz\n");
    QTest::newRow("nul kept") << QByteArray("a\0b", 3) << "end:c" << QByteArray("a\0bc", 4);
}

void EditFileTest::editsKeepWhatTheUserDidNotChange()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, edit);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("e.txt"));
    QVERIFY(WriteAll(name, bytes));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    if (edit == QLatin1String("enter")) {
        EditKeys::Enter(e.m);
    } else {
        if (edit.startsWith(QLatin1String("end")))
            e.m.SetCursor(0, int(e.m.Lines().at(0).size()));
        EditKeys::KeyPress(e.m, edit.back());
    }
    QVERIFY(e.m.Modified);
    QString reason;
    QVERIFY2(e.m.Save(&reason), qPrintable(reason));
    QTEST(ReadAll(name), "saved");
}

void EditFileTest::editedCodePageFileKeepsItsEncoding()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("cp.txt"));
    QVERIFY(WriteAll(name, "\xec\xe8\xf0\r\n"));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    QCOMPARE(e.m.FileFormat().Encoding, EditEncoding::Windows1251);
    e.m.InsertSubStr(0, 0, QStringLiteral("Я "));
    QVERIFY(e.m.Save());
    QVERIFY(!e.m.Modified);
    QCOMPARE(ReadAll(name), QByteArray("\xdf \xec\xe8\xf0\r\n"));
    // A character the code page has no place for: the file becomes UTF-8
    // only when the user says so; No keeps the file and the changed text.
    e.m.InsertSubStr(0, 0, QStringLiteral("中"));
    QString reason;
    QVERIFY(!e.m.Save(&reason));
    QVERIFY(!reason.isEmpty());
    QCOMPARE(e.view.Questions.size(), 1);
    QVERIFY(e.view.Questions.first().contains(QStringLiteral("UTF-8")));
    QVERIFY(e.m.Modified);
    QCOMPARE(ReadAll(name), QByteArray("\xdf \xec\xe8\xf0\r\n"));
    QCOMPARE(e.m.FileFormat().Encoding, EditEncoding::Windows1251);
    e.view.Answer = true;
    QVERIFY(e.m.Save());
    QCOMPARE(ReadAll(name), QStringLiteral("中Я мир\r\n").toUtf8());
    QCOMPARE(e.m.FileFormat().Encoding, EditEncoding::Utf8);
    QVERIFY(!e.m.Modified);
}

void EditFileTest::unreadableFileChangesNothing()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    TestEditor e({QStringLiteral("kept")});
    e.m.FileName = QStringLiteral("before.txt");
    {
        EditCommand recorded(e.m, EditCommands::EmptyLastLine);
    }
    for (const QString &name : {missing, dir.path(), fifo, QStringLiteral("/dev/null"), QString()}) {
        QString reason;
        QVERIFY2(!e.m.LoadFromFile(name, &reason), qPrintable(name));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(e.Text(), QStringList{QStringLiteral("kept")});
        QCOMPARE(e.m.FileName, QStringLiteral("before.txt"));
        QCOMPARE(e.m.UndoList().size(), 1);
    }
}

void EditFileTest::failedWriteKeepsModifiedAndTheOldFile()
{
    QTemporaryDir dir;
    EditedFile f(dir.filePath(QStringLiteral("big.txt")));
    QVERIFY(f.ok);
    // A full disk, as the file size limit: writes fail with EFBIG.
    struct rlimit old {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    QString reason;
    const bool saved = f.e.m.Save(&reason);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!saved);
    QVERIFY(!reason.isEmpty());
    QVERIFY(f.e.m.Modified);
    QCOMPARE(ReadAll(f.name), f.old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("big.txt")});
    QVERIFY(!f.e.m.SaveToFile(f.name + QStringLiteral("/x")));
}

void EditFileTest::readOnlyDirectoryAndUnreadableFile()
{
    // Root reads and writes anywhere: the child that loads and saves gives up root.
    QTemporaryDir dir;
    const QString sub = dir.filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkdir(sub));
    const QString name = sub + QStringLiteral("/f.txt");
    QVERIFY(WriteAll(name, "old text\n"));
    const QByteArray subPath = QFile::encodeName(sub);
    const uid_t nobody = 65534;
    if (geteuid() == 0) {
        QVERIFY(chown(QFile::encodeName(dir.path()).constData(), nobody, nobody) == 0);
        QVERIFY(chown(subPath.constData(), nobody, nobody) == 0);
        QVERIFY(chown(QFile::encodeName(name).constData(), nobody, nobody) == 0);
    }
    const QString secret = dir.filePath(QStringLiteral("secret.txt"));
    QVERIFY(WriteAll(secret, "secret\n"));
    QVERIFY(chmod(QFile::encodeName(secret).constData(), 0) == 0);
    QVERIFY(chmod(subPath.constData(), 0555) == 0);
    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(10);
        {
            TestEditor e({QStringLiteral("kept")});
            if (e.m.LoadFromFile(secret) || e.Text() != QStringList{QStringLiteral("kept")})
                _exit(14);
        }
        EditedFile f(name);
        if (!f.ok)
            _exit(11);
        QString reason;
        if (f.e.m.Save(&reason) || reason.isEmpty())
            _exit(12);
        _exit(f.e.m.Modified ? 0 : 13);
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    chmod(subPath.constData(), 0755);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(ReadAll(name), QByteArray("old text\n"));
}

void EditFileTest::saveKeepsPermissions()
{
    QTemporaryDir dir;
    EditedFile f(dir.filePath(QStringLiteral("p.txt")));
    const QByteArray path = QFile::encodeName(f.name);
    QVERIFY(chmod(path.constData(), 0640) == 0);
    QVERIFY(f.e.m.Save());
    struct stat st {};
    QVERIFY(stat(path.constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QCOMPARE(ReadAll(f.name).size(), 20000 + f.old.size());
    // Nothing to save: the file is not touched.
    QVERIFY(WriteAll(f.name, "changed elsewhere\n"));
    QVERIFY(f.e.m.Save());
    QCOMPARE(ReadAll(f.name), QByteArray("changed elsewhere\n"));
}

void EditFileTest::saveQuestionAsksOnlyForAModifiedFile()
{
    QTemporaryDir dir;
    for (bool yes : {false, true}) {
        EditedFile f(dir.filePath(QStringLiteral("q.txt")));
        f.e.view.Answer = yes;
        f.e.m.SaveQuestion();
        QCOMPARE(f.e.view.Questions, QStringList{f.name + QStringLiteral("|Файл не сохранен, сохранить ?")});
        QCOMPARE(f.e.m.Modified, !yes);
        QCOMPARE(ReadAll(f.name).size(), yes ? 20000 + f.old.size() : f.old.size());
        f.e.m.SaveQuestion();   // saved or not, it asks again only while modified
        QCOMPARE(f.e.view.Questions.size(), yes ? 1 : 2);
    }
    TestEditor untitled({QStringLiteral("x")});
    untitled.m.Modified = true;
    untitled.m.SaveQuestion();
    QVERIFY(untitled.view.Questions.isEmpty());
}

QTEST_MAIN(EditFileTest)
#include "edit_file_test.moc"
