// The undo operations of EditModel.
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

// The block corners and Modified of a record's state.
static void RestoreBlock(EditModel &m, const TPE_UndoState &s)
{
    m.FBlockShown = s.BlockShown;
    m.FBlockKind = s.BlockKind;
    m.FBlockStartLine = s.BlockStartLine;
    m.FBlockStartCol = s.BlockStartCol;
    m.FBlockEndLine = s.BlockEndLine;
    m.FBlockEndCol = s.BlockEndCol;
    m.Modified = s.Modified;
}

void EditModel::CreateUNDO(const QString &name, std::uint8_t type)
{
    if (FUndoOpen)
        CloseUNDO();
    // No room for records: none is kept (and none freed from an empty list).
    if (UndoLimit < 1) {
        FUndoList.clear();
        return;
    }
    FUndoOpen = true;
    if ((type & UndoType::FlagMerge) && !FUndoList.isEmpty()) {
        const TPE_UndoRecord &last = FUndoList.last();
        if (last.Merges() && last.Name == name && last.After.CursorLine == FCursorLine &&
            last.After.CursorCol == FCursorCol)
            return;   // the run goes on in the newest record
    }
    TPE_UndoRecord r;
    r.Name = name;
    r.Flags = type;
    r.Before = CurrentUndoState();
    if (r.LineOnly())
        r.LineSnapshot = FEditLines.value(FCursorLine);
    else
        r.TextSnapshot = FEditLines;
    while (!FUndoList.isEmpty() && FUndoList.size() >= UndoLimit)
        FUndoList.removeFirst();
    FUndoList.append(std::move(r));
}

void EditModel::CloseUNDO()
{
    if (FUndoOpen && !FUndoList.isEmpty())
        FUndoList.last().After = CurrentUndoState();
    FUndoOpen = false;
}

void EditModel::ClearUNDO()
{
    FUndoList.clear();
    FUndoOpen = false;
}

QString EditModel::GetUNDO() const
{
    return FUndoList.isEmpty() ? QString() : FUndoList.last().Name;
}

int EditModel::UNDO()
{
    if (FUndoList.isEmpty())
        return 0;
    CloseUNDO();
    const TPE_UndoRecord &r = FUndoList.last();
    if (FCursorLine == r.After.CursorLine && FCursorCol == r.After.CursorCol) {
        if (r.LineOnly()) {
            if (r.Before.CursorLine >= 0 && r.Before.CursorLine < LineCount())
                FEditLines[r.Before.CursorLine] = r.LineSnapshot;
        } else {
            FEditLines = r.TextSnapshot;
        }
        const TPE_UndoState &b = r.Before;
        FCursorLine = b.CursorLine;
        FCursorCol = b.CursorCol;
        FStartLine = b.StartLine;
        FStartCol = b.StartCol;
        RestoreBlock(*this, b);
        FFoundLen = 0;
        FUndoList.removeLast();
        UpdateParams(0);
        if (FView) {
            FView->RepaintAll();
            FView->ChangeText();
            FView->Undone();
        }
        return 1;
    }
    // The cursor is elsewhere: first only go back to where the change ended.
    const TPE_UndoState a = r.After;
    RestoreBlock(*this, a);
    SetStart(a.StartLine, a.StartCol);
    SetCursor(a.CursorLine, a.CursorCol);
    UpdateParams(0);
    if (FView)
        FView->RepaintAll();
    return 2;
}

void EditModel::CtrlQ_P()
{
    if (FUndoList.isEmpty())
        return;
    const TPE_UndoState a = FUndoList.last().After;
    SetStart(a.StartLine, a.StartCol);
    SetCursor(a.CursorLine, a.CursorCol);
}
