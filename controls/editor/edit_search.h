// Search, replace and go-to-line of the editor: the search itself over the
// model's lines, the search and replace runs with their dialogs (asked
// through EditDialogs), the search for the word under the cursor and the
// two information messages.
#pragma once

#include <QString>

#include "controls/editor/edit_model.h"

class EditCommand;
class EditDialogs;

namespace EditSearch {

// A search text longer than this many characters is cut in the not-found
// message (the message is meant for a 512-byte buffer).
inline constexpr int MessageTextLimit = 160;

// The search from `pos` (see the region rules in the .cpp); true and the
// found position in pos, or false.
bool SearchText(const EditModel &m, const QString &text, const SearchParams &options, TPE_Pos &pos);

bool AskSearchParams(EditModel &m, EditDialogs &dialogs);
bool AskReplaceParams(EditModel &m, EditDialogs &dialogs);
// The next search step, or a replacement run in replace mode; start null
// continues from the search position.
void FindNext(EditModel &m, EditDialogs &dialogs, const TPE_Pos *start);
void DoSearch(EditModel &m, EditDialogs &dialogs);
void DoSearchReplace(EditModel &m, EditDialogs &dialogs);
// One replacement at the search position, after the prompt when one is
// due; returns the prompt's modal result (mrOk when none was shown). The
// replacement records in the run's record when a run is given, else in one
// of its own.
int MakeReplace(EditModel &m, EditDialogs &dialogs, EditCommand *run = nullptr);
void FindWord(EditModel &m, EditDialogs &dialogs);
void DoGotoLine(EditModel &m, EditDialogs &dialogs);

QString SearchNotFoundText(const QString &findText);
QString ReplaceCountText(int count);
void SearchNotFoundMsg(EditModel &m, EditDialogs &dialogs);
void ReplaceCountMsg(EditModel &m, EditDialogs &dialogs);

}   // namespace EditSearch
