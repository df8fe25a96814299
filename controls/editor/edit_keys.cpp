#include "controls/editor/edit_keys.h"

#include <algorithm>

#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_search.h"

namespace EditKeys {

namespace {

using EditBlocks::TrimRight;

int LeadingSpaces(const QString &line)
{
    int n = 0;
    while (n < line.size() && line.at(n) == QLatin1Char(' '))
        ++n;
    return n == line.size() ? 0 : n;   // an all-space line has no indentation
}

bool IsModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R: return true;
    default: return false;
    }
}

// Moves the block after a line was removed at `line` (Ctrl+Y).
void BlockAfterLineRemoved(EditModel &m, int line)
{
    if (m.FBlockKind == pbColumn) {
        if (m.FBlockStartLine > line)
            --m.FBlockStartLine;
        if (m.FBlockEndLine >= line)
            --m.FBlockEndLine;
        return;
    }
    auto corner = [line](int &l, int &c) {
        if (l > line)
            --l;
        else if (l == line)
            c = 0;
    };
    corner(m.FBlockStartLine, m.FBlockStartCol);
    corner(m.FBlockEndLine, m.FBlockEndCol);
}

void MoveCursorByKey(EditModel &m, int key, bool ctrl)
{
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    switch (key) {
    case Qt::Key_PageUp:
        if (ctrl)
            m.SetCursor(0, 0);
        else
            m.SetCursorLine(cl - m.FVisLines);
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            m.SetCursor(m.LineCount() - 1, int(m.FEditLines.last().size()));
        else
            m.SetCursorLine(cl + m.FVisLines);
        break;
    case Qt::Key_End: m.SetCursorCol(int(m.FEditLines.at(cl).size())); break;
    case Qt::Key_Home: m.SetCursorCol(0); break;
    case Qt::Key_Left:
        if (ctrl) {
            int l = cl, c = cc;
            GetPrevWordStart(m, l, c);
            m.SetCursor(l, c);
        } else {
            m.SetCursorCol(cc - 1);
        }
        break;
    case Qt::Key_Right:
        if (ctrl) {
            int l = cl, c = cc;
            GetNextWordStart(m, l, c);
            m.SetCursor(l, c);
        } else {
            m.SetCursorCol(cc + 1);
        }
        break;
    case Qt::Key_Up:
        if (ctrl)
            m.SetStartLine(m.FStartLine - 1);
        m.SetCursorLine(m.FCursorLine - 1);
        break;
    case Qt::Key_Down:
        if (ctrl)
            m.SetStartLine(m.FStartLine + 1);
        m.SetCursorLine(m.FCursorLine + 1);
        break;
    default: break;
    }
}

// The second key after Ctrl+K or Ctrl+Q.
void PrefixKey(EditModel &m, EditDialogs &dialogs, int key)
{
    if (m.FPrefixK) {
        switch (key) {
        case Qt::Key_B: EditBlocks::SetBlockStart(m); break;
        case Qt::Key_K: EditBlocks::SetBlockEnd(m); break;
        case Qt::Key_H: EditBlocks::ToggleBlock(m); break;
        case Qt::Key_C: EditBlocks::DoCopyBlock(m); break;
        case Qt::Key_V: EditBlocks::DoMoveBlock(m); break;
        case Qt::Key_Y: EditBlocks::DoDeleteBlock(m); break;
        case Qt::Key_F: EditBlocks::DoFillBlock(m, dialogs); break;
        case Qt::Key_I: EditBlocks::DoIndentBlock(m); break;
        case Qt::Key_U: EditBlocks::DoUnindentBlock(m); break;
        case Qt::Key_T: EditBlocks::SelectWordAtCursor(m); break;
        default: break;
        }
    } else if (m.FPrefixQ) {
        switch (key) {
        case Qt::Key_P: m.CtrlQ_P(); break;
        case Qt::Key_Y: DeleteToLineEnd(m); break;
        case Qt::Key_BracketLeft:
        case Qt::Key_BracketRight: MatchBracket(m); break;
        default: break;
        }
    }
}

