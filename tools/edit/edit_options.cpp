#include "tools/edit/edit_options.h"

#include <QFileInfo>

namespace EditCommandLine {

namespace {

using Row = cli::Option<EditOptions>;
using cli::ValueKind;
using V = cli::Value;

Row Switch(const char *name, const char *help, bool EditOptions::*field, const char *alias = "", bool first = false)
{
    return {{name, "", ValueKind::None, 0, 0, "", "", help, "", alias, first}, [field](EditOptions &o, const V &) {
                o.*field = true;
                return std::string();
            }};
}

Row Number(const char *name, long long hi, const char *help, int EditOptions::*field)
{
    return {{name, "N", ValueKind::Whole, 1, hi, "", "", help}, [field](EditOptions &o, const V &v) {
                o.*field = int(v.n);
                return std::string();
            }};
}

}   // namespace

const std::vector<cli::Option<EditOptions>> &OptionRows()
{
    static const std::vector<Row> rows = {
        Switch("--read-only", "show the text without letting it change", &EditOptions::ReadOnly),
        {{"--comment-style", "STYLE", ValueKind::Choice, 0, 0, "none|slash|semicolon", "",
          "none, slash (//) or semicolon (;); default by the file's extension",
          "What the comment commands write and the painter shows as a comment. By default // for C-like sources, ; "
          "for assembler and INI files, none for anything else."},
         [](EditOptions &o, const V &v) {
             o.CommentStyle = int(v.n);
             return std::string();
         }},
        Number("--tab-size", MaxTabSize, "columns per tab stop (1 to 64)", &EditOptions::TabSize),
        Number("--highlight-line", 1000000000, "highlight line N (counted from 1)", &EditOptions::HighlightLine),
        Switch("--layout-switch-on-ctrl", "a lone Ctrl switches the keyboard layout",
               &EditOptions::LayoutSwitchOnCtrl),
        Switch("--version", "print the version and exit", &EditOptions::Version, "", true),
        Switch("--help", "print this help and exit", &EditOptions::Help, "-h", true),
    };
    return rows;
}

bool Parse(const QStringList &args, EditOptions &options, QString &error)
{
    options = EditOptions();
    std::vector<std::string> words;
    for (const QString &a : args)
        words.push_back(a.toLocal8Bit().toStdString());
    cli::Operands files;
    files.operand = [&](const std::string &word) {
        const QString file = QString::fromLocal8Bit(word);
        if (!options.File.isEmpty())
            return QStringLiteral("one file at most: \"%1\"").arg(file).toStdString();
        options.File = file;
        return std::string();
    };
    std::string why;
    if (cli::Parse(OptionRows(), words, options, why, files))
        return true;
    error = QString::fromStdString(why);
    return false;
}

QString HelpText()
{
    return QStringLiteral("usage: tarvix-edit [OPTIONS] [FILE]\n"
                          "Edits FILE (created by the first save when it does not exist).\n"
                          "F2 saves, F3 opens, F10 opens the menu, Alt+X quits.\n"
                          "\n") +
           QString::fromStdString(cli::HelpList(cli::Specs(OptionRows())));
}

int CommentStyleForFile(const QString &fileName)
{
    static const QStringList slash = {"c",  "h",    "cc", "cpp", "cxx", "c++", "hh", "hpp",   "hxx", "h++", "ino",
                                      "cs", "java", "js", "ts",  "go",  "rs",  "kt", "swift", "m",   "mm",  "d"};
    static const QStringList semicolon = {"asm", "s", "inc", "a51", "ini"};
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext.isEmpty())
        return 0;
    if (slash.contains(ext))
        return 1;
    if (semicolon.contains(ext))
        return 2;
    return 0;
}

}   // namespace EditCommandLine
