// The console programs' option table: each kind of value and its errors in
// the one format, both spellings of a value, operands, the options that
// answer alone, and the help and manual lists made from the rows.

#include <gtest/gtest.h>

#include "tools/cli/option_table.h"

namespace {

struct Opts {
    long long count = 0;
    double seconds = 0;
    int format = -1;
    std::string host;
    bool flag = false, help = false;
    std::vector<std::string> files;
};

using Row = cli::Option<Opts>;
using cli::ValueKind;

const std::vector<Row> &Rows()
{
    static const std::vector<Row> rows = {
        {{"--count", "N", ValueKind::Whole, 1, 2000, "", "Exchange", "values to read"},
         [](Opts &o, const cli::Value &v) {
             o.count = v.n;
             return std::string();
         }},
        {{"--seconds", "S", ValueKind::Real, 0, 100, "", "Run time", "end after S seconds", "Or never."},
         [](Opts &o, const cli::Value &v) {
             o.seconds = v.x;
             return std::string();
         }},
        {{"--format", "", ValueKind::Choice, 0, 0, "tsv|csv|jsonl", "Output", "the output"},
         [](Opts &o, const cli::Value &v) {
             o.format = int(v.n);
             return std::string();
         }},
        {{"--tcp", "HOST:PORT", ValueKind::Text, 0, 0, "", "Output", "the slave"},
         [](Opts &o, const cli::Value &v) {
             if (v.text.find(':') == std::string::npos)
                 return "'" + v.text + "' is not HOST:PORT";
             o.host = v.text;
             return std::string();
         }},
        {{"--flag", "", ValueKind::None, 0, 0, "", "Output", "a switch"},
         [](Opts &o, const cli::Value &) {
             o.flag = true;
             return std::string();
         }},
        {{"--help", "", ValueKind::None, 0, 0, "", "Other", "this text", "", "-h", true},
         [](Opts &o, const cli::Value &) {
             o.help = true;
             return std::string();
         }},
    };
    return rows;
}

TEST(OptionTable, ValuesAndErrors)
{
    const struct {
        std::vector<std::string> args;
        const char *error;   // "" when the line is good
    } cases[] = {
        {{"--count", "2000", "--seconds", "0.5", "--format=csv", "--tcp", "h:1", "--flag"}, ""},
        {{"--count", "2001"}, "--count: 2001 is outside 1..2000"},
        {{"--count", "0"}, "--count: 0 is outside 1..2000"},
        {{"--count", "-3"}, "--count: -3 is outside 1..2000"},
        {{"--count", "+3"}, "--count: '+3' is not a whole number"},
        {{"--count", "0x10"}, "--count: '0x10' is not a whole number"},
        {{"--count", "99999999999999999999"}, "--count: '99999999999999999999' is not a whole number"},
        {{"--count="}, "--count: '' is not a whole number"},
        {{"--count"}, "--count: needs a value"},
        {{"--seconds", "0"}, "--seconds: 0 is not above 0"},
        {{"--seconds", "101"}, "--seconds: 101 is above 100"},
        {{"--seconds", "nan"}, "--seconds: 'nan' is not a number"},
        {{"--format", "xml"}, "--format: is tsv, csv or jsonl, not 'xml'"},
        {{"--tcp", "h"}, "--tcp: 'h' is not HOST:PORT"},
        {{"--flag=1"}, "--flag: takes no value"},
        {{"--bogus"}, "--bogus: unknown option"},
        {{"file"}, "file: unknown option"},
    };
    for (const auto &c : cases) {
        Opts o;
        std::string error;
        EXPECT_EQ(cli::Parse(Rows(), c.args, o, error), !*c.error) << c.args[0];
        EXPECT_EQ(error, c.error);
    }
    Opts o;
    std::string error;
    ASSERT_TRUE(cli::Parse(Rows(), cases[0].args, o, error));
    EXPECT_EQ(o.count, 2000);
    EXPECT_EQ(o.seconds, 0.5);
    EXPECT_EQ(o.format, 1);
    EXPECT_EQ(o.host, "h:1");
    EXPECT_TRUE(o.flag);
}

TEST(OptionTable, HelpAnswersAloneAndOperandsAfterDashes)
{
    Opts o;
    std::string error;
    EXPECT_TRUE(cli::Parse(Rows(), {"--bogus", "-h", "--count", "0"}, o, error));
    EXPECT_TRUE(o.help);
    EXPECT_EQ(o.count, 0);

    cli::Operands files;
    files.operand = [&](const std::string &w) {
        o.files.push_back(w);
        return o.files.size() > 2 ? "one file too many: " + w : std::string();
    };
    o = {};
    EXPECT_TRUE(cli::Parse(Rows(), {"a", "--flag", "--", "--help"}, o, error, files));
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a", "--help"}));
    EXPECT_FALSE(cli::Parse(Rows(), {"c"}, o, error, files));
    EXPECT_EQ(error, "one file too many: c");
}

TEST(OptionTable, HelpAndManualListsComeFromTheRows)
{
    const std::string help = cli::HelpList(cli::Specs(Rows()));
    EXPECT_NE(help.find("  --count N                 values to read\n"), std::string::npos) << help;
    EXPECT_NE(help.find("  --format tsv|csv|jsonl    the output\n"), std::string::npos) << help;
    EXPECT_NE(help.find("  --help, -h                this text\n"), std::string::npos) << help;
    EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), long(Rows().size()));

    const std::string man = cli::ManList(cli::Specs(Rows()));
    EXPECT_EQ(man.rfind("## Exchange\n\n*--count* _N_\n\tValues to read.\n\n## Run time\n\n"
                        "*--seconds* _S_\n\tEnd after S seconds. Or never.\n\n## Output\n\n"
                        "*--format* *tsv*|*csv*|*jsonl*\n\tThe output.\n\n",
                        0),
              0u)
        << man;
}

}   // namespace
