#include "controls/editor/edit_blocks.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <utility>

#include "controls/editor/edit_command.h"
#include "controls/editor/edit_dialogs.h"
#include "controls/editor/editor_dialog.h"

namespace EditBlocks {

namespace {

void Repaint(EditModel &m)
{
    EditModel::Scope scope(m);
    m.NoteRepaintAll();
}

// A block with these corners, shown when it is valid in the text: a paste
// and a copy mark the text they inserted, Ctrl+K B and K a corner.
void ShowIfValid(EditModel &m, EditBlock b)
{
    b.Shown = false;
    m.SetBlock(b);
    if (m.CheckBlock()) {
        b = m.Block();
        b.Shown = true;
        m.SetBlock(b);
    }
}

void Hide(EditModel &m)
{
    EditBlock b = m.Block();
    b.Shown = false;
    m.SetBlock(b);
}

// Orders the corners; a stream block that ends where it starts is hidden.
// A rectangle no column wide stays: Alt+Down marks through it before
// Alt+Right widens it, and the commands that need its text refuse it.
EditBlock Normalized(EditBlock b)
{
    if (!b.Shown)
        return b;
    b = b.Ordered();
    if (b.Kind == pbStream && b.Start == b.End)
        b.Shown = false;
    return b;
}

QString PadTo(QString s, int width)
{
    if (s.size() < width)
        s.append(QString(width - s.size(), QLatin1Char(' ')));
    return s;
}

}   // namespace

QStringList SplitPieces(const QString &text)
{
    QStringList pieces;
    qsizetype from = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        pieces.append(text.mid(from, i - from));
        // CR LF and LF CR count as one break.
        if (i + 1 < n) {
            const QChar d = text.at(i + 1);
            if ((d == QLatin1Char('\r') || d == QLatin1Char('\n')) && d != c)
                ++i;
        }
        from = i + 1;
    }
    pieces.append(text.mid(from));
    return pieces;
}

void MarkBlock(EditModel &m, TPE_Block kind, int line, int col)
{
    const TPE_Pos cursor = m.Cursor();
    const TPE_Pos old{line, col};
    if (cursor == old)
        return;
    EditModel::Scope scope(m);
    EditBlock b = m.Block();
    if (b.Shown && b.Kind != kind)
        b.Shown = false;
    bool moved = false;
    if (b.Shown) {
        moved = true;
        if (old == b.Start) {
            b.Start = cursor;
        } else if (old == b.End) {
            b.End = cursor;
        } else if (kind == pbColumn && old == TPE_Pos{b.Start.Line, b.End.Col}) {
            b.Start.Line = cursor.Line;
            b.End.Col = cursor.Col;
        } else if (kind == pbColumn && old == TPE_Pos{b.End.Line, b.Start.Col}) {
            b.End.Line = cursor.Line;
            b.Start.Col = cursor.Col;
        } else {
            moved = false;
        }
    }
    if (!moved)
        b = EditBlock{kind, true, old, cursor};
    m.SetBlock(Normalized(b));
    Repaint(m);
}

void SelectAll(EditModel &m)
{
    m.SetBlock(EditBlock{pbStream, true, {0, 0}, {m.LineCount(), 0}});
    Repaint(m);
}

void SelectWordAtCursor(EditModel &m)
{
    int end = 0, start = 0;
    const TPE_Pos c = m.Cursor();
    if (m.GetWordAtPos(c.Line, c.Col, end, start))
        m.SetBlock(EditBlock{pbStream, true, {c.Line, start}, {c.Line, end}});
    else
        Hide(m);
    Repaint(m);
}

QString GetBlockText(EditModel &m)
{
    if (!m.Block().Shown || !m.CheckBlock())
        return {};
    const EditBlock &b = m.Block();
    const EditLines &lines = m.Lines();
    QString text;
    const int last = std::min(b.End.Line, m.LineCount() - 1);
    if (b.Kind == pbColumn) {
        const int width = b.End.Col - b.Start.Col;
        for (int l = b.Start.Line; l <= last; ++l) {
            text += PadTo(lines.at(l).mid(b.Start.Col, width), width);
            text += QLatin1Char('\r');
        }
        return text;
    }
    for (int l = b.Start.Line; l <= last; ++l) {
        QString s = lines.at(l);
        if (l == b.End.Line)
            s = PadTo(s.left(b.End.Col), b.End.Col);
        if (l == b.Start.Line)
            s = s.mid(b.Start.Col);
        text += s;
        if (l != b.End.Line)
            text += QStringLiteral("\r\n");
    }
    return text;
}

