// Undo records of the program editor: the names and types every
// text-changing command records under, and the record itself (the editor's
// state before and after the change and a snapshot of what it replaced).
//
// A command declares its record (edit_command.h): the command scope opens
// it before the change and closes it on every way out. A command that finds
// nothing to do returns before it records. EditModel owns one EditUndo and
// keeps its undo operations; taking a step back puts the text back through
// the model's own restore primitives.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "controls/editor/edit_corners.h"
#include "controls/editor/edit_lines.h"

// Record flags and the four record types built from them.
namespace UndoType {
inline constexpr std::uint8_t FlagMerge = 1;   // may merge with the newest record
inline constexpr std::uint8_t FlagLineOnly = 2;   // the snapshot is the cursor line only
inline constexpr std::uint8_t Text = 0;   // whole text, never merges
inline constexpr std::uint8_t TextMerge = FlagMerge;
inline constexpr std::uint8_t Line = FlagLineOnly;
inline constexpr std::uint8_t LineMerge = FlagMerge | FlagLineOnly;
}   // namespace UndoType

// The record names, shown to the user through GetUNDO (an undo menu item).
// Each command records under its name with the type noted beside it.
namespace UndoNames {
inline constexpr const char Enter[] = "Перевод строки (Enter)";   // TextMerge
inline constexpr const char BackspaceChar[] = "Удаление символа (BackSpace)";   // LineMerge
inline constexpr const char BackspaceJoin[] = "Слияние строк (BackSpace)";   // Text
inline constexpr const char DeleteChar[] = "Удаление символа (Delete)";   // LineMerge
inline constexpr const char DeleteJoin[] = "Слияние строк (Delete)";   // Text
inline constexpr const char Tab[] = "Табуляция";   // LineMerge
inline constexpr const char DeleteToLineEnd[] = "Удаление до конца строки";   // Line
inline constexpr const char CutBlock[] = "Перенесение блока в Clipboard";   // Text
inline constexpr const char DeleteWordLeft[] = "Удаление слова слева";   // LineMerge
inline constexpr const char DeleteWordRight[] = "Удаление слова справа";   // LineMerge
inline constexpr const char DuplicateLine[] = "Дублирование строки";   // TextMerge
inline constexpr const char TypeInsert[] = "Ввод(вставка)";   // LineMerge
inline constexpr const char TypeOverwrite[] = "Ввод(замена)";   // LineMerge
inline constexpr const char DeleteLine[] =
    "Удаление строки";   // Line when the last line is emptied, TextMerge when a line is removed
inline constexpr const char PasteBlock[] = "Вставка блока из Clipboard";   // Text
inline constexpr const char CopyBlock[] = "Копирование блока";   // Text
inline constexpr const char MoveBlock[] = "Перемещение блока";   // Text
inline constexpr const char DeleteBlock[] = "Удаление блока";   // Text
inline constexpr const char FillBlock[] = "Заполнение блока";   // Text
inline constexpr const char IndentBlock[] = "Увеличение отступа блока";   // TextMerge
inline constexpr const char UnindentBlock[] = "Уменьшение отступа блока";   // TextMerge
inline constexpr const char CommentBlock[] = "Закомментаривание блока";   // Text
inline constexpr const char UncommentBlock[] = "Раскомментаривание блока";   // Text
inline constexpr const char SearchReplace[] = "Поиск/Замена";   // Text
}   // namespace UndoNames

// The editor's state that a record keeps from before and after its change.
struct TPE_UndoState {
    TPE_Pos Cursor;
    TPE_Pos Start;   // the first visible line and column
    EditBlock Block;
    bool Modified = false;

    bool operator==(const TPE_UndoState &) const = default;
};

struct TPE_UndoRecord {
    QString Name;
    std::uint8_t Flags = 0;
    TPE_UndoState Before;
    TPE_UndoState After;
    // With FlagLineOnly: the cursor line as it was. Otherwise the whole text
    // as it was: a copy of the line list that shares its chunks with the
    // editor (implicit sharing), so a record costs a list of chunk
    // references and the chunks changed since, not a copy of the text.
    QString LineSnapshot;
    EditLines TextSnapshot;
    // The text's version before and after the change (EditModel::TextVersion):
    // taking the step back returns to the version before, so the editor can
    // tell whether the text is the one last loaded or saved.
    std::uint64_t BeforeVersion = 0;
    std::uint64_t AfterVersion = 0;

    bool LineOnly() const { return (Flags & UndoType::FlagLineOnly) != 0; }
    bool Merges() const { return (Flags & UndoType::FlagMerge) != 0; }
};

// The records, oldest first, and the open mark. It knows nothing of the
// editor: the model hands it the state and the snapshot, and takes a record
// back when it undoes one.
class EditUndo {
public:
    using const_iterator = QList<TPE_UndoRecord>::const_iterator;
    int size() const { return int(FRecords.size()); }
    bool isEmpty() const { return FRecords.isEmpty(); }
    const TPE_UndoRecord &last() const { return FRecords.last(); }
    const TPE_UndoRecord &at(int i) const { return FRecords.at(i); }
    const_iterator cbegin() const { return FRecords.cbegin(); }
    const_iterator cend() const { return FRecords.cend(); }
    const_iterator begin() const { return FRecords.cbegin(); }
    const_iterator end() const { return FRecords.cend(); }
    // The last record is open: its "after" part is written when it closes.
    bool IsOpen() const { return FUndoOpen; }

    // Opens a record for a change about to be made, in a state `now`, or
    // goes on in the newest one when the change merges with it. The
    // snapshot is the cursor line (line types) or the whole text (a copy
    // that shares its chunks). At most `limit` records are kept.
    void Create(const QString &name, std::uint8_t type, int limit, const TPE_UndoState &now, std::uint64_t version,
                const QString &line, const EditLines &text);
    // Writes the "after" part of the open record.
    void Close(const TPE_UndoState &now, std::uint64_t version);
    void Clear();
    // The newest record's name; a null string when there is none.
    QString Name() const;
    // Takes the newest record off the list (a step taken back).
    void DropNewest() { FRecords.removeLast(); }

private:
    QList<TPE_UndoRecord> FRecords;
    bool FUndoOpen = false;
};
