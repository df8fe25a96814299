// The undo records of the editor.
#include "controls/editor/edit_undo.h"

void EditUndo::Create(const QString &name, std::uint8_t type, int limit, const TPE_UndoState &now,
                      std::uint64_t version, const QString &line, const EditLines &text)
{
    if (FUndoOpen)
        Close(now, version);
    // No room for records: none is kept (and none freed from an empty list).
    if (limit < 1) {
        FRecords.clear();
        return;
    }
    FUndoOpen = true;
    if ((type & UndoType::FlagMerge) && !FRecords.isEmpty()) {
        const TPE_UndoRecord &newest = FRecords.last();
        if (newest.Merges() && newest.Name == name && newest.After.Cursor == now.Cursor)
            return;   // the run goes on in the newest record
    }
    TPE_UndoRecord r;
    r.Name = name;
    r.Flags = type;
    r.Before = now;
    r.BeforeVersion = version;
    if (r.LineOnly())
        r.LineSnapshot = line;
    else
        r.TextSnapshot = text;
    while (!FRecords.isEmpty() && FRecords.size() >= limit)
        FRecords.removeFirst();
    FRecords.append(std::move(r));
}

void EditUndo::Close(const TPE_UndoState &now, std::uint64_t version)
{
    if (FUndoOpen && !FRecords.isEmpty()) {
        FRecords.last().After = now;
        FRecords.last().AfterVersion = version;
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
