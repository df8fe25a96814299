// Positions and the marked block of the editor as values, and how an edit
// moves the block's corners: one function for each kind of edit. The
// editing primitives of EditModel call them; nothing else moves the corners
// of a block that already exists.
#pragma once

#include <compare>
#include <cstdint>
#include <utility>

// A text position: line index, then column, both from 0; positions compare
// in text order.
struct TPE_Pos {
    int Line = 0;
    int Col = 0;
    auto operator<=>(const TPE_Pos &) const = default;
};

// The block kind: 0 no block, 1 stream block, 2 column block.
enum TPE_Block : std::uint8_t { pbNone = 0, pbStream = 1, pbColumn = 2 };

// The marked block: its kind, whether it is shown, and its two corners.
// Stream: the text from Start up to, not including, End. Column: lines
// Start.Line ... End.Line and columns Start.Col ... End.Col - 1.
struct EditBlock {
    TPE_Block Kind = pbNone;
    bool Shown = false;
    TPE_Pos Start;
    TPE_Pos End;
    bool operator==(const EditBlock &) const = default;

    // The corners hold text, whatever the text's length: a stream block
    // starts before it ends, a rectangle is at least one column wide.
    bool HasText() const;
    // Stream: the corners in text order. Column: the lines and the columns
    // each in order.
    EditBlock Ordered() const;
    // The lines that the block's line commands work on (indent, comment):
    // Start.Line ... End.Line, leaving out an end line whose end column is
    // 0, and only lines of a text of lineCount lines.
    std::pair<int, int> LineRange(int lineCount) const;
    // The column those commands work at.
    int LinePosition() const { return Kind == pbColumn ? Start.Col : 0; }
};

namespace BlockMoves {

// count characters at (line, col) replaced by inserted ones (stream blocks):
// a corner right of col moves left by count, not past col; then a corner at
// or right of col moves right by inserted. Backspace and Delete inside a line
// are this edit with one character.
void ReplaceSubStr(EditBlock &b, int line, int col, int count, int inserted);
// A character typed at (line, col) in insert mode (stream blocks): a corner
// right of col moves right by one.
void TypedChar(EditBlock &b, int line, int col);
// Line `line` appended to the line above it (Backspace at column 0), which
// was prevLen long.
void BackspaceJoin(EditBlock &b, int line, int prevLen);
// The line below `line` appended to it at column col (Delete at the end).
void DeleteJoin(EditBlock &b, int line, int col);
// Line `line` cut at col, the rest going to a new line below after indent spaces.
void EnterSplit(EditBlock &b, int line, int col, int indent);
// count lines removed from `first` on.
void LinesRemoved(EditBlock &b, int first, int count);
// count lines inserted before line `at` (a duplicated line goes below its original).
void LinesInserted(EditBlock &b, int at, int count);

}   // namespace BlockMoves
