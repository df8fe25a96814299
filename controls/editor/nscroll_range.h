// The position model of a scroll bar: a position from 0 to a maximum and a
// page size. TNScrollBar keeps one; the editor model keeps one per bar as a
// mirror, so that it can follow its bars without a window.
#pragma once

struct TNScrollRange {
    int Pos = 0;
    int Max = 100;   // 0 disables the bar
    int Page = 10;

    // Clamps to 0 ... Max; true when the position changed.
    bool SetPos(int value)
    {
        if (value < 0)
            value = 0;
        if (value > Max)
            value = Max;
        if (value == Pos)
            return false;
        Pos = value;
        return true;
    }
    // A value above 0 is stored and the position clamped to it; 0 or below
    // disables the bar and leaves the position alone. True when Max changed.
    bool SetMax(int value)
    {
        if (value <= 0) {
            const bool changed = Max != 0;
            Max = 0;
            return changed;
        }
        if (value == Max)
            return false;
        Max = value;
        if (Pos > Max)
            Pos = Max;
        return true;
    }
    // Only a positive value that differs is taken.
    bool SetPage(int value)
    {
        if (value <= 0 || value == Page)
            return false;
        Page = value;
        return true;
    }
    bool Enabled() const { return Max > 0; }
    bool AtEnd() const { return Pos == Max; }
};
