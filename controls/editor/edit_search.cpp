#include "controls/editor/edit_search.h"

#include <algorithm>
#include <limits>

#include "controls/editor/edit_dialogs.h"
#include "controls/editor/editor_dialog.h"

namespace EditSearch {

namespace {

bool Before(const TPE_Pos &a, const TPE_Pos &b)
{
    return a.Line < b.Line || (a.Line == b.Line && a.Col < b.Col);
}

bool StrictlyInside(const TPE_Pos &p, const TPE_Pos &from, const TPE_Pos &to)
{
    return Before(from, p) && Before(p, to);
}

// A whole word: no word character touches the occurrence on either side.
bool WholeWordAt(const QString &line, qsizetype at, qsizetype len)
{
    if (at > 0 && EditModel::IsWordChar(line.at(at - 1)))
        return false;
    return at + len >= line.size() || !EditModel::IsWordChar(line.at(at + len));
}

// Replacing without a prompt goes on to the end of the text.
bool UnattendedRun(const EditModel &m)
{
    return (m.FReplaceAllChosen && !m.PromptOnReplace) || m.FReplaceAllConfirmed;
}

}   // namespace

bool SearchText(const EditModel &m, const QString &text, const SearchParams &options, TPE_Pos &pos)
{
    if (text.isEmpty())
        return false;
    TPE_Pos from{0, 0};
    TPE_Pos to{m.LineCount(), 0};
    const bool inBlock = m.FBlockShown && options.InBlock;
    const bool column = inBlock && m.FBlockKind == pbColumn;
    if (inBlock) {
        from = {m.FBlockStartLine, m.FBlockStartCol};
        to = {m.FBlockEndLine, m.FBlockEndCol};
    }
    const TPE_Pos cursor{m.FCursorLine, m.FCursorCol};
    if (options.FromCursor && StrictlyInside(cursor, from, to))
        from = cursor;
    // A search that starts at or past the end of its region has nothing
    // left to find: starting again from the region's start would find a
    // replacement just made there, over and over.
    if (!Before(pos, to))
        return false;
    if (StrictlyInside(pos, from, to))
        from = pos;
    // Case-insensitive comparison folds each character; unlike upper-casing
    // whole lines it never changes a line's length, so columns stay right.
    const Qt::CaseSensitivity cs = options.CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int lastLine = std::min(to.Line, m.LineCount() - 1);
    for (int l = std::max(from.Line, 0); l <= lastLine; ++l) {
        int start = l == from.Line ? from.Col : 0;
        int limit = l == to.Line ? to.Col : std::numeric_limits<int>::max();
        if (column) {
            start = std::max(start, m.FBlockStartCol);
            limit = std::min(limit, m.FBlockEndCol);
        }
        const QString &line = m.FEditLines.at(l);
        if (start >= limit || start >= line.size())
            continue;
        for (qsizetype at = line.indexOf(text, start, cs); at >= 0 && at < limit; at = line.indexOf(text, at + 1, cs)) {
            if (options.WholeWords && !WholeWordAt(line, at, text.size()))
                continue;
            pos = {l, int(at)};
            return true;
        }
    }
    return false;
}

namespace {

// The dialog fields from the editor's search state.
SearchDialogFields FieldsOf(const EditModel &m)
{
    SearchDialogFields f;
    f.FindText = m.FFindText;
    f.ReplaceText = m.FReplaceText;
    f.WholeWords = m.FSearchOptions.WholeWords;
    f.CaseSensitive = m.FSearchOptions.CaseSensitive;
    f.Prompt = true;   // ticked whenever the replace dialog opens
    f.ScopeEnabled = m.FBlockShown;
    f.Scope = m.FBlockShown && m.FSearchOptions.InBlock ? 1 : 0;
    f.Origin = m.FSearchOptions.FromCursor ? 1 : 0;
    return f;
}

// What both dialogs give back; the scope only while a block is shown.
void TakeFields(EditModel &m, const SearchDialogFields &f)
{
    m.FFindText = f.FindText;
    m.FSearchOptions.WholeWords = f.WholeWords;
    m.FSearchOptions.CaseSensitive = f.CaseSensitive;
    if (m.FBlockShown)
        m.FSearchOptions.InBlock = f.Scope == 1;
    m.FSearchOptions.FromCursor = f.Origin == 1;
}

}   // namespace

bool AskSearchParams(EditModel &m, EditDialogs &dialogs)
{
    SearchDialogFields f = FieldsOf(m);
    int result = mrCancel;
    do
        result = dialogs.AskSearch(f);
    while (result == mrOk && f.FindText.isEmpty());
    if (result != mrOk)
        return false;
    TakeFields(m, f);
    return true;
}

bool AskReplaceParams(EditModel &m, EditDialogs &dialogs)
{
    SearchDialogFields f = FieldsOf(m);
    int result = mrCancel;
    do {
        result = dialogs.AskReplace(f);
        m.FReplaceAllChosen = result == mrAll;
        if (result == mrAll)
            result = mrOk;
    } while (result == mrOk && f.FindText.isEmpty());
    if (result != mrOk)
        return false;
    TakeFields(m, f);
    m.FReplaceText = f.ReplaceText;
    m.PromptOnReplace = f.Prompt;
    return true;
}

void FindNext(EditModel &m, EditDialogs &dialogs, const TPE_Pos *start)
{
    // The whole run is one command for the window: a replace-all shows its
    // result once, at the end, not after every replacement.
    EditModel::Scope scope(m);
    m.RemoveFoundMarker();
    if (m.FFindText.isEmpty()) {
        DoSearch(m, dialogs);
        return;
    }
    if (!m.FReplaceMode) {
        if (start)
            m.FSearchPos = *start;
        if (SearchText(m, m.FFindText, m.FSearchOptions, m.FSearchPos))
            m.SetFoundMarker(int(m.FFindText.size()), &m.FSearchPos);
        else
            SearchNotFoundMsg(m, dialogs);
        return;
    }
    m.FReplaceCount = 0;
    int visited = 0;
    TPE_Pos next;
    const TPE_Pos *from = start;
    // A run that asks nothing changes the lines inside the update bracket,
    // so the whole run costs one refresh of the view, not one per change.
    bool bracket = false;
    for (;;) {
        if (from)
            m.FSearchPos = *from;
        if (!SearchText(m, m.FFindText, m.FSearchOptions, m.FSearchPos)) {
            if (bracket) {
                m.EndUpdate();
                bracket = false;
            }
            if (visited > 0)
                ReplaceCountMsg(m, dialogs);
            else
                SearchNotFoundMsg(m, dialogs);
            break;
        }
        ++visited;
        if (!bracket && UnattendedRun(m)) {
            m.GetText();
            bracket = true;
        }
        if (MakeReplace(m, dialogs) == mrCancel)
            break;
        next = {m.FCursorLine, m.FCursorCol};
        from = &next;
        if (!m.FReplaceAllChosen && !m.FReplaceAllConfirmed)
            break;
    }
    if (bracket)
        m.EndUpdate();
    if (m.FReplaceCount > 0)
        m.CloseUNDO();
    m.RemoveFoundMarker();
}

void DoSearch(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m);
    if (!AskSearchParams(m, dialogs))
        return;
    m.FSearchPos = {0, 0};
    m.FReplaceMode = false;
    FindNext(m, dialogs, nullptr);
}

