#pragma once
// The command lines of the console programs: one table of rows per program
// (name, value kind, range, help line), one parser, one error format
// ("tarvix-poll: --count: 2001 is outside 1..2000"), and the --help and
// manual page option lists printed from the same rows.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cli {

enum class ValueKind : uint8_t {
    None,   // a switch
    Whole,   // a decimal whole number in lo..hi
    Real,   // a number above lo, at most hi
    Choice,   // one of the words of `choices` ("tsv|csv|jsonl"); Value::n is its index
    Text,   // any text; the row's setter judges it
};

struct Value {
    long long n = 0;   // Whole, Choice
    double x = 0;   // Real
    std::string text;   // as given
};

// The fixed part of a row: what the parser checks and the help lists show.
struct Spec {
    const char *name;   // "--count"
    const char *arg;   // the value's name in the help ("N"); "" for a switch or a choice
    ValueKind kind = ValueKind::None;
    long long lo = 0, hi = 0;
    const char *choices = "";
    const char *group = "";   // the manual page's heading the option stands under
    const char *help = "";   // one line of --help
    const char *more = "";   // further sentences of the manual page
    const char *alias = "";   // a second name ("-h")
    bool first = false;   // a switch that answers alone (--help): set, and nothing else is parsed
};

// A row with what it does: the setter stores the value in the options and
// returns "" or what is wrong with it (the error line's last part).
template <class T>
struct Option {
    Spec spec;
    std::function<std::string(T &, const Value &)> set;
};

// What a program accepts besides its options: `operand` takes a word that is
// no option (nullptr: such a word is an unknown option).
struct Operands {
    std::function<std::string(const std::string &)> operand;
};

// The parse without the options' type. `set(i, v)` applies row i.
bool ParseRows(const std::vector<const Spec *> &rows, const std::vector<std::string> &args,
               const std::function<std::string(size_t, const Value &)> &set, const Operands &operands,
               std::string &error);

template <class T>
std::vector<const Spec *> Specs(const std::vector<Option<T>> &rows)
{
    std::vector<const Spec *> specs;
    for (const Option<T> &r : rows)
        specs.push_back(&r.spec);
    return specs;
}

// Parses args (argv[1..]) into `out`. False with `error` set to one line
// "<option>: <what is wrong>" (without the program's name).
template <class T>
bool Parse(const std::vector<Option<T>> &rows, const std::vector<std::string> &args, T &out, std::string &error,
           const Operands &operands = {})
{
    return ParseRows(
        Specs(rows), args, [&](size_t i, const Value &v) { return rows[i].set(out, v); }, operands, error);
}

// "<option>: <n> is outside lo..hi", the message of a number out of range.
std::string Outside(const std::string &option, long long n, long long lo, long long hi);

// The option list of --help: one line per row, aligned.
std::string HelpList(const std::vector<const Spec *> &rows);
// The option list of the manual page in scdoc: a heading per group, then
// each option with its help line and further sentences.
std::string ManList(const std::vector<const Spec *> &rows);

// The one form of an error line: "<program>: <error>\n".
void PrintError(const char *program, const std::string &error);

}   // namespace cli
