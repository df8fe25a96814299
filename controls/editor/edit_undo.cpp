// The undo records of the editor, and the model's undo operations that go to them.
#include "controls/editor/edit_undo.h"

#include <algorithm>

#include "controls/editor/edit_model.h"

TPE_UndoState EditModel::CurrentUndoState() const
{
    TPE_UndoState s;
    s.CursorLine = FCursorLine;
    s.CursorCol = FCursorCol;
    s.StartLine = FStartLine;
    s.StartCol = FStartCol;
    s.BlockShown = FBlockShown;
    s.BlockKind = FBlockKind;
    s.BlockStartLine = FBlockStartLine;
    s.BlockStartCol = FBlockStartCol;
    s.BlockEndLine = FBlockEndLine;
    s.BlockEndCol = FBlockEndCol;
    s.Modified = Modified;
    return s;
}

void EditModel::CreateUNDO(const QString &name, std::uint8_t type)
{
    FUndoList.Create(*this, name, type);
}

void EditModel::CloseUNDO()
{
    FUndoList.Close(*this);
}

void EditModel::ClearUNDO()
{
    FUndoList.Clear();
}

QString EditModel::GetUNDO() const
{
    return FUndoList.Name();
}

int EditModel::UNDO()
{
    return FUndoList.Undo(*this);
}

void EditModel::CtrlQ_P()
{
    FUndoList.GoToLastChange(*this);
}

namespace {

// The block of a record's state.
void RestoreBlock(EditModel &m, const TPE_UndoState &s)
{
    m.FBlockShown = s.BlockShown;
    m.FBlockKind = s.BlockKind;
    m.FBlockStartLine = s.BlockStartLine;
    m.FBlockStartCol = s.BlockStartCol;
    m.FBlockEndLine = s.BlockEndLine;
    m.FBlockEndCol = s.BlockEndCol;
}

}   // namespace

void EditUndo::Create(EditModel &m, const QString &name, std::uint8_t type)
{
    if (FUndoOpen)
        Close(m);
    // No room for records: none is kept (and none freed from an empty list).
    if (m.UndoLimit < 1) {
        FRecords.clear();
        return;
    }
    FUndoOpen = true;
    if ((type & UndoType::FlagMerge) && !FRecords.isEmpty()) {
        const TPE_UndoRecord &newest = FRecords.last();
        if (newest.Merges() && newest.Name == name && newest.After.CursorLine == m.FCursorLine &&
            newest.After.CursorCol == m.FCursorCol)
            return;   // the run goes on in the newest record
    }
    TPE_UndoRecord r;
    r.Name = name;
    r.Flags = type;
    r.Before = m.CurrentUndoState();
    r.BeforeVersion = m.TextVersion();
    if (r.LineOnly())
        r.LineSnapshot = m.FEditLines.value(m.FCursorLine);
    else
        r.TextSnapshot = m.FEditLines;
    while (!FRecords.isEmpty() && FRecords.size() >= m.UndoLimit)
        FRecords.removeFirst();
    FRecords.append(std::move(r));
}

void EditUndo::Close(EditModel &m)
{
    if (FUndoOpen && !FRecords.isEmpty()) {
        FRecords.last().After = m.CurrentUndoState();
        FRecords.last().AfterVersion = m.TextVersion();
    }
    FUndoOpen = false;
}

void EditUndo::Clear()
{
    FRecords.clear();
    FUndoOpen = false;
}

QString EditUndo::Name() const
{
    return FRecords.isEmpty() ? QString() : FRecords.last().Name;
}

int EditUndo::Undo(EditModel &m)
{
    if (FRecords.isEmpty())
        return 0;
    EditModel::Scope scope(m);
    Close(m);
    const TPE_UndoRecord &r = FRecords.last();
    // Where the change ended, as the cursor can stand there now: lines may
    // have gone since by a path that made no record.
    const int afterLine = std::clamp(r.After.CursorLine, 0, std::max(0, m.LineCount() - 1));
    const int afterCol = std::clamp(r.After.CursorCol, 0, m.ColumnLimit(afterLine));
    if (m.FCursorLine == afterLine && m.FCursorCol == afterCol) {
        if (r.LineOnly())
            m.RestoreLine(r.Before.CursorLine, r.LineSnapshot);
        else
            m.RestoreText(r.TextSnapshot);
        const TPE_UndoState &b = r.Before;
        m.FCursorLine = std::clamp(b.CursorLine, 0, m.LineCount() - 1);
        m.FCursorCol = b.CursorCol;
        m.FStartLine = std::clamp(b.StartLine, 0, m.LineCount() - 1);
        m.FStartCol = b.StartCol;
        RestoreBlock(m, b);
        m.FFoundLen = 0;
        m.SetTextVersion(r.BeforeVersion);
        FRecords.removeLast();
        m.UpdateParams(0);
        m.NoteUndone();
        return 1;
    }
    // The cursor is elsewhere: first only go back to where the change ended.
    const TPE_UndoState a = r.After;
    RestoreBlock(m, a);
    m.SetStart(a.StartLine, a.StartCol);
    m.SetCursor(a.CursorLine, a.CursorCol);
    m.UpdateParams(0);
    m.NoteRepaintAll();
    return 2;
}

void EditUndo::GoToLastChange(EditModel &m)
{
    if (FRecords.isEmpty())
        return;
    EditModel::Scope scope(m);
    const TPE_UndoState a = FRecords.last().After;
    m.SetStart(a.StartLine, a.StartCol);
    m.SetCursor(a.CursorLine, a.CursorCol);
}
