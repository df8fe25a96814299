#include "controls/editor/edit_corners.h"

#include <algorithm>

namespace BlockMoves {

namespace {

// Applies f to both corners (line, col).
template <class F>
void BothCorners(BlockCorners &b, F f)
{
    f(b.StartLine, b.StartCol);
    f(b.EndLine, b.EndCol);
}

}   // namespace

void ReplaceSubStr(BlockCorners &b, int line, int col, int count, int inserted)
{
    if (b.Kind != pbStream)
        return;
    BothCorners(b, [&](int l, int &c) {
        if (l != line)
            return;
        if (count > 0 && c > col)
            c = std::max(col, c - count);
        if (inserted > 0 && c >= col)
            c += inserted;
    });
}

void TypedChar(BlockCorners &b, int line, int col)
{
    if (b.Kind != pbStream)
        return;
    BothCorners(b, [&](int l, int &c) {
        if (l == line && c > col)
            ++c;
    });
}

void BackspaceJoin(BlockCorners &b, int line, int prevLen)
{
    if (b.Kind == pbColumn) {
        if (b.StartLine > line)
            --b.StartLine;
        if (b.EndLine >= line)
            --b.EndLine;
        return;
    }
    BothCorners(b, [&](int &l, int &c) {
        if (l > line) {
            --l;
        } else if (l == line) {
            --l;
            c += prevLen;
        }
    });
}

void DeleteJoin(BlockCorners &b, int line, int col)
{
    if (b.Kind == pbColumn) {
        if (b.StartLine > line)
            --b.StartLine;
        if (b.EndLine > line)
            --b.EndLine;
        return;
    }
    BothCorners(b, [&](int &l, int &c) {
        if (l > line + 1) {
            --l;
        } else if (l == line + 1) {
            l = line;
            c += col;
        } else if (l == line && c > col) {
            c = col;
        }
    });
}

void EnterSplit(BlockCorners &b, int line, int col, int indent)
{
    if (b.Kind == pbColumn) {
        if (b.StartLine > line || (b.StartLine == line && b.StartCol > col))
            ++b.StartLine;
        if (b.EndLine > line || (b.EndLine == line && col == 0))
            ++b.EndLine;
        return;
    }
    BothCorners(b, [&](int &l, int &c) {
        if (l > line) {
            ++l;
        } else if (l == line && c > col) {
            ++l;
            c = indent + (c - col);
        }
    });
}

void LinesRemoved(BlockCorners &b, int first, int count)
{
    if (count <= 0)
        return;
    const int last = first + count - 1;
    if (b.Kind == pbColumn) {
        if (b.StartLine > last)
            b.StartLine -= count;
        else if (b.StartLine > first)
            b.StartLine = first;
        if (b.EndLine > last)
            b.EndLine -= count;
        else if (b.EndLine >= first)
            b.EndLine = first - 1;
        return;
    }
    BothCorners(b, [&](int &l, int &c) {
        if (l > last) {
            l -= count;
        } else if (l >= first) {
            l = first;
            c = 0;
        }
    });
}

void LinesInserted(BlockCorners &b, int at, int count)
{
    if (count <= 0)
        return;
    BothCorners(b, [&](int &l, int &) {
        if (l >= at)
            l += count;
    });
}

}   // namespace BlockMoves
