// How an edit moves the corners of the marked block: one function for each
// kind of edit. The editing primitives of EditModel call them; nothing else
// moves the corners of a block that already exists.
#pragma once

#include <cstdint>

// The block kind: 0 no block, 1 stream block, 2 column block.
enum TPE_Block : std::uint8_t { pbNone = 0, pbStream = 1, pbColumn = 2 };

struct BlockCorners {
    TPE_Block Kind = pbNone;
    int StartLine = 0;
    int StartCol = 0;
    int EndLine = 0;
    int EndCol = 0;
    bool operator==(const BlockCorners &) const = default;
};

namespace BlockMoves {

// count characters at (line, col) replaced by inserted ones (stream blocks):
// a corner right of col moves left by count, not past col; then a corner at
// or right of col moves right by inserted. Backspace and Delete inside a line
// are this edit with one character.
void ReplaceSubStr(BlockCorners &b, int line, int col, int count, int inserted);
// A character typed at (line, col) in insert mode (stream blocks): a corner
// right of col moves right by one.
void TypedChar(BlockCorners &b, int line, int col);
// Line `line` appended to the line above it (Backspace at column 0), which
// was prevLen long.
void BackspaceJoin(BlockCorners &b, int line, int prevLen);
// The line below `line` appended to it at column col (Delete at the end).
void DeleteJoin(BlockCorners &b, int line, int col);
// Line `line` cut at col, the rest going to a new line below after indent spaces.
void EnterSplit(BlockCorners &b, int line, int col, int indent);
// count lines removed from `first` on.
void LinesRemoved(BlockCorners &b, int first, int count);
// count lines inserted before line `at` (a duplicated line goes below its original).
void LinesInserted(BlockCorners &b, int at, int count);

}   // namespace BlockMoves
