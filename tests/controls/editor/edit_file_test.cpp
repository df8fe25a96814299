#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

void EditFileTest::editedCodePageFileKeepsItsEncoding()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("cp.txt"));
    QVERIFY(WriteAll(name, "\xec\xe8\xf0\r\n"));
    TestEditor e;
    QVERIFY(e.m.LoadFromFile(name));
    QCOMPARE(e.m.FFileFormat.Encoding, EditEncoding::Windows1251);
    e.m.InsertSubStr(0, 0, QStringLiteral("Я "));
    QVERIFY(e.m.Save());
    QVERIFY(!e.m.Modified);
    QCOMPARE(ReadAll(name), QByteArray("\xdf \xec\xe8\xf0\r\n"));
    // A character the code page has no place for: the file becomes UTF-8 rather than lose it.
    e.m.InsertSubStr(0, 0, QStringLiteral("中"));
    QVERIFY(e.m.Save());
    QCOMPARE(ReadAll(name), QStringLiteral("中Я мир\r\n").toUtf8());
    QCOMPARE(e.m.FFileFormat.Encoding, EditEncoding::Utf8);
}

void EditFileTest::unreadableFileChangesNothing()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    TestEditor e({QStringLiteral("kept")});
    e.m.FileName = QStringLiteral("before.txt");
    e.m.CreateUNDO(UndoNames::DeleteLine, UndoType::Line);
    e.m.CloseUNDO();
    for (const QString &name : {missing, dir.path(), fifo, QStringLiteral("/dev/null"), QString()}) {
        QString reason;
        QVERIFY2(!e.m.LoadFromFile(name, &reason), qPrintable(name));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(e.Text(), QStringList{QStringLiteral("kept")});
        QCOMPARE(e.m.FileName, QStringLiteral("before.txt"));
        QCOMPARE(e.m.FUndoList.size(), 1);
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
