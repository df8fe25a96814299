#pragma once
// How register addresses are written for the user: the protocol address
// from 0 (the wire's), from 1, or with the table's leading digit as device
// manuals write them (40001 is holding register 0; 400001 and on, six
// digits, where five do not reach). Only the text changes; the wire address
// is the same.

#include <cstdint>
#include <string>
#include <string_view>

enum class AddressNotation : uint8_t {
    ZeroBased,   // 0..65535, the protocol address
    OneBased,   // 1..65536
    Prefixed,   // 4xxxx / 4xxxxx, 3xxxx, 0xxxx, 1xxxx by table
};
inline constexpr int kAddressNotationCount = 3;

// The tables a read command reads, by their leading digit.
enum class RegisterTable : uint8_t {
    Coils = 0,
    DiscreteInputs = 1,
    InputRegisters = 3,
    HoldingRegisters = 4,
};

// The table a read function code (01..04) reads; holding registers for any other.
RegisterTable TableOfReadCommand(uint8_t functionCode);
const char *TableName(RegisterTable table);   // "holding registers" ...
const char *AddressNotationName(AddressNotation notation);   // "0-based", "1-based", "4xxxx"

// The text of protocol address `address` (which may run past 65535 where a
// row of the grid does).
std::string AddressText(int address, AddressNotation notation, RegisterTable table);
// The longest text of the notation, for sizing.
std::string WidestAddressText(AddressNotation notation, RegisterTable table);

// Reads an address typed in the notation into the protocol address; returns
// an empty string, or why the text was refused (not a number, outside the
// notation's range, or the address of another table).
std::string ParseAddress(std::string_view text, AddressNotation notation, RegisterTable table, uint16_t &address);
