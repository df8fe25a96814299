// tarvix-edit's command line: every option and its wrong forms, the comment
// style chosen by a file's extension, and the program's own answers to
// --help, --version and a wrong option.
#include <QProcess>
#include <QtTest>

#include "tarvix_version.h"
#include "tools/edit/edit_options.h"

class EditOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void parse()
    {
        EditOptions o;
        QString error;
        QVERIFY(EditCommandLine::Parse({"--read-only", "--comment-style", "semicolon", "--tab-size=4",
                                        "--highlight-line", "7", "--layout-switch-on-ctrl", "f.txt"},
                                       o, error));
        QVERIFY(o.ReadOnly && o.LayoutSwitchOnCtrl && !o.Help && !o.Version);
        QCOMPARE(o.CommentStyle, 2);
        QCOMPARE(o.TabSize, 4);
        QCOMPARE(o.HighlightLine, 7);
        QCOMPARE(o.File, QString("f.txt"));
        QVERIFY(EditCommandLine::Parse({"--", "--read-only"}, o, error));
        QCOMPARE(o.File, QString("--read-only"));
        QVERIFY(!o.ReadOnly);
        QVERIFY(EditCommandLine::Parse({}, o, error));
        QVERIFY(o.CommentStyle == -1 && o.TabSize == 0 && o.HighlightLine == 0 && o.File.isEmpty());

        // Each wrong command line names what is wrong, on one line.
        const std::pair<QStringList, const char *> wrong[] = {
            {{"--bogus"}, "--bogus"},
            {{"-x"}, "-x"},
            {{"--tab-size"}, "--tab-size"},
            {{"--tab-size", "0"}, "--tab-size"},
            {{"--tab-size", "65"}, "--tab-size"},
            {{"--tab-size=+4"}, "--tab-size"},
            {{"--highlight-line", "x"}, "--highlight-line"},
            {{"--comment-style", "hash"}, "--comment-style"},
            {{"--read-only=1"}, "--read-only"},
            {{"a", "b"}, "\"b\""},
        };
        for (const auto &[args, named] : wrong) {
            error.clear();
            QVERIFY2(!EditCommandLine::Parse(args, o, error), qPrintable(args.join(' ')));
            QVERIFY2(error.contains(QLatin1String(named)) && !error.contains('\n'), qPrintable(error));
        }
    }

    void commentStyleByExtension()
    {
        const std::pair<const char *, int> files[] = {{"main.c", 1},    {"x.CPP", 1},    {"dir.d/y.h", 1},
                                                      {"boot.asm", 2},  {"start.S", 2},  {"Tarvix.ini", 2},
                                                      {"notes.txt", 0}, {"Makefile", 0}, {"", 0}};
        for (auto [name, style] : files)
            QCOMPARE(EditCommandLine::CommentStyleForFile(name), style);
    }

    void programAnswers()
    {
        struct Case {
            QStringList args;
            int exitCode;
            QStringList shown;   // in stdout, or in stderr (one line) for exit code 2
        };
        const Case cases[] = {
            {{"--version"}, 0, {"tarvix-edit " TARVIX_VERSION "\n", TARVIX_LICENSE_LINE}},
            {{"--help", "file"},
             0,
             {"--read-only", "--comment-style", "none", "slash", "semicolon", "--tab-size", "--highlight-line",
              "--layout-switch-on-ctrl", "--version", "--help"}},
            {{"--tab-size", "x"}, 2, {"--tab-size"}},
            {{"--nope", "file"}, 2, {"--nope"}},
        };
        for (const Case &c : cases) {
            QProcess p;
            p.start(TARVIX_EDIT, c.args);
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), c.exitCode);
            const QString out =
                QString::fromUtf8(c.exitCode == 2 ? p.readAllStandardError() : p.readAllStandardOutput());
            for (const QString &piece : c.shown)
                QVERIFY2(out.contains(piece), qPrintable(piece + " not in: " + out));
            if (c.exitCode == 2)
                QCOMPARE(out.count('\n'), 1);
        }
    }
};

QTEST_MAIN(EditOptionsTest)
#include "edit_options_test.moc"
