#include "engine/address_notation.h"

#include <cctype>

RegisterTable TableOfReadCommand(uint8_t functionCode)
{
    switch (functionCode) {
    case 1: return RegisterTable::Coils;
    case 2: return RegisterTable::DiscreteInputs;
    case 4: return RegisterTable::InputRegisters;
    default: return RegisterTable::HoldingRegisters;
    }
}

const char *TableName(RegisterTable table)
{
    switch (table) {
    case RegisterTable::Coils: return "coils";
    case RegisterTable::DiscreteInputs: return "discrete inputs";
    case RegisterTable::InputRegisters: return "input registers";
    case RegisterTable::HoldingRegisters: break;
    }
    return "holding registers";
}

const char *AddressNotationName(AddressNotation notation)
{
    switch (notation) {
    case AddressNotation::OneBased: return "1-based";
    case AddressNotation::Prefixed: return "Table-prefixed (40001)";
    case AddressNotation::ZeroBased: break;
    }
    return "0-based";
}

std::string AddressText(int address, AddressNotation notation, RegisterTable table)
{
    switch (notation) {
    case AddressNotation::ZeroBased: return std::to_string(address);
    case AddressNotation::OneBased: return std::to_string(address + 1);
    case AddressNotation::Prefixed: break;
    }
    // Five digits while the number after the table digit fits in four,
    // six beyond.
    const int number = address + 1;
    const int width = number <= 9999 ? 4 : 5;
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return std::to_string(static_cast<int>(table)) + digits;
}

std::string WidestAddressText(AddressNotation notation, RegisterTable table)
{
    return AddressText(65535 + 9, notation, table);
}

std::string ParseAddress(std::string_view text, AddressNotation notation, RegisterTable table, uint16_t &address)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 7)
        return "not an address";
    long number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return "not an address";
        number = number * 10 + (c - '0');
    }
    long wire = number;
    switch (notation) {
    case AddressNotation::ZeroBased:
        if (number > 65535)
            return "above 65535";
        break;
    case AddressNotation::OneBased:
        if (number < 1 || number > 65536)
            return "not from 1 to 65536";
        wire = number - 1;
        break;
    case AddressNotation::Prefixed: {
        if (text.size() != 5 && text.size() != 6)
            return "not a five- or six-digit address";
        const int digit = text[0] - '0';
        if (digit != static_cast<int>(table)) {
            const char *other = digit == 0   ? "a coil"
                                : digit == 1 ? "a discrete input"
                                : digit == 3 ? "an input register"
                                : digit == 4 ? "a holding register"
                                             : nullptr;
            if (!other)
                return "no table begins with " + std::string(1, text[0]);
            return "the address of " + std::string(other) + ", but " + TableName(table) + " are read";
        }
        const long rest = std::stol(std::string(text.substr(1)));
        if (rest < 1 || rest > 65536)
            return "the number after the table digit is not from 1 to 65536";
        wire = rest - 1;
        break;
    }
    }
    address = static_cast<uint16_t>(wire);
    return {};
}
