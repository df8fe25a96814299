#include "controls/editor/edit_blocks.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <utility>

#include "controls/editor/edit_dialogs.h"
#include "controls/editor/editor_dialog.h"

namespace EditBlocks {

namespace {

void NormalizeBlock(EditModel &m);
void DeleteBlock(EditModel &m);
void InsertToBlock(EditModel &m, const QString &text);

void Repaint(EditModel &m)
{
    EditModel::Scope scope(m);
    m.NoteRepaintAll();
}

// A deleted block keeps its start; its end goes there too, so it cannot be
// shown again.
void CollapseBlock(EditModel &m, int endLine, int endCol)
{
    m.FBlockEndLine = endLine;
    m.FBlockEndCol = endCol;
}

// Shows a block with these corners: the block's own marking, for a paste
// and a copy, whose text becomes the block.
void ShowBlock(EditModel &m, TPE_Block kind, int sl, int sc, int el, int ec)
{
    m.FBlockKind = kind;
    m.FBlockStartLine = sl;
    m.FBlockStartCol = sc;
    m.FBlockEndLine = el;
    m.FBlockEndCol = ec;
    m.FBlockShown = m.CheckBlock();
    Repaint(m);
}

bool Before(int l1, int c1, int l2, int c2)
{
    return l1 < l2 || (l1 == l2 && c1 < c2);
}

QString PadTo(QString s, int width)
{
    if (s.size() < width)
        s.append(QString(width - s.size(), QLatin1Char(' ')));
    return s;
}

// The lines the block's line commands work on: start ... end, leaving out an
// end line whose end column is 0, and only lines that exist.
std::pair<int, int> BlockLines(const EditModel &m)
{
    int last = m.FBlockEndLine;
    if (m.FBlockEndCol == 0 && last > m.FBlockStartLine)
        --last;
    last = std::min(last, m.LineCount() - 1);
    return {m.FBlockStartLine, last};
}

// The column the indent and comment commands work at.
int BlockPosition(const EditModel &m)
{
    return m.FBlockKind == pbColumn ? m.FBlockStartCol : 0;
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
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    if (cl == line && cc == col)
        return;
    EditModel::Scope scope(m);
    if (m.FBlockShown && m.FBlockKind != kind)
        m.FBlockShown = false;
    bool moved = false;
    if (m.FBlockShown) {
        if (line == m.FBlockStartLine && col == m.FBlockStartCol) {
            m.FBlockStartLine = cl;
            m.FBlockStartCol = cc;
            moved = true;
        } else if (line == m.FBlockEndLine && col == m.FBlockEndCol) {
            m.FBlockEndLine = cl;
            m.FBlockEndCol = cc;
            moved = true;
        } else if (kind == pbColumn && line == m.FBlockStartLine && col == m.FBlockEndCol) {
            m.FBlockStartLine = cl;
            m.FBlockEndCol = cc;
            moved = true;
        } else if (kind == pbColumn && line == m.FBlockEndLine && col == m.FBlockStartCol) {
            m.FBlockEndLine = cl;
            m.FBlockStartCol = cc;
            moved = true;
        }
    }
    if (!moved) {
        m.FBlockShown = true;
        m.FBlockKind = kind;
        m.FBlockStartLine = line;
        m.FBlockStartCol = col;
        m.FBlockEndLine = cl;
        m.FBlockEndCol = cc;
    }
    NormalizeBlock(m);
    Repaint(m);
}

namespace {

void NormalizeBlock(EditModel &m)
{
    if (!m.FBlockShown)
        return;
    if (m.FBlockKind == pbColumn) {
        if (m.FBlockStartLine > m.FBlockEndLine)
            std::swap(m.FBlockStartLine, m.FBlockEndLine);
        if (m.FBlockStartCol > m.FBlockEndCol)
            std::swap(m.FBlockStartCol, m.FBlockEndCol);
        // A rectangle no column wide stays: Alt+Down marks through it before
        // Alt+Right widens it. The commands that need its text refuse it.
        return;
    }
    if (Before(m.FBlockEndLine, m.FBlockEndCol, m.FBlockStartLine, m.FBlockStartCol)) {
        std::swap(m.FBlockStartLine, m.FBlockEndLine);
        std::swap(m.FBlockStartCol, m.FBlockEndCol);
    } else if (m.FBlockStartLine == m.FBlockEndLine && m.FBlockStartCol == m.FBlockEndCol) {
        m.FBlockShown = false;
    }
}

}   // namespace

void SelectAll(EditModel &m)
{
    m.FBlockKind = pbStream;
    m.FBlockStartLine = 0;
    m.FBlockStartCol = 0;
    m.FBlockEndLine = m.LineCount();
    m.FBlockEndCol = 0;
    m.FBlockShown = true;
    Repaint(m);
}

void SelectWordAtCursor(EditModel &m)
{
    int end = 0, start = 0;
    if (m.GetWordAtPos(m.FCursorLine, m.FCursorCol, end, start)) {
        m.FBlockKind = pbStream;
        m.FBlockStartLine = m.FBlockEndLine = m.FCursorLine;
        m.FBlockStartCol = start;
        m.FBlockEndCol = end;
        m.FBlockShown = true;
    } else {
        m.FBlockShown = false;
    }
    Repaint(m);
}

QString GetBlockText(EditModel &m)
{
    if (!m.FBlockShown || !m.CheckBlock())
        return {};
    QString text;
    const int last = std::min(m.FBlockEndLine, m.LineCount() - 1);
    if (m.FBlockKind == pbColumn) {
        const int width = m.FBlockEndCol - m.FBlockStartCol;
        for (int l = m.FBlockStartLine; l <= last; ++l) {
            text += PadTo(m.FEditLines.at(l).mid(m.FBlockStartCol, width), width);
            text += QLatin1Char('\r');
        }
        return text;
    }
    for (int l = m.FBlockStartLine; l <= last; ++l) {
        QString s = m.FEditLines.at(l);
        if (l == m.FBlockEndLine)
            s = PadTo(s.left(m.FBlockEndCol), m.FBlockEndCol);
        if (l == m.FBlockStartLine)
            s = s.mid(m.FBlockStartCol);
        text += s;
        if (l != m.FBlockEndLine)
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
    if (!m.FBlockShown || !m.CheckBlock())
        return;
    auto *data = new QMimeData;
    data->setText(GetBlockText(m));
    if (m.FBlockKind == pbColumn)
        data->setData(QString::fromLatin1(ColumnBlockMime), QByteArray(1, '\0'));
    QGuiApplication::clipboard()->setMimeData(data);
}

void PasteFromClipboard(EditModel &m)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    const QString text = data->text();
    if (text.isEmpty())
        return;
    const TPE_Block kind = data->hasFormat(QString::fromLatin1(ColumnBlockMime)) ? pbColumn : pbStream;
    m.CreateUNDO(UndoNames::PasteBlock, UndoType::Text);
    InsertBlockToCursor(m, text, kind);
    m.CloseUNDO();
}

void InsertBlockToCursor(EditModel &m, const QString &text, TPE_Block kind)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd || text.isEmpty())
        return;
    const QStringList pieces = SplitPieces(text);
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    if (kind == pbColumn) {
        int count = 0;
        for (const QString &piece : pieces) {
            if (piece.isEmpty())
                break;
            const int l = cl + count;
            if (l >= m.LineCount())
                m.InsertLines(m.LineCount(), {QString()});
            m.SetLineText(l, PadTo(m.FEditLines.at(l), cc).insert(cc, piece));
            ++count;
        }
        if (count == 0)
            return;
        ShowBlock(m, pbColumn, cl, cc, cl + count - 1, cc + int(pieces.at(count - 1).size()));
        return;
    }
    if (pieces.size() == 1) {
        m.SetLineText(cl, PadTo(m.FEditLines.at(cl), cc).insert(cc, pieces.first()));
        ShowBlock(m, pbStream, cl, cc, cl, cc + int(pieces.first().size()));
    } else {
        const QString line = PadTo(m.FEditLines.at(cl), cc);
        const QString rest = line.mid(cc);
        QStringList added;
        added.reserve(pieces.size() - 1);
        for (qsizetype i = 1; i + 1 < pieces.size(); ++i)
            added.append(pieces.at(i));
        added.append(pieces.last() + rest);
        m.SetLineText(cl, line.left(cc) + pieces.first());
        m.InsertLines(cl + 1, added);
        ShowBlock(m, pbStream, cl, cc, cl + int(pieces.size()) - 1, int(pieces.last().size()));
    }
    m.SetCursor(m.FBlockEndLine, m.FBlockEndCol);
}

