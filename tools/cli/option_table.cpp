#include "tools/cli/option_table.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

namespace {

// "a|b|c" as "a, b or c".
std::string ChoiceWords(const char *choices, const char *sep, const char *last)
{
    std::vector<std::string> words;
    std::string w;
    for (const char *p = choices;; ++p) {
        if (*p == '|' || *p == '\0') {
            words.push_back(w);
            w.clear();
            if (!*p)
                break;
        } else {
            w += *p;
        }
    }
    std::string out;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i)
            out += i + 1 == words.size() ? last : sep;
        out += words[i];
    }
    return out;
}

int ChoiceIndex(const char *choices, const std::string &text)
{
    int index = 0;
    std::string w;
    for (const char *p = choices;; ++p) {
        if (*p == '|' || *p == '\0') {
            if (w == text)
                return index;
            ++index;
            w.clear();
            if (!*p)
                return -1;
        } else {
            w += *p;
        }
    }
}

// Decimal digits with an optional leading minus; no sign, space or base.
bool WholeNumber(const std::string &text, long long &out)
{
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= digits)
        return false;
    for (size_t i = digits; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    errno = 0;
    char *end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

std::string CheckValue(const Spec &s, const std::string &text, Value &v)
{
    v.text = text;
    switch (s.kind) {
    case ValueKind::None:
    case ValueKind::Text: return "";
    case ValueKind::Whole:
        if (!WholeNumber(text, v.n))
            return "'" + text + "' is not a whole number";
        if (v.n < s.lo || v.n > s.hi)
            return text + " is outside " + std::to_string(s.lo) + ".." + std::to_string(s.hi);
        return "";
    case ValueKind::Real: {
        char *end = nullptr;
        v.x = std::strtod(text.c_str(), &end);
        if (text.empty() || text[0] == ' ' || *end != '\0' || !std::isfinite(v.x))
            return "'" + text + "' is not a number";
        if (!(v.x > double(s.lo)))
            return text + " is not above " + std::to_string(s.lo);
        if (v.x > double(s.hi))
            return text + " is above " + std::to_string(s.hi);
        return "";
    }
    case ValueKind::Choice: {
        const int i = ChoiceIndex(s.choices, text);
        if (i < 0)
            return "is " + ChoiceWords(s.choices, ", ", " or ") + ", not '" + text + "'";
        v.n = i;
        return "";
    }
    }
    return "";
}

// The option and its value as the help and the manual show them.
std::string Synopsis(const Spec &s, bool man)
{
    std::string out = man ? std::string("*") + s.name + "*" : s.name;
    if (s.kind == ValueKind::Choice && !*s.arg)
        out += " " + (man ? "*" + ChoiceWords(s.choices, "*|*", "*|*") + "*" : ChoiceWords(s.choices, "|", "|"));
    else if (*s.arg)
        out += man ? std::string(" _") + s.arg + "_" : std::string(" ") + s.arg;
    return out;
}

}   // namespace

bool ParseRows(const std::vector<const Spec *> &rows, const std::vector<std::string> &args,
               const std::function<std::string(size_t, const Value &)> &set, const Operands &operands,
               std::string &error)
{
    // An option that answers by itself (--help, --version) wins over
    // anything else on the line.
    for (const std::string &a : args) {
        if (a == "--")
            break;
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r]->first && (a == rows[r]->name || (*rows[r]->alias && a == rows[r]->alias))) {
                set(r, Value{});
                return true;
            }
    }
    bool operandsOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (operands.operand && (operandsOnly || a.empty() || a[0] != '-' || a == "-")) {
            const std::string why = operands.operand(a);
            if (!why.empty()) {
                error = why;
                return false;
            }
            continue;
        }
        if (operands.operand && a == "--") {
            operandsOnly = true;
            continue;
        }
        // "--name value" or "--name=value".
        const size_t eq = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, eq);
        size_t row = rows.size();
        for (size_t r = 0; r < rows.size(); ++r)
            if (name == rows[r]->name || (*rows[r]->alias && name == rows[r]->alias))
                row = r;
        if (row == rows.size()) {
            error = name + ": unknown option";
            return false;
        }
        const Spec &s = *rows[row];
        std::string text;
        if (s.kind == ValueKind::None) {
            if (eq != std::string::npos) {
                error = name + ": takes no value";
                return false;
            }
        } else if (eq != std::string::npos) {
            text = a.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            text = args[++i];
        } else {
            error = name + ": needs a value";
            return false;
        }
        Value v;
        std::string why = CheckValue(s, text, v);
        if (why.empty())
            why = set(row, v);
        if (!why.empty()) {
            error = std::string(s.name) + ": " + why;
            return false;
        }
    }
    return true;
}

std::string Outside(const std::string &option, long long n, long long lo, long long hi)
{
    return option + ": " + std::to_string(n) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi);
}

std::string HelpList(const std::vector<const Spec *> &rows)
{
    constexpr size_t kColumn = 28;
    std::string out;
    for (const Spec *s : rows) {
        std::string line = "  " + Synopsis(*s, false);
        if (*s->alias)
            line += ", " + std::string(s->alias);
        line += line.size() + 1 < kColumn ? std::string(kColumn - line.size(), ' ') : "\n" + std::string(kColumn, ' ');
        out += line + s->help + "\n";
    }
    return out;
}

std::string ManList(const std::vector<const Spec *> &rows)
{
    std::string out;
    std::string group;
    for (const Spec *s : rows) {
        if (group != s->group) {
            group = s->group;
            if (!group.empty())
                out += "## " + group + "\n\n";
        }
        // The help line as a sentence.
        std::string text = s->help;
        if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
            text[0] = char(text[0] - 'a' + 'A');
        if (!text.empty() && text.back() != '.')
            text += '.';
        if (*s->more)
            text += std::string(" ") + s->more;
        out += Synopsis(*s, true) + "\n\t" + text + "\n\n";
    }
    return out;
}

void PrintError(const char *program, const std::string &error)
{
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
}

}   // namespace cli
