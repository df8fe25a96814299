// The command line of tarvix-edit: tarvix-edit [OPTIONS] [FILE]. Parsed
// before any window exists, so --help, --version and a wrong option need
// no display.
#pragma once

#include <QString>
#include <QStringList>

#include "tools/cli/option_table.h"

struct EditOptions {
    QString File;
    bool ReadOnly = false;
    int CommentStyle = -1;   // 0 none, 1 "//", 2 ";"; -1: by the file's extension
    int TabSize = 0;   // 0: the control's own
    int HighlightLine = 0;   // counted from 1; 0: none
    bool LayoutSwitchOnCtrl = false;
    bool Help = false;
    bool Version = false;
};

namespace EditCommandLine {

inline constexpr int MaxTabSize = 64;

// The rows of the command line.
const std::vector<cli::Option<EditOptions>> &OptionRows();

// Parses the arguments after the program name. False, with one line naming
// the option at fault, for an unknown option, a missing or wrong value, or a
// second file (without the program's name).
bool Parse(const QStringList &args, EditOptions &options, QString &error);

// The text of --help: the usage line and every option.
QString HelpText();

// The comment style a file's name suggests: "//" for C-like sources, ";"
// for assembler and INI files, none for anything else.
int CommentStyleForFile(const QString &fileName);

}   // namespace EditCommandLine
