// The editor's marked block: marking, keeping it valid, its text, the
// clipboard, and the block commands (copy, move, delete, cut, paste, fill,
// indent, unindent, comment, uncomment). Free functions on the model; each
// text-changing command does nothing when ReadOnly is set and records one
// undo step under its name.
#pragma once

#include <QString>
#include <QStringList>

#include "controls/editor/edit_model.h"

class EditDialogs;

namespace EditBlocks {

// The clipboard type whose presence marks the text as a column block
// ("ProgEditVerticalBlock"); it holds one byte.
inline constexpr const char ColumnBlockMime[] = "application/x-progedit-vertical-block";

// Extends the shown block, or starts one, from the cursor's previous
// position (line, col) to the cursor.
void MarkBlock(EditModel &m, TPE_Block kind, int line, int col);
void SelectAll(EditModel &m);
void SelectWordAtCursor(EditModel &m);
// Stream lines are joined by CR LF; every column line ends with a CR.
QString GetBlockText(EditModel &m);

// Cuts a clipboard text into lines at CR, LF, CR LF and LF CR.
QStringList SplitPieces(const QString &text);

void CopyBlockToClipboard(EditModel &m);
void PasteFromClipboard(EditModel &m);
void InsertBlockToCursor(EditModel &m, const QString &text, TPE_Block kind);
void DoCopyBlock(EditModel &m);
void DoMoveBlock(EditModel &m);
void DoDeleteBlock(EditModel &m);
// Copies the block to the clipboard and deletes it.
void CutBlock(EditModel &m);
// Asks for the fill character; false when the user declined.
bool AskFillChar(EditModel &m, EditDialogs &dialogs);
void DoFillBlock(EditModel &m, EditDialogs &dialogs);
void DoIndentBlock(EditModel &m);
void DoUnindentBlock(EditModel &m);
void DoCommentBlock(EditModel &m);
void DoUncommentBlock(EditModel &m);

// Ctrl+K B, Ctrl+K K, Ctrl+K H.
void SetBlockStart(EditModel &m);
void SetBlockEnd(EditModel &m);
void ToggleBlock(EditModel &m);

}   // namespace EditBlocks
