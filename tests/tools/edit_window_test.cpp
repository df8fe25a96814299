// tarvix-edit's window: open, type, undo, save and reopen a file; a failed
// save keeps the text and says why; closing asks about a modified text; the
// window's keys leave every Ctrl key to the editor.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "controls/editor/Progedit.h"
#include "controls/editor/edit_keys.h"
#include "tools/edit/edit_window.h"
#include "tools/edit/key_help.h"

class EditWindowTest : public QObject {
    Q_OBJECT

    static QString Text(TEditWindow &w) { return w.Editor()->Model().Lines().join(u"\n"); }

    static void Show(TEditWindow &w)
    {
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Editor()->setFocus();
        QTRY_VERIFY(w.Editor()->hasFocus());
    }

private slots:
    void openTypeUndoSaveReopen()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("new.txt");
        TEditWindow w;
        QStringList errors;
        w.ShowError = [&errors](const QString &text) { errors << text; };
        QVERIFY(w.OpenFile(name));
        Show(w);
        QCOMPARE(w.windowTitle(), name + " - tarvix-edit");
        QVERIFY(!w.UndoAction()->isEnabled());
        QTest::keyClicks(w.Editor(), "hi");
        QCOMPARE(Text(w), QString("hi"));
        QCOMPARE(w.windowTitle(), name + " * - tarvix-edit");
        QCOMPARE(w.UndoAction()->text(), QString("Undo: Ввод(вставка)"));
        QVERIFY(w.UndoAction()->isEnabled());
        w.UndoAction()->trigger();
        QCOMPARE(Text(w), QString());
        QVERIFY(!w.UndoAction()->isEnabled());
        QTest::keyClicks(w.Editor(), "one");
        QTest::keyClick(w.Editor(), Qt::Key_Return);
        QTest::keyClicks(w.Editor(), "two");
        // Ctrl+Y is the editor's (delete line), F2 the window's (save).
        QTest::keyClick(w.Editor(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Text(w), QString("one\n"));
        QVERIFY(!QFile::exists(name));
        QTest::keyClick(w.Editor(), Qt::Key_F2);
        QVERIFY(QFile::exists(name));
        QCOMPARE(w.windowTitle(), name + " - tarvix-edit");
        QVERIFY(errors.isEmpty());

        TEditWindow again;
        QVERIFY(again.OpenFile(name));
        QCOMPARE(Text(again), QString("one\n"));
        QVERIFY(!again.Editor()->Model().Modified);
    }

    // Undo past a save makes the text modified again, so quitting asks.
    // F1 shows the editor's key list, one row per binding, and keeps it open.
    void undoPastSaveAndHelp()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("f.txt");
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("line\n");
        f.close();
        TEditWindow w;
        QVERIFY(w.OpenFile(name));
        Show(w);
        QTest::keyClicks(w.Editor(), "abc");
        QTest::keyClick(w.Editor(), Qt::Key_F2);
        QCOMPARE(w.windowTitle(), name + " - tarvix-edit");
        QTest::keyClick(w.Editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Text(w), QString("line"));
        QCOMPARE(w.windowTitle(), name + " * - tarvix-edit");
        int asked = 0;
        w.AskYesNo = [&asked](const QString &, const QString &) {
            ++asked;
            return false;
        };
        QVERIFY(w.SaveQuestion());
        QCOMPARE(asked, 1);