void DoSearchReplace(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return;
    if (!AskReplaceParams(m, dialogs))
        return;
    m.FReplaceAllConfirmed = false;
    m.FSearchPos = {0, 0};
    m.FReplaceMode = true;
    FindNext(m, dialogs, nullptr);
}

int MakeReplace(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return mrCancel;
    const TPE_Pos at = m.FSearchPos;
    m.SetFoundMarker(int(m.FFindText.size()), &at);
    int result = mrOk;
    if (m.PromptOnReplace && !m.FReplaceAllConfirmed) {
        result = dialogs.AskReplacePrompt(QStringLiteral("Заменить '") + m.FFindText + QStringLiteral("' на '") +
                                          m.FReplaceText + QStringLiteral("' ?"));
        if (result == mrNo)
            return mrNo;
        if (result == mrAll)
            m.FReplaceAllConfirmed = true;
        else if (result != mrYes)
            return mrCancel;
    }
    if (m.FReplaceCount == 0)
        m.CreateUNDO(UndoNames::SearchReplace, UndoType::Text);
    m.ReplaceSubStr(at.Line, at.Col, int(m.FFindText.size()), m.FReplaceText);
    ++m.FReplaceCount;
    return result;
}

void FindWord(EditModel &m, EditDialogs &dialogs)
{
    int start = 0;
    const QString word = m.GetWordOnCursor(start);
    if (word.isEmpty())
        return;
    m.FFindText = word;
    m.FSearchOptions = SearchParams{true, true, false, false};
    m.FSearchPos = {0, 0};
    m.FReplaceMode = false;
    FindNext(m, dialogs, nullptr);
}

void DoGotoLine(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m);
    int value = m.FCursorLine + 1;
    if (dialogs.AskLineNo(m.LineCount(), value) == mrOk)
        m.SetCursorLine(value - 1);
}

QString SearchNotFoundText(const QString &findText)
{
    QString shown = findText;
    if (shown.size() > MessageTextLimit)
        shown = shown.left(MessageTextLimit) + QStringLiteral("...");
    return QStringLiteral("Строка '%1' не найдена.").arg(shown);
}

QString ReplaceCountText(int count)
{
    return QStringLiteral("Поиск завершен. Выполнено замен: %1.").arg(count);
}

void SearchNotFoundMsg(EditModel &m, EditDialogs &dialogs)
{
    dialogs.Inform(SearchNotFoundText(m.FFindText), QStringLiteral("Поиск"));
}

void ReplaceCountMsg(EditModel &m, EditDialogs &dialogs)
{
    dialogs.Inform(ReplaceCountText(m.FReplaceCount), QStringLiteral("Поиск / Замена"));
}

}   // namespace EditSearch
