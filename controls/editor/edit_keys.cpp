#include "controls/editor/edit_keys.h"

#include <QKeySequence>
#include <QStringList>
#include <algorithm>

#include "controls/editor/edit_blocks.h"
#include "controls/editor/edit_command.h"
#include "controls/editor/edit_search.h"

namespace EditKeys {

namespace {

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

// ---- the commands as the tables call them ----

void PageUp(EditModel &m, EditDialogs &)
{
    m.SetCursorLine(m.Cursor().Line - m.Metrics().VisLines);
}
void TextStart(EditModel &m, EditDialogs &) { m.SetCursor(0, 0); }
void PageDown(EditModel &m, EditDialogs &)
{
    m.SetCursorLine(m.Cursor().Line + m.Metrics().VisLines);
}
void TextEnd(EditModel &m, EditDialogs &)
{
    m.SetCursor(m.LineCount() - 1, int(m.Lines().last().size()));
}
void LineEnd(EditModel &m, EditDialogs &)
{
    m.SetCursorCol(int(m.Lines().at(m.Cursor().Line).size()));
}
void LineStart(EditModel &m, EditDialogs &) { m.SetCursorCol(0); }
void Left(EditModel &m, EditDialogs &)
{
    m.SetCursorCol(m.Cursor().Col - 1);
}
void WordLeft(EditModel &m, EditDialogs &)
{
    int l = m.Cursor().Line, c = m.Cursor().Col;
    GetPrevWordStart(m, l, c);
    m.SetCursor(l, c);
}
void Right(EditModel &m, EditDialogs &)
{
    m.SetCursorCol(m.Cursor().Col + 1);
}
void WordRight(EditModel &m, EditDialogs &)
{
    int l = m.Cursor().Line, c = m.Cursor().Col;
    GetNextWordStart(m, l, c);
    m.SetCursor(l, c);
}
void Up(EditModel &m, EditDialogs &)
{
    m.SetCursorLine(m.Cursor().Line - 1);
}
void ScrollUp(EditModel &m, EditDialogs &)
{
    m.SetStartLine(m.Start().Line - 1);
    m.SetCursorLine(m.Cursor().Line - 1);
}
void Down(EditModel &m, EditDialogs &)
{
    m.SetCursorLine(m.Cursor().Line + 1);
}
void ScrollDown(EditModel &m, EditDialogs &)
{
    m.SetStartLine(m.Start().Line + 1);
    m.SetCursorLine(m.Cursor().Line + 1);
}

// The commands that need no dialog, as table entries.
template <void (*F)(EditModel &)>
void Plain(EditModel &m, EditDialogs &)
{
    F(m);
}
template <void (*F)(EditModel &, EditDialogs &)>
constexpr Command Dialog = F;

void Undo(EditModel &m, EditDialogs &) { m.UNDO(); }
void BackToLastChange(EditModel &m, EditDialogs &) { m.CtrlQ_P(); }
void PrefixK(EditModel &m, EditDialogs &)
{
    m.KeyState().PrefixK = true;
}
void PrefixQ(EditModel &m, EditDialogs &)
{
    m.KeyState().PrefixQ = true;
}
void FindAgain(EditModel &m, EditDialogs &dialogs)
{
    const TPE_Pos cursor{m.Cursor().Line, m.Cursor().Col};
    EditSearch::FindNext(m, dialogs, &cursor);
}
void Help(EditModel &m, EditDialogs &)
{
    m.FlushView();
    if (EditView *v = m.View())
        v->HelpWanted();
}

constexpr Qt::KeyboardModifiers None = Qt::NoModifier;

// The commands the keys reach, each once, with what the help list says of it.
namespace Rows {
const CommandRow PageUp{EditKeys::PageUp, "страница вверх"};
const CommandRow TextStart{EditKeys::TextStart, "в начало текста"};
const CommandRow PageDown{EditKeys::PageDown, "страница вниз"};
const CommandRow TextEnd{EditKeys::TextEnd, "в конец текста"};
const CommandRow LineEnd{EditKeys::LineEnd, "в конец строки"};
const CommandRow LineStart{EditKeys::LineStart, "в начало строки"};
const CommandRow Left{EditKeys::Left, "влево"};
const CommandRow WordLeft{EditKeys::WordLeft, "на слово влево"};
const CommandRow Up{EditKeys::Up, "вверх"};
const CommandRow ScrollUp{EditKeys::ScrollUp, "прокрутка вверх"};
const CommandRow Right{EditKeys::Right, "вправо"};
const CommandRow WordRight{EditKeys::WordRight, "на слово вправо"};
const CommandRow Down{EditKeys::Down, "вниз"};
const CommandRow ScrollDown{EditKeys::ScrollDown, "прокрутка вниз"};
const CommandRow Backspace{Plain<EditKeys::Backspace>, "удалить символ слева"};
const CommandRow Tab{Plain<EditKeys::Tab>, "табуляция"};
const CommandRow Enter{Plain<EditKeys::Enter>, "перевод строки"};
const CommandRow ToggleOverwrite{Plain<EditKeys::ToggleOverwrite>, "вставка / замена"};
const CommandRow DeleteChar{Plain<EditKeys::DeleteChar>, "удалить символ"};
const CommandRow Help{EditKeys::Help, "справка по редактору"};
const CommandRow Paste{Plain<EditBlocks::PasteFromClipboard>, "вставить из Clipboard"};
const CommandRow Undo{EditKeys::Undo, "отменить"};
const CommandRow DeleteWordLeft{Plain<EditKeys::DeleteWordLeft>, "удалить слово слева"};
const CommandRow CopyToClipboard{Plain<EditBlocks::CopyBlockToClipboard>, "копировать блок в Clipboard"};
const CommandRow DeleteBlock{Plain<EditBlocks::DoDeleteBlock>, "удалить блок"};
const CommandRow SelectAll{Plain<EditBlocks::SelectAll>, "выделить весь текст"};
const CommandRow DuplicateLine{Plain<EditKeys::DuplicateLine>, "дублировать строку"};
const CommandRow Search{Dialog<EditSearch::DoSearch>, "поиск"};
const CommandRow GotoLine{Dialog<EditSearch::DoGotoLine>, "переход на строку"};
const CommandRow PrefixK{EditKeys::PrefixK, "команды блока (вторая клавиша ниже)"};
const CommandRow FindAgain{EditKeys::FindAgain, "повторить поиск или замену от курсора"};
const CommandRow PrefixQ{EditKeys::PrefixQ, "быстрые команды (вторая клавиша ниже)"};
const CommandRow Replace{Dialog<EditSearch::DoSearchReplace>, "поиск и замена"};
const CommandRow DeleteWordRight{Plain<EditKeys::DeleteWordRight>, "удалить слово справа"};
const CommandRow FindWord{Dialog<EditSearch::FindWord>, "искать слово под курсором"};
const CommandRow Cut{Plain<EditBlocks::CutBlock>, "перенести блок в Clipboard"};
const CommandRow DeleteLine{Plain<EditKeys::DeleteLine>, "удалить строку"};
const CommandRow Unindent{Plain<EditBlocks::DoUnindentBlock>, "уменьшить отступ блока"};
const CommandRow Indent{Plain<EditBlocks::DoIndentBlock>, "увеличить отступ блока"};
const CommandRow Uncomment{Plain<EditBlocks::DoUncommentBlock>, "раскомментировать блок"};
const CommandRow Comment{Plain<EditBlocks::DoCommentBlock>, "закомментировать блок"};
const CommandRow BlockStart{Plain<EditBlocks::SetBlockStart>, "начало блока"};
const CommandRow BlockEnd{Plain<EditBlocks::SetBlockEnd>, "конец блока"};
const CommandRow ToggleBlock{Plain<EditBlocks::ToggleBlock>, "скрыть или показать блок"};
const CommandRow CopyBlock{Plain<EditBlocks::DoCopyBlock>, "копировать блок к курсору"};
const CommandRow MoveBlock{Plain<EditBlocks::DoMoveBlock>, "переместить блок к курсору"};
const CommandRow FillBlock{Dialog<EditBlocks::DoFillBlock>, "заполнить блок символом"};
const CommandRow SelectWord{Plain<EditBlocks::SelectWordAtCursor>, "выделить слово"};
const CommandRow BackToLastChange{EditKeys::BackToLastChange, "к месту последнего изменения"};
const CommandRow DeleteToLineEnd{Plain<EditKeys::DeleteToLineEnd>, "удалить до конца строки"};
const CommandRow MatchBracket{Plain<EditKeys::MatchBracket>, "к парной скобке"};
}   // namespace Rows

const MoveBinding MovementTable[] = {
    {Qt::Key_PageUp, &Rows::PageUp, &Rows::TextStart}, {Qt::Key_PageDown, &Rows::PageDown, &Rows::TextEnd},
    {Qt::Key_End, &Rows::LineEnd, &Rows::LineEnd},     {Qt::Key_Home, &Rows::LineStart, &Rows::LineStart},
    {Qt::Key_Left, &Rows::Left, &Rows::WordLeft},      {Qt::Key_Up, &Rows::Up, &Rows::ScrollUp},
    {Qt::Key_Right, &Rows::Right, &Rows::WordRight},   {Qt::Key_Down, &Rows::Down, &Rows::ScrollDown},
};

const KeyBinding PlainTable[] = {
    {Qt::Key_Backspace, None, &Rows::Backspace},
    {Qt::Key_Tab, None, &Rows::Tab},
    {Qt::Key_Return, None, &Rows::Enter},
    {Qt::Key_Enter, None, &Rows::Enter},
    {Qt::Key_Insert, None, &Rows::ToggleOverwrite},
    {Qt::Key_Delete, None, &Rows::DeleteChar},
    {Qt::Key_F1, None, &Rows::Help},
};

const KeyBinding ModifiedTable[] = {
    {Qt::Key_Insert, Qt::ShiftModifier, &Rows::Paste},
    {Qt::Key_Backspace, Qt::AltModifier, &Rows::Undo},
};

const KeyBinding CtrlTable[] = {
    {Qt::Key_Backspace, Qt::ControlModifier, &Rows::DeleteWordLeft},
    {Qt::Key_Insert, Qt::ControlModifier, &Rows::CopyToClipboard},
    {Qt::Key_C, Qt::ControlModifier, &Rows::CopyToClipboard},
    {Qt::Key_Delete, Qt::ControlModifier, &Rows::DeleteBlock},
    {Qt::Key_A, Qt::ControlModifier, &Rows::SelectAll},
    {Qt::Key_D, Qt::ControlModifier, &Rows::DuplicateLine},
    {Qt::Key_F, Qt::ControlModifier, &Rows::Search},
    {Qt::Key_S, Qt::ControlModifier, &Rows::Search},
    {Qt::Key_G, Qt::ControlModifier, &Rows::GotoLine},
    {Qt::Key_J, Qt::ControlModifier, &Rows::GotoLine},
    {Qt::Key_K, Qt::ControlModifier, &Rows::PrefixK},
    {Qt::Key_L, Qt::ControlModifier, &Rows::FindAgain},
    {Qt::Key_Q, Qt::ControlModifier, &Rows::PrefixQ},
    {Qt::Key_R, Qt::ControlModifier, &Rows::Replace},
    {Qt::Key_T, Qt::ControlModifier, &Rows::DeleteWordRight},
    {Qt::Key_V, Qt::ControlModifier, &Rows::Paste},
    {Qt::Key_W, Qt::ControlModifier, &Rows::FindWord},
    {Qt::Key_X, Qt::ControlModifier, &Rows::Cut},
    {Qt::Key_Y, Qt::ControlModifier, &Rows::DeleteLine},
    {Qt::Key_Z, Qt::ControlModifier, &Rows::Undo},
    {Qt::Key_Comma, Qt::ControlModifier, &Rows::Unindent},
    {Qt::Key_Period, Qt::ControlModifier, &Rows::Indent},
    {Qt::Key_BracketLeft, Qt::ControlModifier, &Rows::Uncomment},
    {Qt::Key_BracketRight, Qt::ControlModifier, &Rows::Comment},
};

const KeyBinding PrefixKTable[] = {
    {Qt::Key_B, None, &Rows::BlockStart}, {Qt::Key_K, None, &Rows::BlockEnd},  {Qt::Key_H, None, &Rows::ToggleBlock},
    {Qt::Key_C, None, &Rows::CopyBlock},  {Qt::Key_V, None, &Rows::MoveBlock}, {Qt::Key_Y, None, &Rows::DeleteBlock},
    {Qt::Key_F, None, &Rows::FillBlock},  {Qt::Key_I, None, &Rows::Indent},    {Qt::Key_U, None, &Rows::Unindent},
    {Qt::Key_T, None, &Rows::SelectWord},
};

const KeyBinding PrefixQTable[] = {
    {Qt::Key_P, None, &Rows::BackToLastChange},
    {Qt::Key_Y, None, &Rows::DeleteToLineEnd},
    {Qt::Key_BracketLeft, None, &Rows::MatchBracket},
    {Qt::Key_BracketRight, None, &Rows::MatchBracket},
};

// The row for key with exactly mods, or none.
const KeyBinding *Find(std::span<const KeyBinding> table, int key, Qt::KeyboardModifiers mods)
{
    for (const KeyBinding &b : table)
        if (b.Key == key && b.Mods == mods)
            return &b;
    return nullptr;
}

// The second key of a pending prefix, pressed alone or with Ctrl.
void PrefixKey(EditModel &m, EditDialogs &dialogs, int key)
{
    const auto table = m.KeyState().PrefixK ? PrefixKKeys() : PrefixQKeys();
    if (const KeyBinding *b = Find(table, key, None))
        b->Command->Run(m, dialogs);
}

QString KeyName(int key, Qt::KeyboardModifiers mods)
{
    return QKeySequence(QKeyCombination(mods, Qt::Key(key))).toString(QKeySequence::PortableText);
}

}   // namespace

void KeyEvent(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const QString &text,
              const KeyHooks *hooks)
{
    // One key press is one command for the window: its changes are shown once.
    EditModel::Scope scope(m);
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
    m.KeyState().SkipChar = false;
}

void KeyDown(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods, const KeyHooks *hooks)
{
    mods &= ~Qt::KeypadModifier;
    // Whether Ctrl itself counts among the modifiers of its own press or
    // release differs between platforms: only the others matter.
    m.KeyState().CtrlAlone = key == Qt::Key_Control && (mods & ~Qt::ControlModifier) == Qt::NoModifier;
    if (hooks && hooks->KeyDown)
        hooks->KeyDown(key, mods);
    if (key != 0)
        ProcessKey(m, dialogs, key, mods);
}

bool KeyUp(EditModel &m, int key, Qt::KeyboardModifiers mods)
{
    mods &= ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (key != Qt::Key_Control || mods != Qt::NoModifier || !m.KeyState().CtrlAlone)
        return false;
    m.KeyState().CtrlAlone = false;
    return m.SwitchKeybLayoutOnCtrl;
}

std::span<const MoveBinding> MovementKeys()
{
    return MovementTable;
}
std::span<const KeyBinding> PlainKeys()
{
    return PlainTable;
}
std::span<const KeyBinding> ModifiedKeys()
{
    return ModifiedTable;
}
std::span<const KeyBinding> CtrlKeys()
{
    return CtrlTable;
}
std::span<const KeyBinding> PrefixKKeys()
{
    return PrefixKTable;
}
std::span<const KeyBinding> PrefixQKeys()
{
    return PrefixQTable;
}

QStringList KeyListLines()
{
    QStringList lines;
    for (const MoveBinding &b : MovementKeys()) {
        lines << KeyName(b.Key, None) + QLatin1Char('\t') + QString::fromUtf8(b.Plain->Help);
        if (b.WithCtrl != b.Plain)
            lines << KeyName(b.Key, Qt::ControlModifier) + QLatin1Char('\t') + QString::fromUtf8(b.WithCtrl->Help);
    }
    lines << QStringLiteral("Shift+движение\tотметить потоковый блок")
          << QStringLiteral("Alt+движение\tотметить прямоугольный блок");
    for (auto table : {PlainKeys(), ModifiedKeys(), CtrlKeys()})
        for (const KeyBinding &b : table)
            lines << KeyName(b.Key, b.Mods) + QLatin1Char('\t') + QString::fromUtf8(b.Command->Help);
    for (const auto &[prefix, table] : {std::pair{Qt::Key_K, PrefixKKeys()}, std::pair{Qt::Key_Q, PrefixQKeys()}})
        for (const KeyBinding &b : table)
            lines << KeyName(prefix, Qt::ControlModifier) + QStringLiteral(", ") + KeyName(b.Key, None) +
                         QLatin1Char('\t') + QString::fromUtf8(b.Command->Help);
    return lines;
}

void ProcessKey(EditModel &m, EditDialogs &dialogs, int key, Qt::KeyboardModifiers mods)
{
    EditCommand cmd(m);
    mods &= ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const int oldLine = m.Cursor().Line, oldCol = m.Cursor().Col;

    for (const MoveBinding &b : MovementKeys())
        if (b.Key == key) {
            (ctrl ? b.WithCtrl : b.Plain)->Run(m, dialogs);
            break;
        }
    if (shift)
        EditBlocks::MarkBlock(m, pbStream, oldLine, oldCol);
    else if (alt)
        EditBlocks::MarkBlock(m, pbColumn, oldLine, oldCol);

    // A modifier pressed on its own (Ctrl again before the second key of a
    // prefix, Shift for a capital) neither completes nor ends a prefix.
    if (IsModifierKey(key))
        return;
    const bool prefix = m.KeyState().PrefixK || m.KeyState().PrefixQ;
    const Qt::KeyboardModifiers held = mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (held == None) {
        if (const KeyBinding *b = Find(PlainKeys(), key, None))
            b->Command->Run(m, dialogs);
        else if (prefix)
            PrefixKey(m, dialogs, key);
    } else if (const KeyBinding *b = Find(ModifiedKeys(), key, held)) {
        b->Command->Run(m, dialogs);
    } else if (held == Qt::ControlModifier) {
        if (prefix)
            PrefixKey(m, dialogs, key);
        else if (const KeyBinding *c = Find(CtrlKeys(), key, held))
            c->Command->Run(m, dialogs);
    }
    if (prefix) {
        m.KeyState().PrefixK = m.KeyState().PrefixQ = false;
        m.KeyState().SkipChar = true;
    }
}

void KeyPress(EditModel &m, QChar ch)
{
    if (m.KeyState().SkipChar) {
        m.KeyState().SkipChar = false;
        return;
    }
    if (ch.unicode() == 127 || ch.unicode() < 32)
        return;
    EditCommand cmd(m, m.OverwriteMode ? EditCommands::TypeOverwrite : EditCommands::TypeInsert);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    const bool inside = cc < m.Lines().at(cl).size();
    // Past the end a space adds nothing: the line stores no trailing spaces.
    if (m.OverwriteMode)
        m.EditLine(cl, cc, inside ? 1 : 0, QString(ch), EditModel::InLine::Overwrite);
    else
        m.EditLine(cl, cc, 0, QString(ch), EditModel::InLine::Typed);
    m.SetCursorCol(cc + 1);
}

void ToggleOverwrite(EditModel &m)
{
    EditModel::Scope scope(m);
    m.OverwriteMode = !m.OverwriteMode;
    m.NoteFields();
}

void Backspace(EditModel &m)
{
    EditCommand cmd(m, EditCommands::BackspaceChar, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    if (cc > 0) {
        cmd.Record();
        if (cc <= m.Lines().at(cl).size())
            m.DeleteSubStr(cl, cc - 1, 1);   // moves the cursor and the block corners
        else
            m.SetCursorCol(cc - 1);
        return;
    }
    if (cl == 0)
        return;
    cmd.Record(EditCommands::BackspaceJoin);
    const int prevLen = int(m.Lines().at(cl - 1).size());
    m.JoinLines(cl - 1, 0, EditModel::Join::Backspace);
    m.SetCursor(cl - 1, prevLen);
}

void DeleteChar(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteChar, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    if (cc < m.Lines().at(cl).size()) {
        cmd.Record();
        m.DeleteSubStr(cl, cc, 1);
        return;
    }
    if (cl >= m.LineCount() - 1)
        return;
    cmd.Record(EditCommands::DeleteJoin);
    m.JoinLines(cl, cc, EditModel::Join::Delete);
}

void Tab(EditModel &m)
{
    // Tab changes the text like every other editing key, so it too leaves a
    // read-only text alone.
    EditCommand cmd(m, EditCommands::Tab, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    const int size = std::max(m.TabSize, 1);
    int target = (cc + size) / size * size;
    if (cl > 0) {
        const QString &prev = m.Lines().at(cl - 1);
        int p = cc;
        while (p < prev.size() && prev.at(p) != QLatin1Char(' '))
            ++p;
        while (p < prev.size() && prev.at(p) == QLatin1Char(' '))
            ++p;
        if (p > cc)
            target = p;
    }
    target = std::min(target, m.ColumnLimit(cl));
    if (target <= cc)
        return;
    cmd.Record();
    m.InsertSubStr(cl, cc, QString(target - cc, QLatin1Char(' ')));
    m.SetCursorCol(target);
}

void Enter(EditModel &m)
{
    EditCommand cmd(m, EditCommands::Enter, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    if (m.OverwriteMode && cl < m.LineCount() - 1) {
        m.SetCursor(cl + 1, m.AutoIndent ? LeadingSpaces(m.Lines().at(cl + 1)) : 0);
        return;
    }
    cmd.Record();
    int indent = m.AutoIndent ? LeadingSpaces(m.Lines().at(cl)) : 0;
    if (cc < indent)
        indent = 0;
    m.SplitLine(cl, cc, indent);
    m.SetCursor(cl + 1, indent);
}

void DeleteWordLeft(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteWordLeft, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    int l = cl, c = cc;
    GetPrevWordStart(m, l, c);
    if (l != cl)
        c = 0;
    if (c >= cc)
        return;
    cmd.Record();
    m.DeleteSubStr(cl, c, cc - c);
    m.SetCursorCol(c);
}

void DeleteWordRight(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteWordRight, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    int l = cl, c = cc;
    GetNextWordStart(m, l, c);
    if (l != cl || c <= cc)
        return;
    cmd.Record();
    m.DeleteSubStr(cl, cc, c - cc);
}

void DuplicateLine(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DuplicateLine);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line;
    m.InsertLines(cl + 1, {m.Lines().at(cl)});
    m.SetCursorLine(cl + 1);
}

void DeleteLine(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteLine, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line;
    if (cl == m.LineCount() - 1) {
        if (m.Lines().at(cl).isEmpty())
            return;
        cmd.Record(EditCommands::EmptyLastLine);
        m.DeleteSubStr(cl, 0, int(m.Lines().at(cl).size()));
        m.SetCursorCol(0);
        return;
    }
    cmd.Record();
    m.RemoveLines(cl, 1);
}

void DeleteToLineEnd(EditModel &m)
{
    EditCommand cmd(m, EditCommands::DeleteToLineEnd, EditCommand::Later);
    if (!cmd)
        return;
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    const int len = int(m.Lines().at(cl).size());
    if (cc >= len)
        return;
    cmd.Record();
    m.DeleteSubStr(cl, cc, len - cc);
}

void GetNextWordStart(const EditModel &m, int &line, int &col)
{
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    const QString &s = m.Lines().at(cl);
    line = cl;
    if (cc >= s.size()) {
        if (cl >= m.LineCount() - 1) {
            col = int(s.size());
            return;
        }
        const QString &next = m.Lines().at(cl + 1);
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
    const int cl = m.Cursor().Line;
    const QString &s = m.Lines().at(cl);
    int p = std::min<int>(m.Cursor().Col, int(s.size())) - 1;
    while (p >= 0 && !EditModel::IsWordChar(s.at(p)))
        --p;
    if (p < 0) {
        if (cl == 0) {
            line = 0;
            col = 0;
        } else {
            line = cl - 1;
            col = int(m.Lines().at(cl - 1).size());
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
    const int cl = m.Cursor().Line, cc = m.Cursor().Col;
    const QString &s = m.Lines().at(cl);
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
        const QChar ch = m.Lines().at(l).at(c);
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
            for (int c = l == cl ? cc : 0; c < m.Lines().at(l).size(); ++c)
                if (step(l, c))
                    return;
    } else {
        for (int l = cl; l >= 0; --l)
            for (int c = l == cl ? cc : int(m.Lines().at(l).size()) - 1; c >= 0; --c)
                if (step(l, c))
                    return;
    }
}

void MouseDown(EditModel &m, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x, int y, bool doubleClick)
{
    if (button != Qt::LeftButton)
        return;
    EditModel::Scope scope(m);
    m.KeyState().MouseSelecting = true;
    m.SetCursorXY(x, y);
    if (doubleClick)
        EditBlocks::SelectWordAtCursor(m);
    else
        m.KeyState().MouseBlockKind = (mods & Qt::AltModifier) ? pbColumn : pbStream;
}

void MouseMove(EditModel &m, Qt::MouseButtons buttons, int x, int y)
{
    if (buttons != Qt::LeftButton || !m.KeyState().MouseSelecting)
        return;
    EditModel::Scope scope(m);
    const int oldLine = m.Cursor().Line, oldCol = m.Cursor().Col;
    m.SetCursorXY(x, y);
    EditBlocks::MarkBlock(m, m.KeyState().MouseBlockKind, oldLine, oldCol);
}

void MouseUp(EditModel &m)
{
    m.KeyState().MouseSelecting = false;
}

}   // namespace EditKeys