namespace {

void DeleteBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const int sl = m.FBlockStartLine, sc = m.FBlockStartCol;
    if (m.FBlockKind == pbStream && m.FBlockEndLine != sl) {
        int el = m.FBlockEndLine;
        const int ec = m.FBlockEndCol;
        QString tail;
        if (el >= m.LineCount()) {
            el = m.LineCount() - 1;   // the whole last line goes
        } else {
            tail = m.FEditLines.at(el).mid(ec);
        }
        const int removed = el - sl;
        int cl = m.FCursorLine, cc = m.FCursorCol;
        const bool afterStart = !Before(cl, cc, sl, sc);
        if (cl == m.FBlockEndLine && cc >= ec && m.FBlockEndLine == el) {
            cc = sc + (cc - ec);
            cl = sl;
        } else if (cl > el) {
            cl -= removed;
        } else if (afterStart) {
            cl = sl;
            cc = sc;
        }
        m.FBlockShown = false;
        m.SetLineText(sl, PadTo(m.FEditLines.at(sl).left(sc), sc) + tail);
        m.RemoveLines(sl + 1, removed);
        CollapseBlock(m, sl, sc);
        m.SetCursor(cl, cc);
        return;
    }
    const int width = m.FBlockEndCol - sc;
    const int last = std::min(m.FBlockEndLine, m.LineCount() - 1);
    const int endCol = m.FBlockEndCol;
    m.FBlockShown = false;
    for (int l = sl; l <= last; ++l) {
        const QString &line = m.FEditLines.at(l);
        if (line.size() > sc)
            m.SetLineText(l, QString(line).remove(sc, width));
    }
    if (m.FCursorLine >= sl && m.FCursorLine <= last) {
        if (m.FCursorCol >= endCol)
            m.SetCursorCol(m.FCursorCol - width);
        else if (m.FCursorCol > sc)
            m.SetCursorCol(sc);
    }
    CollapseBlock(m, m.FBlockEndLine, sc);
    Repaint(m);
}

}   // namespace

void DoCopyBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const QString text = GetBlockText(m);
    if (text.isEmpty())
        return;
    m.CreateUNDO(UndoNames::CopyBlock, UndoType::Text);
    InsertBlockToCursor(m, text, m.FBlockKind);
    m.CloseUNDO();
}

void DoMoveBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const QString text = GetBlockText(m);
    const TPE_Block kind = m.FBlockKind;
    m.CreateUNDO(UndoNames::MoveBlock, UndoType::Text);
    DeleteBlock(m);
    InsertBlockToCursor(m, text, kind);
    m.CloseUNDO();
}

void DoDeleteBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    m.CreateUNDO(UndoNames::DeleteBlock, UndoType::Text);
    DeleteBlock(m);
    m.CloseUNDO();
}

void CutBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    CopyBlockToClipboard(m);
    m.CreateUNDO(UndoNames::CutBlock, UndoType::Text);
    DeleteBlock(m);
    m.CloseUNDO();
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
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    if (m.FBlockKind == pbStream && m.FBlockStartLine != m.FBlockEndLine)
        return;
    if (!AskFillChar(m, dialogs) || m.BlockFillChar.unicode() < 32)
        return;
    m.CreateUNDO(UndoNames::FillBlock, UndoType::Text);
    const int sc = m.FBlockStartCol, ec = m.FBlockEndCol;
    const int last = std::min(m.FBlockEndLine, m.LineCount() - 1);
    for (int l = m.FBlockStartLine; l <= last; ++l)
        m.SetLineText(l, PadTo(m.FEditLines.at(l), ec).replace(sc, ec - sc, QString(ec - sc, m.BlockFillChar)));
    Repaint(m);
    m.CloseUNDO();
}