void CopyBlockToClipboard(EditModel &m)
{
    // An empty or invalid block (a rectangle no column wide, a block an
    // edit emptied) copies nothing: the clipboard keeps what it holds, and
    // a rectangle being marked stays as it is.
    EditCommand cmd(m);
    if (!m.Block().Shown || !m.CheckBlock())
        return;
    auto *data = new QMimeData;
    data->setText(GetBlockText(m));
    if (m.Block().Kind == pbColumn)
        data->setData(QString::fromLatin1(ColumnBlockMime), QByteArray(1, '\0'));
    QGuiApplication::clipboard()->setMimeData(data);
}

void PasteFromClipboard(EditModel &m)
{
    EditCommand cmd(m, EditCommands::PasteBlock, EditCommand::Later);
    if (!cmd)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    const QString text = data->text();
    if (text.isEmpty())
        return;
    const TPE_Block kind = data->hasFormat(QString::fromLatin1(ColumnBlockMime)) ? pbColumn : pbStream;
    cmd.Record();
    InsertBlockToCursor(m, text, kind);
}

void InsertBlockToCursor(EditModel &m, const QString &text, TPE_Block kind)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd || text.isEmpty())
        return;
    const QStringList pieces = SplitPieces(text);
    const TPE_Pos c = m.Cursor();
    const int cl = c.Line, cc = c.Col;
    if (kind == pbColumn) {
        int count = 0;
        for (const QString &piece : pieces) {
            if (piece.isEmpty())
                break;
            const int l = cl + count;
            if (l >= m.LineCount())
                m.InsertLines(m.LineCount(), {QString()});
            m.SetLineText(l, PadTo(m.Lines().at(l), cc).insert(cc, piece));
            ++count;
        }
        if (count == 0)
            return;
        ShowIfValid(m, EditBlock{pbColumn, true, c, {cl + count - 1, cc + int(pieces.at(count - 1).size())}});
        return;
    }
    if (pieces.size() == 1) {
        m.SetLineText(cl, PadTo(m.Lines().at(cl), cc).insert(cc, pieces.first()));
        ShowIfValid(m, EditBlock{pbStream, true, c, {cl, cc + int(pieces.first().size())}});
    } else {
        const QString line = PadTo(m.Lines().at(cl), cc);
        const QString rest = line.mid(cc);
        QStringList added;
        added.reserve(pieces.size() - 1);
        for (qsizetype i = 1; i + 1 < pieces.size(); ++i)
            added.append(pieces.at(i));
        added.append(pieces.last() + rest);
        m.SetLineText(cl, line.left(cc) + pieces.first());
        m.InsertLines(cl + 1, added);
        ShowIfValid(m, EditBlock{pbStream, true, c, {cl + int(pieces.size()) - 1, int(pieces.last().size())}});
    }
    m.SetCursor(m.Block().End.Line, m.Block().End.Col);
}

namespace {

// Deletes the shown block; the cursor moves with the text, and the hidden
// block keeps its start, its end going there too, so it cannot be shown
// again.
void DeleteBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const EditBlock b = m.Block();
    const int sl = b.Start.Line, sc = b.Start.Col;
    if (b.Kind == pbStream && b.End.Line != sl) {
        int el = b.End.Line;
        const int ec = b.End.Col;
        QString tail;
        if (el >= m.LineCount()) {
            el = m.LineCount() - 1;   // the whole last line goes
        } else {
            tail = m.Lines().at(el).mid(ec);
        }
        const int removed = el - sl;
        TPE_Pos c = m.Cursor();
        const bool afterStart = !(c < b.Start);
        if (c.Line == b.End.Line && c.Col >= ec && b.End.Line == el)
            c = {sl, sc + (c.Col - ec)};
        else if (c.Line > el)
            c.Line -= removed;
        else if (afterStart)
            c = b.Start;
        Hide(m);
        m.SetLineText(sl, PadTo(m.Lines().at(sl).left(sc), sc) + tail);
        m.RemoveLines(sl + 1, removed);
        m.SetBlock(EditBlock{b.Kind, false, b.Start, b.Start});
        m.SetCursor(c.Line, c.Col);
        return;
    }
    const int width = b.End.Col - sc;
    const int last = std::min(b.End.Line, m.LineCount() - 1);
    Hide(m);
    for (int l = sl; l <= last; ++l) {
        const QString &line = m.Lines().at(l);
        if (line.size() > sc)
            m.SetLineText(l, QString(line).remove(sc, width));
    }
    const TPE_Pos c = m.Cursor();
    if (c.Line >= sl && c.Line <= last) {
        if (c.Col >= b.End.Col)
            m.SetCursorCol(c.Col - width);
        else if (c.Col > sc)
            m.SetCursorCol(sc);
    }
    m.SetBlock(EditBlock{b.Kind, false, b.Start, {b.End.Line, sc}});
    Repaint(m);
}

