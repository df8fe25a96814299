#pragma once
// How the main window's grid reads and numbers the registers, kept in
// "Tarvix.ini" in a section of its own:
//   [GRID]
//   Format=Float
//   Order=CD AB
//   Addresses=1-based
// A file without the section leaves the grid as it always was; a program
// that does not know the section keeps it as it is (the settings library
// keeps every line it is not asked to change).

#include "engine/address_notation.h"
#include "engine/register_values.h"

struct GridViewSettings {
    ValueFormat Format = ValueFormat::Hex;
    RegisterOrder Order;
    AddressNotation Addresses = AddressNotation::ZeroBased;
    bool operator==(const GridViewSettings &) const = default;
};

inline constexpr const char *kGridViewSection = "GRID";

// Reads the section; false (and the defaults) when the file has none. A
// value the program does not know keeps that key's default.
bool LoadGridViewSettings(GridViewSettings &s);
// Writes the three keys into the section (added at the end when missing).
void SaveGridViewSettings(const GridViewSettings &s);
