// The editor's commands on a generated 100,000-line, 5 MB program text,
// beside QPlainTextEdit doing the same in the same run: painting a full
// window, a keystroke at the end of the file up to its repaint, replacing
// 10,000 occurrences, searching for a missing word, and copying and pasting
// a 10,000-line stream block. Prints milliseconds per operation and the
// ratio editor / QPlainTextEdit (below 1: the editor is faster).
//
//   editor_commands_bench [lines (100000)]

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "controls/editor/Progedit.h"
#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_dialogs.h"
#include "controls/editor/edit_search.h"
#include "controls/editor/editor_dialog.h"

namespace {

// Every tenth line holds the word "needle" once.
QStringList ProgramText(int lines)
{
    QStringList text;
    text.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        QString line = QStringLiteral("    value_%1 = value_%1 + step; // line %1").arg(i);
        if (i % 10 == 0)
            line += QStringLiteral(" needle");
        text << line;
    }
    return text;
}

double Ms(const std::function<void()> &f, int repeat = 1)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < repeat; ++i)
        f();
    return t.nsecsElapsed() / 1e6 / repeat;
}

void Report(const char *what, double editor, double peer)
{
    std::printf("%-44s editor %9.3f ms   QPlainTextEdit %9.3f ms   ratio %6.3f\n", what, editor, peer,
                peer > 0 ? editor / peer : 0.0);
}

// The replace dialog answered "All" without prompts.
class ReplaceAll : public EditDialogs {
public:
    int AskSearch(SearchDialogFields &) override { return mrCancel; }
    int AskReplace(SearchDialogFields &f) override
    {
        f.FindText = QStringLiteral("needle");
        f.ReplaceText = QStringLiteral("thread");
        f.Prompt = false;
        f.CaseSensitive = true;
        return mrAll;
    }
    int AskReplacePrompt(const QString &) override { return mrAll; }
    int AskLineNo(int, int &) override { return mrCancel; }
    int AskFillChar(QString &) override { return mrCancel; }
    void Inform(const QString &text, const QString &) override { message = text; }
    QString message;
};

void Key(QWidget *w, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

}   // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QStringList text = ProgramText(lines);
    const QString joined = text.join(QLatin1Char('\n'));
    std::printf("text: %d lines, %.1f MB\n", lines, joined.toUtf8().size() / 1e6);

    TProgEdit edit;
    edit.resize(800, 600);
    QPlainTextEdit plain;
    plain.setFont(edit.font());
    plain.resize(800, 600);
    plain.setPlainText(joined);
    edit.Model().ReplaceText(EditLines(text));
    edit.show();
    plain.show();
    QApplication::processEvents();

    // A full window painted into an image.
    QImage image(800, 600, QImage::Format_RGB32);
    Report("paint the full window", Ms([&] { edit.render(&image); }, 50), Ms([&] { plain.render(&image); }, 50));

    // A keystroke at the end of the file, up to its repaint.
    EditModel &m = edit.Model();
    m.SetCursor(m.LineCount() - 1, int(m.Lines().last().size()));
    edit.setFocus();
    QTextCursor end(plain.document());
    end.movePosition(QTextCursor::End);
    plain.setTextCursor(end);
    Report("keystroke at the end, with its repaint",
           Ms(
               [&] {
                   Key(&edit, Qt::Key_X, QStringLiteral("x"));
                   edit.repaint();
               },
               200),
           Ms(
               [&] {
                   Key(&plain, Qt::Key_X, QStringLiteral("x"));
                   plain.viewport()->repaint();
               },
               200));

    // A search for a word that is not there, through the whole text.
    const SearchParams options{false, false, false, false};
    Report("search a missing word (any case)",
           Ms(
               [&] {
                   TPE_Pos pos;
                   if (EditSearch::SearchText(m, QStringLiteral("haystack"), options, pos))
                       std::printf("unexpected find\n");
               },
               5),
           Ms(
               [&] {
                   if (!plain.document()->find(QStringLiteral("haystack")).isNull())
                       std::printf("unexpected find\n");
               },
               5));

    // Replace every occurrence, as one undo step.
    ReplaceAll all;
    m.SetCursor(0, 0);
    const double replaceEditor = Ms([&] { EditSearch::DoSearchReplace(m, all); });
    const double replacePeer = Ms([&] {
        QTextDocument *doc = plain.document();
        QTextCursor group(doc);
        group.beginEditBlock();
        for (QTextCursor c = doc->find(QStringLiteral("needle")); !c.isNull();
             c = doc->find(QStringLiteral("needle"), c, QTextDocument::FindCaseSensitively))
            c.insertText(QStringLiteral("thread"));
        group.endEditBlock();
    });
    Report("replace all 10,000 occurrences", replaceEditor, replacePeer);
    std::printf("    editor: %s\n", qPrintable(all.message));

    // A 10,000-line stream block copied to the clipboard and pasted at the end.
    const int blockLines = std::min(10000, lines / 2);
    const double pasteEditor = Ms([&] {
        m.SetBlock(EditBlock{pbStream, true, {100, 0}, {100 + blockLines, 0}});
        EditBlocks::CopyBlockToClipboard(m);
        m.SetCursor(m.LineCount() - 1, 0);
        EditBlocks::PasteFromClipboard(m);
    });
    const double pastePeer = Ms([&] {
        QTextCursor c(plain.document()->findBlockByNumber(100));
        c.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, blockLines);
        plain.setTextCursor(c);
        plain.copy();
        QTextCursor e(plain.document());
        e.movePosition(QTextCursor::End);
        e.movePosition(QTextCursor::StartOfBlock);
        plain.setTextCursor(e);
        plain.paste();
    });
    Report("copy and paste a 10,000-line stream block", pasteEditor, pastePeer);
    std::printf("lines after: editor %d, QPlainTextEdit %d\n", m.LineCount(), plain.document()->blockCount());
    return 0;
}
