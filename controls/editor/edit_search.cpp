#include "controls/editor/edit_search.h"

#include <algorithm>
#include <limits>

#include "controls/editor/edit_command.h"
#include "controls/editor/edit_dialogs.h"
#include "controls/editor/editor_dialog.h"

namespace EditSearch {

namespace {

bool StrictlyInside(const TPE_Pos &p, const TPE_Pos &from, const TPE_Pos &to)
{
    return from < p && p < to;
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
    return (m.SearchState().ReplaceAllChosen && !m.PromptOnReplace) || m.SearchState().ReplaceAllConfirmed;
}

}   // namespace

bool SearchText(const EditModel &m, const QString &text, const SearchParams &options, TPE_Pos &pos)
{
    if (text.isEmpty())
        return false;
    TPE_Pos from{0, 0};
    TPE_Pos to{m.LineCount(), 0};
    const bool inBlock = m.Block().Shown && options.InBlock;
    const bool column = inBlock && m.Block().Kind == pbColumn;
    if (inBlock) {
        from = {m.Block().Start.Line, m.Block().Start.Col};
        to = {m.Block().End.Line, m.Block().End.Col};
    }
    const TPE_Pos cursor{m.Cursor().Line, m.Cursor().Col};
    if (options.FromCursor && StrictlyInside(cursor, from, to))
        from = cursor;
    // A search that starts at or past the end of its region has nothing
    // left to find: starting again from the region's start would find a
    // replacement just made there, over and over.
    if (!(pos < to))
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
            start = std::max(start, m.Block().Start.Col);
            limit = std::min(limit, m.Block().End.Col);
        }
        const QString &line = m.Lines().at(l);
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
    f.FindText = m.SearchState().FindText;
    f.ReplaceText = m.SearchState().ReplaceText;
    f.WholeWords = m.SearchState().Options.WholeWords;
    f.CaseSensitive = m.SearchState().Options.CaseSensitive;
    f.Prompt = true;   // ticked whenever the replace dialog opens
    f.ScopeEnabled = m.Block().Shown;
    f.Scope = m.Block().Shown && m.SearchState().Options.InBlock ? 1 : 0;
    f.Origin = m.SearchState().Options.FromCursor ? 1 : 0;
    return f;
}

// What both dialogs give back; the scope only while a block is shown.
void TakeFields(EditModel &m, const SearchDialogFields &f)
{
    m.SearchState().FindText = f.FindText;
    m.SearchState().Options.WholeWords = f.WholeWords;
    m.SearchState().Options.CaseSensitive = f.CaseSensitive;
    if (m.Block().Shown)
        m.SearchState().Options.InBlock = f.Scope == 1;
    m.SearchState().Options.FromCursor = f.Origin == 1;
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
        m.SearchState().ReplaceAllChosen = result == mrAll;
        if (result == mrAll)
            result = mrOk;
    } while (result == mrOk && f.FindText.isEmpty());
    if (result != mrOk)
        return false;
    TakeFields(m, f);
    m.SearchState().ReplaceText = f.ReplaceText;
    m.PromptOnReplace = f.Prompt;
    return true;
}

void FindNext(EditModel &m, EditDialogs &dialogs, const TPE_Pos *start)
{
    // The whole run is one command for the window: a replace-all shows its
    // result once, at the end, not after every replacement.
    EditModel::Scope scope(m);
    m.RemoveFoundMarker();
    if (m.SearchState().FindText.isEmpty()) {
        DoSearch(m, dialogs);
        return;
    }
    if (!m.SearchState().ReplaceMode) {
        if (start)
            m.SearchState().Pos = *start;
        if (SearchText(m, m.SearchState().FindText, m.SearchState().Options, m.SearchState().Pos))
            m.SetFoundMarker(int(m.SearchState().FindText.size()), &m.SearchState().Pos);
        else
            SearchNotFoundMsg(m, dialogs);
        return;
    }
    m.SearchState().ReplaceCount = 0;
    // The run's replacements make one record, opened at the first of them
    // and closed however the run ends.
    EditCommand run(m, EditCommands::SearchReplace, EditCommand::Later);
    int visited = 0;
    TPE_Pos next;
    const TPE_Pos *from = start;
    // A run that asks nothing changes the lines inside the update bracket,
    // so the whole run costs one refresh of the view, not one per change.
    bool bracket = false;
    for (;;) {
        if (from)
            m.SearchState().Pos = *from;
        if (!SearchText(m, m.SearchState().FindText, m.SearchState().Options, m.SearchState().Pos)) {
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
            m.BeginUpdate();
            bracket = true;
        }
        if (MakeReplace(m, dialogs, &run) == mrCancel)
            break;
        next = {m.Cursor().Line, m.Cursor().Col};
        from = &next;
        if (!m.SearchState().ReplaceAllChosen && !m.SearchState().ReplaceAllConfirmed)
            break;
    }
    if (bracket)
        m.EndUpdate();
    m.RemoveFoundMarker();
}

void DoSearch(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m);
    if (!AskSearchParams(m, dialogs))
        return;
    m.SearchState().Pos = {0, 0};
    m.SearchState().ReplaceMode = false;
    FindNext(m, dialogs, nullptr);
}

void DoSearchReplace(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m, EditCommand::Writable);
    if (!cmd)
        return;
    if (!AskReplaceParams(m, dialogs))
        return;
    m.SearchState().ReplaceAllConfirmed = false;
    m.SearchState().Pos = {0, 0};
    m.SearchState().ReplaceMode = true;
    FindNext(m, dialogs, nullptr);
}

int MakeReplace(EditModel &m, EditDialogs &dialogs, EditCommand *run)
{
    EditCommand cmd(m, EditCommands::SearchReplace, EditCommand::Later);
    if (!cmd)
        return mrCancel;
    const TPE_Pos at = m.SearchState().Pos;
    m.SetFoundMarker(int(m.SearchState().FindText.size()), &at);
    int result = mrOk;
    if (m.PromptOnReplace && !m.SearchState().ReplaceAllConfirmed) {
        result =
            dialogs.AskReplacePrompt(QStringLiteral("Заменить '") + m.SearchState().FindText +
                                     QStringLiteral("' на '") + m.SearchState().ReplaceText + QStringLiteral("' ?"));
        if (result == mrNo)
            return mrNo;
        if (result == mrAll)
            m.SearchState().ReplaceAllConfirmed = true;
        else if (result != mrYes)
            return mrCancel;
    }
    if (run)
        run->Record();
    else
        cmd.Record();
    m.ReplaceSubStr(at.Line, at.Col, int(m.SearchState().FindText.size()), m.SearchState().ReplaceText);
    ++m.SearchState().ReplaceCount;
    return result;
}

void FindWord(EditModel &m, EditDialogs &dialogs)
{
    int start = 0;
    const QString word = m.GetWordOnCursor(start);
    if (word.isEmpty())
        return;
    m.SearchState().FindText = word;
    m.SearchState().Options = SearchParams{true, true, false, false};
    m.SearchState().Pos = {0, 0};
    m.SearchState().ReplaceMode = false;
    FindNext(m, dialogs, nullptr);
}

void DoGotoLine(EditModel &m, EditDialogs &dialogs)
{
    EditCommand cmd(m);
    int value = m.Cursor().Line + 1;
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
    dialogs.Inform(SearchNotFoundText(m.SearchState().FindText), QStringLiteral("Поиск"));
}

void ReplaceCountMsg(EditModel &m, EditDialogs &dialogs)
{
    dialogs.Inform(ReplaceCountText(m.SearchState().ReplaceCount), QStringLiteral("Поиск / Замена"));
}

}   // namespace EditSearch
