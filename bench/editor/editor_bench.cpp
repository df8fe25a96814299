// TProgEdit beside QPlainTextEdit, in one run, on a generated program text of
// 100,000 lines (about 5 MB):
//   - loading the file and showing the first page;
//   - scrolling from the top to the bottom by pages, each page painted;
//   - 1,000 single-character edits at the end of the text, with undo;
//   - 100 line splits spread over the text, with undo;
//   - resident memory taken by 32 whole-text undo records, against the
//     memory the loaded text takes.
// Prints the time per operation of both and the ratio TProgEdit / peer.
//
//   editor_bench [lines (100000)]

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "controls/editor/Nscrollbar.h"
#include "controls/editor/Progedit.h"
#include "controls/editor/edit_command.h"

namespace {

double ResidentMiB()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

QByteArray ProgramText(int lines)
{
    QByteArray out;
    out.reserve(qsizetype(lines) * 52);
    for (int i = 0; i < lines; ++i) {
        switch (i % 4) {
        case 0: out += "// block " + QByteArray::number(i) + ": the loop over the registers\n"; break;
        case 1: out += "    value = read_register(base + " + QByteArray::number(i % 977) + ", count);  \n"; break;
        case 2: out += "    if (value > limit) { store(value, \"over\"); total += value; }\n"; break;
        default: out += "label_" + QByteArray::number(i) + ":  mov r1, [r2 + 4]  ; next step\n"; break;
        }
    }
    return out;
}

struct Figure {
    const char *what;
    double ours;   // ms per operation
    double peer;
};

void Print(const Figure &f)
{
    std::printf("%-38s %12.4f ms %12.4f ms %8.2f\n", f.what, f.ours, f.peer, f.peer > 0 ? f.ours / f.peer : 0.0);
}

double Ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

}   // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lineCount = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("program.txt"));
    const QByteArray bytes = ProgramText(lineCount);
    {
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    std::printf("program text: %d lines, %.2f MB\n\n", lineCount, double(bytes.size()) / 1e6);
    std::printf("%-38s %15s %15s %8s\n", "operation", "TProgEdit", "QPlainTextEdit", "ratio");

    const double rssStart = ResidentMiB();
    TProgEdit ours;
    ours.resize(800, 600);
    ours.show();
    QPlainTextEdit peer;
    peer.resize(800, 600);
    peer.setFont(ours.font());
    peer.setLineWrapMode(QPlainTextEdit::NoWrap);
    peer.show();
    QApplication::processEvents();

    // Loading and the first page.
    QElapsedTimer t;
    t.start();
    const double rssBeforeLoad = ResidentMiB();
    ours.LoadFromFile(name);
    ours.repaint();
    const double loadOurs = Ms(t);
    const double textMiB = ResidentMiB() - rssBeforeLoad;
    t.restart();
    {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        peer.setPlainText(QString::fromUtf8(f.readAll()));
    }
    peer.repaint();
    const double loadPeer = Ms(t);
    Print({"load and show the first page", loadOurs, loadPeer});

    // Paging from the top to the bottom.
    EditModel &m = ours.Model();
    int pagesOurs = 0;
    t.restart();
    while (m.Start().Line < m.VertRange().Max && pagesOurs < 1000000) {
        ours.VertBar()->Scroll(TNScrollBar::nscPageForward);
        ours.repaint();
        ++pagesOurs;
    }
    const double pageOurs = Ms(t) / std::max(1, pagesOurs);
    QScrollBar *bar = peer.verticalScrollBar();
    int pagesPeer = 0;
    t.restart();
    while (bar->value() < bar->maximum() && pagesPeer < 1000000) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        peer.viewport()->repaint();
        ++pagesPeer;
    }
    const double pagePeer = Ms(t) / std::max(1, pagesPeer);
    Print({"one page down, painted", pageOurs, pagePeer});
    std::printf("  (pages: TProgEdit %d, QPlainTextEdit %d)\n", pagesOurs, pagesPeer);

    // Typing at the end of the text.
    const int last = m.LineCount() - 1;
    ours.SetCursor(last, int(m.Lines().at(last).size()));
    t.restart();
    for (int i = 0; i < 1000; ++i) {
        const int line = m.Cursor().Line;
        const int col = m.Cursor().Col;
        EditCommand typed(m, EditCommands::TypeInsert);
        m.InsertSubStr(line, col, QStringLiteral("x"));
        m.SetCursor(line, col + 1);
    }
    const double typeOurs = Ms(t) / 1000;
    QTextCursor pc(peer.document());
    pc.movePosition(QTextCursor::End);
    peer.setTextCursor(pc);
    t.restart();
    for (int i = 0; i < 1000; ++i) {
        QTextCursor c = peer.textCursor();
        c.insertText(QStringLiteral("x"));
        peer.setTextCursor(c);
    }
    const double typePeer = Ms(t) / 1000;
    Print({"one character typed at the end", typeOurs, typePeer});

    // Line splits spread over the text; the last 32 stay as whole-text undo records.
    const double rssBeforeSplits = ResidentMiB();
    const int step = std::max(1, lineCount / 100);
    t.restart();
    for (int i = 0; i < 100; ++i) {
        const int line = std::min(i * step + i, m.LineCount() - 1);
        ours.SetCursor(line, 10);
        EditCommand enter(m, EditCommands::Enter);
        m.SplitLine(line, 10, 0);
        m.SetCursor(line + 1, 0);
    }
    const double splitOurs = Ms(t) / 100;
    const double undoMiB = ResidentMiB() - rssBeforeSplits;
    t.restart();
    for (int i = 0; i < 100; ++i) {
        QTextCursor c(peer.document()->findBlockByNumber(i * step + i));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
        c.insertBlock();
        peer.setTextCursor(c);
    }
    const double splitPeer = Ms(t) / 100;
    Print({"one line split", splitOurs, splitPeer});

    std::printf(
        "\nundo records kept: %d (all whole-text: %s)\n", int(m.UndoList().size()),
        std::all_of(m.UndoList().cbegin(), m.UndoList().cend(), [](const TPE_UndoRecord &r) { return !r.LineOnly(); })
            ? "yes"
            : "no");
    std::printf("resident memory: the loaded text %.1f MiB; 100 splits with their 32 whole-text records %.1f MiB (%.2f "
                "of the text)\n",
                textMiB, undoMiB, textMiB > 0 ? undoMiB / textMiB : 0.0);
    std::printf("resident memory in all: %.1f MiB\n", ResidentMiB() - rssStart);
    return 0;
}