void CtrlKey(EditModel &m, EditDialogs &dialogs, int key)
{
    switch (key) {
    case Qt::Key_Backspace: DeleteWordLeft(m); break;
    case Qt::Key_Insert:
    case Qt::Key_C: EditBlocks::CopyBlockToClipboard(m); break;
    case Qt::Key_Delete: EditBlocks::DoDeleteBlock(m); break;
    case Qt::Key_A: EditBlocks::SelectAll(m); break;
    case Qt::Key_D: DuplicateLine(m); break;
    case Qt::Key_F:
    case Qt::Key_S: EditSearch::DoSearch(m, dialogs); break;
    case Qt::Key_G:
    case Qt::Key_J: EditSearch::DoGotoLine(m, dialogs); break;
    case Qt::Key_K: m.FPrefixK = true; break;
    case Qt::Key_L: {
        const TPE_Pos cursor{m.FCursorLine, m.FCursorCol};
        EditSearch::FindNext(m, dialogs, &cursor);
        break;
    }
    case Qt::Key_Q: m.FPrefixQ = true; break;
    case Qt::Key_R: EditSearch::DoSearchReplace(m, dialogs); break;
    case Qt::Key_T: DeleteWordRight(m); break;
    case Qt::Key_V: EditBlocks::PasteFromClipboard(m); break;
    case Qt::Key_W: EditSearch::FindWord(m, dialogs); break;
    case Qt::Key_X: EditBlocks::CutBlock(m); break;
    case Qt::Key_Y: DeleteLine(m); break;
    case Qt::Key_Z: m.UNDO(); break;
    case Qt::Key_Comma: EditBlocks::DoUnindentBlock(m); break;
    case Qt::Key_Period: EditBlocks::DoIndentBlock(m); break;
    case Qt::Key_BracketLeft: EditBlocks::DoUncommentBlock(m); break;
    case Qt::Key_BracketRight: EditBlocks::DoCommentBlock(m); break;
    default: break;
    }
}

}   // namespace

void KeyEvent(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const QString &text,
              const KeyHooks *hooks)
{
    KeyDown(m, dialogs, key, mods, hooks);
    // Ctrl or Alt alone turn a key into a command; both together (AltGr on
    // some layouts) still type.
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
    if (ctrl == alt)
        for (QChar ch : text) {
            if (hooks && hooks->KeyPress)
                hooks->KeyPress(ch);
            if (!ch.isNull())
                KeyPress(m, ch);
        }
    m.FSkipChar = false;
}

void KeyDown(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const KeyHooks *hooks)
{
    mods &= ~Qt::KeypadModifier;
    // Whether Ctrl itself counts among the modifiers of its own press or
    // release differs between platforms: only the others matter.
    m.FCtrlAlone = key == Qt::Key_Control && (mods & ~Qt::ControlModifier) == Qt::NoModifier;
    if (hooks && hooks->KeyDown)
        hooks->KeyDown(key, mods);
    if (key != 0)
        ProcessKey(m, dialogs, key, mods);
}

bool KeyUp(EditModel &m, int key, Qt::KeyboardModifiers mods)
{
    mods &= ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (key != Qt::Key_Control || mods != Qt::NoModifier || !m.FCtrlAlone)
        return false;
    m.FCtrlAlone = false;
    return m.SwitchKeybLayoutOnCtrl;
}

void ProcessKey(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods)
{
    mods &= ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const bool none = !shift && !ctrl && !alt;
    const bool ctrlOnly = ctrl && !shift && !alt;
    const int oldLine = m.FCursorLine, oldCol = m.FCursorCol;

    MoveCursorByKey(m, key, ctrl);
    if (shift)
        EditBlocks::MarkBlock(m, pbStream, oldLine, oldCol);
    else if (alt)
        EditBlocks::MarkBlock(m, pbColumn, oldLine, oldCol);

    // A modifier pressed on its own (Ctrl again before the second key of a
    // prefix, Shift for a capital) neither completes nor ends a prefix.
    if (IsModifierKey(key))
        return;
    const bool prefix = m.FPrefixK || m.FPrefixQ;
    if (none) {
        switch (key) {
        case Qt::Key_Backspace: Backspace(m); break;
        case Qt::Key_Tab: Tab(m); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: Enter(m); break;
        case Qt::Key_Insert:
            m.OverwriteMode = !m.OverwriteMode;
            if (EditView *v = m.View())
                v->UpdateTextFields();
            break;
        case Qt::Key_Delete: DeleteChar(m); break;
        default:
            if (prefix)
                PrefixKey(m, dialogs, key);
            break;
        }
    } else if (shift && !ctrl && !alt && key == Qt::Key_Insert) {
        EditBlocks::PasteFromClipboard(m);
    } else if (alt && !ctrl && !shift && key == Qt::Key_Backspace) {
        m.UNDO();
    } else if (ctrlOnly) {
        if (prefix)
            PrefixKey(m, dialogs, key);
        else
            CtrlKey(m, dialogs, key);
    }
    if (prefix) {
        m.FPrefixK = m.FPrefixQ = false;
        m.FSkipChar = true;
    }
}