        QTest::keyClick(w.Editor(), Qt::Key_F1);
        QVERIFY(w.KeyHelp() && w.KeyHelp()->isVisible());
        QCOMPARE(w.KeyHelp()->Table()->rowCount(), int(EditKeys::KeyListLines().size()));
        QCOMPARE(w.KeyHelp()->Table()->item(0, 0)->text(), QString("PgUp"));
        QVERIFY(w.Editor()->Model().Lines().join(u"") == "line");
    }

    void failedSaveKeepsTheText()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("missing-dir/file.txt");
        TEditWindow w;
        QStringList errors;
        w.ShowError = [&errors](const QString &text) { errors << text; };
        QVERIFY(w.OpenFile(name));
        Show(w);
        QTest::keyClicks(w.Editor(), "keep me");
        QVERIFY(!w.Save());
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(name), qPrintable(errors.first()));
        QVERIFY(errors.first().size() > name.size() + 20);   // and the system's reason
        QCOMPARE(Text(w), QString("keep me"));
        QVERIFY(w.Editor()->Model().Modified);
        // Closing asks; Yes with a failing save keeps the window open.
        int asked = 0;
        w.AskYesNo = [&asked](const QString &text, const QString &) {
            ++asked;
            return text == QString::fromUtf8(EditModel::SaveQuestionText);
        };
        QVERIFY(!w.close());
        QCOMPARE(asked, 1);
        QVERIFY(w.isVisible());
        // No lets it go.
        w.AskYesNo = [](const QString &, const QString &) { return false; };
        QVERIFY(w.close());
    }

    // A Windows-1251 file and a character it cannot hold: saving asks; No
    // leaves the file and the modified text, Yes writes UTF-8.
    void codePageFileIsReencodedOnlyOnYes()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("cp.txt");
        const QByteArray old("\xec\xe8\xf0\n");
        {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        }
        TEditWindow w;
        QStringList errors;
        w.ShowError = [&errors](const QString &text) { errors << text; };
        QStringList asked;
        bool answer = false;
        w.AskYesNo = [&](const QString &text, const QString &) {
            asked << text;
            return answer;
        };
        QVERIFY(w.OpenFile(name));
        w.Editor()->Model().InsertSubStr(0, 0, QStringLiteral("ü"));
        QVERIFY(!w.Save());
        QCOMPARE(asked, QStringList{QString::fromUtf8(EditModel::ReencodeQuestionText)});
        QVERIFY(errors.isEmpty());
        QVERIFY(w.Editor()->Model().Modified);
        QVERIFY(w.windowTitle().contains(" *"));
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        f.close();
        answer = true;
        QVERIFY(w.Save());
        QCOMPARE(asked.size(), 2);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QStringLiteral("üмир\n").toUtf8());
        QVERIFY(!w.Editor()->Model().Modified);
        QCOMPARE(w.Editor()->Model().FileFormat().Encoding, EditEncoding::Utf8);
    }

    void unreadableFileChangesNothing()
    {
        QTemporaryDir dir;
        TEditWindow w;
        QStringList errors;
        w.ShowError = [&errors](const QString &text) { errors << text; };
        QVERIFY(w.OpenFile(dir.filePath("a.txt")));
        QVERIFY(!w.OpenFile(dir.path()));   // a directory
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(dir.path()));
        QCOMPARE(w.Editor()->Model().FileName, dir.filePath("a.txt"));
    }

    // The window's status line says what the file is and which prefix key
    // waits; the comment style follows the file's extension.
    void statusLineAndCommentStyle()
    {
        QTemporaryDir dir;
        struct Case {
            const char *name;
            QByteArray bytes;
            QStringList status;
            int commentStyle;
        };
        const Case cases[] = {
            {"a.c", "x\ny\n", {"UTF-8", "LF", ""}, 1},
            {"b.asm", "\xEF\xBB\xBFx\r\ny", {"UTF-8 with BOM", "CR LF", ""}, 2},
            {"c.txt", "\xCF\xF0\xE8\xE2\xE5\xF2\r", {"Windows-1251", "CR", ""}, 0},
        };
        TEditWindow w;
        Show(w);
        QVERIFY(w.statusBar()->isVisible());
        QVERIFY(!w.Editor()->isAncestorOf(w.statusBar()));
        for (const Case &c : cases) {
            QFile f(dir.filePath(c.name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(c.bytes) == c.bytes.size());
            f.close();
            QVERIFY(w.OpenFile(f.fileName()));
            QCOMPARE(w.StatusTexts(), c.status);
            QCOMPARE(int(w.Editor()->Model().CommentStyle), c.commentStyle);
        }
        if (const QString png = qEnvironmentVariable("TARVIX_PNG_DIR"); !png.isEmpty())
            w.grab().save(png + "/edit_window.png");
        w.CommentStyleOption = 1;
        QVERIFY(w.OpenFile(dir.filePath("c.txt")));
        QCOMPARE(int(w.Editor()->Model().CommentStyle), 1);

        const std::pair<Qt::Key, const char *> prefixes[] = {{Qt::Key_K, "^K"}, {Qt::Key_Q, "^Q"}};
        for (auto [key, shown] : prefixes) {
            QTest::keyClick(w.Editor(), key, Qt::ControlModifier);
            QTRY_COMPARE(w.StatusTexts().last(), QString(shown));
            QTest::keyClick(w.Editor(), Qt::Key_Escape);
            QTRY_COMPARE(w.StatusTexts().last(), QString());
        }
    }

    // Marking by keys in the real window, saved with F2: the bytes written
    // and what the clipboard holds afterwards. Keys as QKeySequence texts.
    void markingByKeysSaves_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("clipboard");
        const QByteArray five = "abcd\nefgh\nijkl\nmnop\nqrst\n";
        QTest::newRow("stream, Ctrl+K Y")
            << "Shift+Down Shift+Right Shift+Right Ctrl+K Y" << QByteArray("gh\nijkl\nmnop\nqrst\n") << "kept";
        QTest::newRow("stream, Ctrl+C Ctrl+V")
            << "Shift+Right Shift+Right Ctrl+C Down Ctrl+V" << QByteArray("abcd\nefabgh\nijkl\nmnop\nqrst\n") << "ab";
        QTest::newRow("column down first, Ctrl+K Y")
            << "Alt+Down Alt+Down Alt+Right Alt+Right Ctrl+K Y" << QByteArray("cd\ngh\nkl\nmnop\nqrst\n") << "kept";
        QTest::newRow("column right first, Ctrl+K Y")
            << "Alt+Right Alt+Right Alt+Down Alt+Down Ctrl+K Y" << QByteArray("cd\ngh\nkl\nmnop\nqrst\n") << "kept";
        QTest::newRow("column, Ctrl+C Ctrl+V")
            << "Alt+Down Alt+Down Alt+Right Alt+Right Ctrl+C Down Ctrl+V"
            << QByteArray("abcd\nefgh\nijkl\nmnabop\nqrefst\n  ij\n") << "ab\ref\rij\r";
        QTest::newRow("column, Ctrl+K C") << "Alt+Down Alt+Down Alt+Right Alt+Right Down Ctrl+K C"
                                          << QByteArray("abcd\nefgh\nijkl\nmnabop\nqrefst\n  ij\n") << "kept";
        QTest::newRow("column, Ctrl+X Ctrl+V")
            << "Alt+Down Alt+Right Ctrl+X Down Down Ctrl+V" << QByteArray("bcd\nfgh\nijkl\namnop\neqrst\n") << "a\re\r";
        QTest::newRow("no column wide: copy, cut, delete refuse")
            << "Alt+Down Alt+Down Ctrl+C Ctrl+X Ctrl+Delete Ctrl+K Y" << five << "kept";
    }
    void markingByKeysSaves()
    {
        QFETCH(QString, keys);
        QFETCH(QByteArray, saved);
        QFETCH(QString, clipboard);
        QTemporaryDir dir;
        const QString name = dir.filePath("five.txt");
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("abcd\nefgh\nijkl\nmnop\nqrst\n");
        f.close();
        TEditWindow w;
        QVERIFY(w.OpenFile(name));
        Show(w);
        QApplication::clipboard()->setText("kept");
        for (const QString &key : keys.split(' ')) {
            const QKeyCombination k = QKeySequence::fromString(key, QKeySequence::PortableText)[0];
            QTest::keyClick(w.Editor(), k.key(), k.keyboardModifiers());
        }
        QTest::keyClick(w.Editor(), Qt::Key_F2);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), saved);
        QCOMPARE(QApplication::clipboard()->text(), clipboard);
    }

    // A lone Alt leaves the keys with the editor; F10 opens the menu.
    void loneAltAndF10()
    {
        TEditWindow w;
        Show(w);
        QTest::keyPress(w.Editor(), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(w.Editor(), Qt::Key_Alt, Qt::NoModifier);
        QTest::keyClicks(w.Editor(), "abc");
        QCOMPARE(Text(w), QString("abc"));
        QVERIFY(!w.menuBar()->activeAction());
        QTest::keyClick(w.Editor(), Qt::Key_F10);
        QTRY_VERIFY(w.menuBar()->activeAction());
        QTRY_VERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
    }
};

QTEST_MAIN(EditWindowTest)
#include "edit_window_test.moc"
