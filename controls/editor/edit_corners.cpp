#include "controls/editor/edit_corners.h"

#include <algorithm>
#include <utility>

namespace BlockMoves {

namespace {

// Applies f to both corners (line, col).
template <class F>
void BothCorners(EditBlock &b, F f)
{
    f(b.Start.Line, b.Start.Col);
    f(b.End.Line, b.End.Col);
}

}   // namespace

void ReplaceSubStr(EditBlock &b, int line, int col, int count, int inserted)
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

void TypedChar(EditBlock &b, int line, int col)
{
    if (b.Kind != pbStream)
        return;
    BothCorners(b, [&](int l, int &c) {
        if (l == line && c > col)
            ++c;
    });
}

void BackspaceJoin(EditBlock &b, int line, int prevLen)
{
    if (b.Kind == pbColumn) {
        if (b.Start.Line > line)
            --b.Start.Line;
        if (b.End.Line >= line)
            --b.End.Line;
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

void DeleteJoin(EditBlock &b, int line, int col)
{
    if (b.Kind == pbColumn) {
        if (b.Start.Line > line)
            --b.Start.Line;
        if (b.End.Line > line)
            --b.End.Line;
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

void EnterSplit(EditBlock &b, int line, int col, int indent)
{
    if (b.Kind == pbColumn) {
        if (b.Start.Line > line || (b.Start.Line == line && b.Start.Col > col))
            ++b.Start.Line;
        if (b.End.Line > line || (b.End.Line == line && col == 0))
            ++b.End.Line;
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

void LinesRemoved(EditBlock &b, int first, int count)
{
    if (count <= 0)
        return;
    const int last = first + count - 1;
    if (b.Kind == pbColumn) {
        if (b.Start.Line > last)
            b.Start.Line -= count;
        else if (b.Start.Line > first)
            b.Start.Line = first;
        if (b.End.Line > last)
            b.End.Line -= count;
        else if (b.End.Line >= first)
            b.End.Line = first - 1;
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

}   // namespace BlockMoves

bool EditBlock::HasText() const
{
    if (Kind == pbColumn)
        return End.Line >= Start.Line && Start.Col < End.Col;
    if (Kind == pbStream)
        return Start < End;
    return false;
}

EditBlock EditBlock::Ordered() const
{
    EditBlock b = *this;
    if (Kind == pbColumn) {
        if (b.Start.Line > b.End.Line)
            std::swap(b.Start.Line, b.End.Line);
        if (b.Start.Col > b.End.Col)
            std::swap(b.Start.Col, b.End.Col);
    } else if (b.End < b.Start) {
        std::swap(b.Start, b.End);
    }
    return b;
}

std::pair<int, int> EditBlock::LineRange(int lineCount) const
{
    int last = End.Line;
    if (End.Col == 0 && last > Start.Line)
        --last;
    return {Start.Line, std::min(last, lineCount - 1)};
}

namespace BlockMoves {

void LinesInserted(EditBlock &b, int at, int count)
{
    if (count <= 0)
        return;
    BothCorners(b, [&](int &l, int &) {
        if (l >= at)
            l += count;
    });
}

}   // namespace BlockMoves