void KeyPress(EditModel &m, QChar ch)
{
    if (m.FSkipChar) {
        m.FSkipChar = false;
        return;
    }
    if (m.ReadOnly || ch.unicode() == 127 || ch.unicode() < 32)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    QString line = m.FEditLines.at(cl);
    if (cc < line.size()) {
        if (m.OverwriteMode)
            line[cc] = ch;
        else
            line.insert(cc, ch);
    } else if (ch != QLatin1Char(' ')) {
        line.append(QString(cc - line.size(), QLatin1Char(' ')));
        line.append(ch);
    }
    m.CreateUNDO(m.OverwriteMode ? UndoNames::TypeOverwrite : UndoNames::TypeInsert, UndoType::LineMerge);
    m.FEditLines[cl] = line;
    m.SetCursorCol(cc + 1);
    if (!m.OverwriteMode && m.FBlockKind == pbStream) {
        if (m.FBlockStartLine == cl && m.FBlockStartCol > cc)
            ++m.FBlockStartCol;
        if (m.FBlockEndLine == cl && m.FBlockEndCol > cc)
            ++m.FBlockEndCol;
    }
    m.Changed(true);
    m.CloseUNDO();
}

void Backspace(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    if (cc > 0) {
        m.CreateUNDO(UndoNames::BackspaceChar, UndoType::LineMerge);
        if (cc <= m.FEditLines.at(cl).size())
            m.DeleteSubStr(cl, cc - 1, 1);   // moves the cursor and the block corners
        else
            m.SetCursorCol(cc - 1);
        m.CloseUNDO();
        return;
    }
    if (cl == 0)
        return;
    m.CreateUNDO(UndoNames::BackspaceJoin, UndoType::Text);
    const int prevLen = int(m.FEditLines.at(cl - 1).size());
    m.FEditLines[cl - 1] = TrimRight(m.FEditLines.at(cl - 1) + m.FEditLines.at(cl));
    m.FEditLines.removeAt(cl);
    if (m.FBlockKind == pbColumn) {
        if (m.FBlockStartLine > cl)
            --m.FBlockStartLine;
        if (m.FBlockEndLine >= cl)
            --m.FBlockEndLine;
    } else {
        auto corner = [cl, prevLen](int &l, int &c) {
            if (l > cl) {
                --l;
            } else if (l == cl) {
                --l;
                c += prevLen;
            }
        };
        corner(m.FBlockStartLine, m.FBlockStartCol);
        corner(m.FBlockEndLine, m.FBlockEndCol);
    }
    EditBlocks::SetCheckBlock(m);
    m.SetCursor(cl - 1, prevLen);
    m.Changed(false);
    m.CloseUNDO();
}

void DeleteChar(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    if (cc < m.FEditLines.at(cl).size()) {
        m.CreateUNDO(UndoNames::DeleteChar, UndoType::LineMerge);
        m.DeleteSubStr(cl, cc, 1);
        m.CloseUNDO();
        return;
    }
    if (cl >= m.LineCount() - 1)
        return;
    m.CreateUNDO(UndoNames::DeleteJoin, UndoType::Text);
    QString line = m.FEditLines.at(cl);
    line.append(QString(cc - line.size(), QLatin1Char(' ')));
    m.FEditLines[cl] = TrimRight(line + m.FEditLines.at(cl + 1));
    m.FEditLines.removeAt(cl + 1);
    if (m.FBlockKind == pbColumn) {
        if (m.FBlockStartLine > cl)
            --m.FBlockStartLine;
        if (m.FBlockEndLine > cl)
            --m.FBlockEndLine;
    } else {
        auto corner = [cl, cc](int &l, int &c) {
            if (l > cl + 1) {
                --l;
            } else if (l == cl + 1) {
                l = cl;
                c += cc;
            } else if (l == cl && c > cc) {
                c = cc;
            }
        };
        corner(m.FBlockStartLine, m.FBlockStartCol);
        corner(m.FBlockEndLine, m.FBlockEndCol);
    }
    EditBlocks::SetCheckBlock(m);
    m.Changed(false);
    m.CloseUNDO();
}