namespace {

void InsertToBlock(EditModel &m, const QString &text)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return;
    const auto [first, last] = BlockLines(m);
    const int pos = BlockPosition(m);
    for (int l = first; l <= last; ++l)
        m.SetLineText(l, PadTo(m.FEditLines.at(l), pos).insert(pos, text));
    Repaint(m);
}

}   // namespace

void DoIndentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    m.CreateUNDO(UndoNames::IndentBlock, UndoType::TextMerge);
    InsertToBlock(m, QStringLiteral(" "));
    m.CloseUNDO();
}

void DoUnindentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const auto [first, last] = BlockLines(m);
    const int pos = BlockPosition(m);
    for (int l = first; l <= last; ++l) {
        const QString &line = m.FEditLines.at(l);
        if (line.size() > pos && line.at(pos) != QLatin1Char(' '))
            return;
    }
    m.CreateUNDO(UndoNames::UnindentBlock, UndoType::TextMerge);
    for (int l = first; l <= last; ++l)
        if (m.FEditLines.at(l).size() > pos)
            m.SetLineText(l, QString(m.FEditLines.at(l)).remove(pos, 1));
    Repaint(m);
    m.CloseUNDO();
}

void DoCommentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    m.CreateUNDO(UndoNames::CommentBlock, UndoType::Text);
    InsertToBlock(m, m.CommentStyle == 1 ? QStringLiteral("// ") : QStringLiteral("; "));
    m.CloseUNDO();
}

void DoUncommentBlock(EditModel &m)
{
    EditCommand cmd(m, EditCommand::BlockEdit);
    if (!cmd)
        return;
    const QString prefix = m.CommentStyle == 1 ? QStringLiteral("//") : QStringLiteral(";");
    const auto [first, last] = BlockLines(m);
    const int pos = BlockPosition(m);
    for (int l = first; l <= last; ++l) {
        const QString &line = m.FEditLines.at(l);
        if (line.size() > pos && !QStringView(line).mid(pos).startsWith(prefix))
            return;
    }
    m.CreateUNDO(UndoNames::UncommentBlock, UndoType::Text);
    for (int l = first; l <= last; ++l) {
        QString line = m.FEditLines.at(l);
        if (line.size() <= pos)
            continue;
        line.remove(pos, prefix.size());
        if (pos < line.size() && line.at(pos) == QLatin1Char(' '))
            line.remove(pos, 1);
        m.SetLineText(l, line);
    }
    Repaint(m);
    m.CloseUNDO();
}

namespace {

// The block's look changed only when it is shown now or was before.
void RepaintIfShown(EditModel &m, bool wasShown)
{
    if (wasShown || m.FBlockShown)
        Repaint(m);
}

}   // namespace

void SetBlockStart(EditModel &m)
{
    const bool wasShown = m.FBlockShown;
    m.FBlockStartLine = m.FCursorLine;
    m.FBlockStartCol = m.FCursorCol;
    if (m.FBlockKind == pbNone)
        m.FBlockKind = pbStream;
    m.FBlockShown = m.CheckBlock();
    RepaintIfShown(m, wasShown);
}

void SetBlockEnd(EditModel &m)
{
    const bool wasShown = m.FBlockShown;
    m.FBlockEndLine = m.FCursorLine;
    m.FBlockEndCol = m.FCursorCol;
    if (m.FBlockKind == pbNone)
        m.FBlockKind = pbStream;
    m.FBlockShown = m.CheckBlock();
    RepaintIfShown(m, wasShown);
}

void ToggleBlock(EditModel &m)
{
    const bool wasShown = m.FBlockShown;
    m.FBlockShown = !m.FBlockShown && m.CheckBlock();
    RepaintIfShown(m, wasShown);
}

}   // namespace EditBlocks