// Inserts text on every line of the block at its line position.
void InsertToBlock(EditModel &m, const QString &text)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return;
    const auto [first, last] = m.Block().LineRange(m.LineCount());
    const int pos = m.Block().LinePosition();
    for (int l = first; l <= last; ++l)
        m.SetLineText(l, PadTo(m.Lines().at(l), pos).insert(pos, text));
    Repaint(m);
}

}   // namespace

void DoCopyBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::CopyBlock, EditCommand::Later);
    if (!cmd)
        return;
    const QString text = GetBlockText(m);
    if (text.isEmpty())
        return;
    cmd.Record();
    InsertBlockToCursor(m, text, m.Block().Kind);
}

void DoMoveBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::MoveBlock);
    if (!cmd)
        return;
    const QString text = GetBlockText(m);
    const TPE_Block kind = m.Block().Kind;
    DeleteBlock(m);
    InsertBlockToCursor(m, text, kind);
}

void DoDeleteBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteBlock);
    if (!cmd)
        return;
    DeleteBlock(m);
}

void CutBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::CutBlock, EditCommand::Later);
    if (!cmd)
        return;
    CopyBlockToClipboard(m);
    cmd.Record();
    DeleteBlock(m);
}

bool AskFillChar(EditModel &m, EditDialogs &dialogs)
{
    QString text(m.BlockFillChar);
    if (dialogs.AskFillChar(text) != mrOk || text.isEmpty())
        return false;
    m.BlockFillChar = text.at(0);
    return true;
}

void DoFillBlock(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m, EditCommands::FillBlock, EditCommand::Later);
    if (!cmd)
        return;
    const EditBlock b = m.Block();
    if (b.Kind == pbStream && b.Start.Line != b.End.Line)
        return;
    if (!AskFillChar(m, dialogs) || m.BlockFillChar.unicode() < 32)
        return;
    cmd.Record();
    const int sc = b.Start.Col, ec = b.End.Col;
    const int last = std::min(b.End.Line, m.LineCount() - 1);
    for (int l = b.Start.Line; l <= last; ++l)
        m.SetLineText(l, PadTo(m.Lines().at(l), ec).replace(sc, ec - sc, QString(ec - sc, m.BlockFillChar)));
    Repaint(m);
}

void DoIndentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::IndentBlock);
    if (!cmd)
        return;
    InsertToBlock(m, QStringLiteral(" "));
}

void DoUnindentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::UnindentBlock, EditCommand::Later);
    if (!cmd)
        return;
    const auto [first, last] = m.Block().LineRange(m.LineCount());
    const int pos = m.Block().LinePosition();
    for (int l = first; l <= last; ++l) {
        const QString &line = m.Lines().at(l);
        if (line.size() > pos && line.at(pos) != QLatin1Char(' '))
            return;
    }
    cmd.Record();
    for (int l = first; l <= last; ++l)
        if (m.Lines().at(l).size() > pos)
            m.SetLineText(l, QString(m.Lines().at(l)).remove(pos, 1));
    Repaint(m);
}

void DoCommentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::CommentBlock);
    if (!cmd)
        return;
    InsertToBlock(m, m.CommentStyle == 1 ? QStringLiteral("// ") : QStringLiteral("; "));
}

void DoUncommentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommands::UncommentBlock, EditCommand::Later);
    if (!cmd)
        return;
    const QString prefix = m.CommentStyle == 1 ? QStringLiteral("//") : QStringLiteral(";");
    const auto [first, last] = m.Block().LineRange(m.LineCount());
    const int pos = m.Block().LinePosition();
    for (int l = first; l <= last; ++l) {
        const QString &line = m.Lines().at(l);
        if (line.size() > pos && !QStringView(line).mid(pos).startsWith(prefix))
            return;
    }
    cmd.Record();
    for (int l = first; l <= last; ++l) {
        QString line = m.Lines().at(l);
        if (line.size() <= pos)
            continue;
        line.remove(pos, prefix.size());
        if (pos < line.size() && line.at(pos) == QLatin1Char(' '))
            line.remove(pos, 1);
        m.SetLineText(l, line);
    }
    Repaint(m);
}

void SetBlockStart(EditModel &m)
{
    EditBlock b = m.Block();
    b.Start = m.Cursor();
    if (b.Kind == pbNone)
        b.Kind = pbStream;
    ShowIfValid(m, b);
}

void SetBlockEnd(EditModel &m)
{
    EditBlock b = m.Block();
    b.End = m.Cursor();
    if (b.Kind == pbNone)
        b.Kind = pbStream;
    ShowIfValid(m, b);
}

void ToggleBlock(EditModel &m)
{
    if (m.Block().Shown)
        Hide(m);
    else
        ShowIfValid(m, m.Block());
}

}   // namespace EditBlocks