void Tab(EditModel &m)
{
    // Tab changes the text like every other editing key, so it too leaves a
    // read-only text alone.
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    const int size = std::max(m.TabSize, 1);
    int target = (cc + size) / size * size;
    if (cl > 0) {
        const QString &prev = m.FEditLines.at(cl - 1);
        int p = cc;
        while (p < prev.size() && prev.at(p) != QLatin1Char(' '))
            ++p;
        while (p < prev.size() && prev.at(p) == QLatin1Char(' '))
            ++p;
        if (p > cc)
            target = p;
    }
    target = std::min(target, EditModel::MaxColumn);
    if (target <= cc)
        return;
    m.CreateUNDO(UndoNames::Tab, UndoType::LineMerge);
    m.InsertSubStr(cl, cc, QString(target - cc, QLatin1Char(' ')));
    m.SetCursorCol(target);
    m.CloseUNDO();
}

void Enter(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    if (m.OverwriteMode && cl < m.LineCount() - 1) {
        m.SetCursor(cl + 1, m.AutoIndent ? LeadingSpaces(m.FEditLines.at(cl + 1)) : 0);
        return;
    }
    m.CreateUNDO(UndoNames::Enter, UndoType::TextMerge);
    const QString line = m.FEditLines.at(cl);
    int indent = m.AutoIndent ? LeadingSpaces(line) : 0;
    if (cc < indent)
        indent = 0;
    const QString spaces(indent, QLatin1Char(' '));
    m.FEditLines[cl] = TrimRight(line.left(cc));
    m.FEditLines.insert(cl + 1, cc < line.size() ? spaces + line.mid(cc) : spaces);
    if (m.FBlockKind == pbColumn) {
        if (m.FBlockStartLine > cl || (m.FBlockStartLine == cl && m.FBlockStartCol > cc))
            ++m.FBlockStartLine;
        if (m.FBlockEndLine > cl || (m.FBlockEndLine == cl && cc == 0))
            ++m.FBlockEndLine;
    } else {
        auto corner = [cl, cc, indent](int &l, int &c) {
            if (l > cl) {
                ++l;
            } else if (l == cl && c > cc) {
                ++l;
                c = indent + (c - cc);
            }
        };
        corner(m.FBlockStartLine, m.FBlockStartCol);
        corner(m.FBlockEndLine, m.FBlockEndCol);
    }
    EditBlocks::SetCheckBlock(m);
    m.SetCursor(cl + 1, indent);
    m.Changed(false);
    m.CloseUNDO();
}

void DeleteWordLeft(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    int l = cl, c = cc;
    GetPrevWordStart(m, l, c);
    if (l != cl)
        c = 0;
    if (c >= cc)
        return;
    m.CreateUNDO(UndoNames::DeleteWordLeft, UndoType::LineMerge);
    m.DeleteSubStr(cl, c, cc - c);
    m.SetCursorCol(c);
    m.CloseUNDO();
}

void DeleteWordRight(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    int l = cl, c = cc;
    GetNextWordStart(m, l, c);
    if (l != cl || c <= cc)
        return;
    m.CreateUNDO(UndoNames::DeleteWordRight, UndoType::LineMerge);
    m.DeleteSubStr(cl, cc, c - cc);
    m.CloseUNDO();
}

void DuplicateLine(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine;
    m.CreateUNDO(UndoNames::DuplicateLine, UndoType::TextMerge);
    m.FEditLines.insert(cl, m.FEditLines.at(cl));
    if (m.FBlockStartLine > cl)
        ++m.FBlockStartLine;
    if (m.FBlockEndLine > cl)
        ++m.FBlockEndLine;
    m.SetCursorLine(cl + 1);
    m.Changed(false);
    m.CloseUNDO();
}

void DeleteLine(EditModel &m)
{
    if (m.ReadOnly)
        return;
    const int cl = m.FCursorLine;
    if (cl == m.LineCount() - 1) {
        if (m.FEditLines.at(cl).isEmpty())
            return;
        m.CreateUNDO(UndoNames::DeleteLine, UndoType::Line);
        m.FEditLines[cl] = QString();
        m.SetCursorCol(0);
        m.Changed(true);
        m.CloseUNDO();
        return;
    }
    m.CreateUNDO(UndoNames::DeleteLine, UndoType::TextMerge);
    m.FEditLines.removeAt(cl);
    BlockAfterLineRemoved(m, cl);
    EditBlocks::SetCheckBlock(m);
    m.Changed(false);
    m.CloseUNDO();
}

void DeleteToLineEnd(EditModel &m)
{
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    const int len = int(m.FEditLines.at(cl).size());
    if (m.ReadOnly || cc >= len)
        return;
    m.CreateUNDO(UndoNames::DeleteToLineEnd, UndoType::Line);
    m.DeleteSubStr(cl, cc, len - cc);
    m.CloseUNDO();
}

void GetNextWordStart(const EditModel &m, int &line, int &col)
{
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    const QString &s = m.FEditLines.at(cl);
    line = cl;
    if (cc >= s.size()) {
        if (cl >= m.LineCount() - 1) {
            col = int(s.size());
            return;
        }
        const QString &next = m.FEditLines.at(cl + 1);
        int p = 0;
        while (p < next.size() && !EditModel::IsWordChar(next.at(p)))
            ++p;
        line = cl + 1;
        col = p;
        return;
    }
    // From the cursor's own character: over the rest of a word, then over
    // what separates it from the next one.
    int p = cc;
    while (p < s.size() && EditModel::IsWordChar(s.at(p)))
        ++p;
    while (p < s.size() && !EditModel::IsWordChar(s.at(p)))
        ++p;
    col = p;
}

void GetPrevWordStart(const EditModel &m, int &line, int &col)
{
    const int cl = m.FCursorLine;
    const QString &s = m.FEditLines.at(cl);
    int p = std::min<int>(m.FCursorCol, int(s.size())) - 1;
    while (p >= 0 && !EditModel::IsWordChar(s.at(p)))
        --p;
    if (p < 0) {
        if (cl == 0) {
            line = 0;
            col = 0;
        } else {
            line = cl - 1;
            col = int(m.FEditLines.at(cl - 1).size());
        }
        return;
    }
    while (p > 0 && EditModel::IsWordChar(s.at(p - 1)))
        --p;
    line = cl;
    col = p;
}

void MatchBracket(EditModel &m)
{
    static const QString brackets = QStringLiteral("[](){}<>");
    const int cl = m.FCursorLine, cc = m.FCursorCol;
    const QString &s = m.FEditLines.at(cl);
    if (cc >= s.size())
        return;
    const QChar own = s.at(cc);
    const int k = int(brackets.indexOf(own));
    if (k < 0)
        return;
    const bool forward = k % 2 == 0;
    const QChar partner = brackets.at(forward ? k + 1 : k - 1);
    int depth = 0;
    // True when (l, c) holds the partner at depth 1.
    auto step = [&](int l, int c) {
        const QChar ch = m.FEditLines.at(l).at(c);
        if (ch == own) {
            ++depth;
        } else if (ch == partner) {
            if (depth == 1) {
                m.SetCursor(l, c);
                return true;
            }
            --depth;
        }
        return false;
    };
    if (forward) {
        for (int l = cl; l < m.LineCount(); ++l)
            for (int c = l == cl ? cc : 0; c < m.FEditLines.at(l).size(); ++c)
                if (step(l, c))
                    return;
    } else {
        for (int l = cl; l >= 0; --l)
            for (int c = l == cl ? cc : int(m.FEditLines.at(l).size()) - 1; c >= 0; --c)
                if (step(l, c))
                    return;
    }
}

void MouseDown(EditModel &m, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y, bool doubleClick)
{
    if (button != Qt::LeftButton)
        return;
    m.FMouseSelecting = true;
    m.SetCursorXY(x, y);
    if (doubleClick)
        EditBlocks::SelectWordAtCursor(m);
    else
        m.FMouseBlockKind = (mods & Qt::AltModifier) ? pbColumn : pbStream;
}

void MouseMove(EditModel &m, Qt::MouseButtons buttons, int x, int y)
{
    if (buttons != Qt::LeftButton || !m.FMouseSelecting)
        return;
    const int oldLine = m.FCursorLine, oldCol = m.FCursorCol;
    m.SetCursorXY(x, y);
    EditBlocks::MarkBlock(m, m.FMouseBlockKind, oldLine, oldCol);
}

void MouseUp(EditModel &m)
{
    m.FMouseSelecting = false;
}

}   // namespace EditKeys
