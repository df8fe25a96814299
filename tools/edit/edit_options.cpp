#include "tools/edit/edit_options.h"

#include <QFileInfo>

namespace EditCommandLine {

namespace {

bool WholeNumber(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high || text.startsWith(QLatin1Char('+')))
        return false;
    value = n;
    return true;
}

}   // namespace

bool Parse(const QStringList &args, EditOptions &options, QString &error)
{
    options = EditOptions();
    bool filesOnly = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (filesOnly || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (!options.File.isEmpty()) {
                error = QStringLiteral("tarvix-edit: one file at most: \"%1\"").arg(arg);
                return false;
            }
            options.File = arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            filesOnly = true;
            continue;
        }
        // "--name=value" or "--name value".
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? arg : arg.left(eq);
        const bool takesValue = name == QLatin1String("--comment-style") || name == QLatin1String("--tab-size") ||
                                name == QLatin1String("--highlight-line");
        QString value;
        if (takesValue) {
            if (eq >= 0)
                value = arg.mid(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else {
                error = QStringLiteral("tarvix-edit: %1 needs a value").arg(name);
                return false;
            }
        } else if (eq >= 0) {
            error = QStringLiteral("tarvix-edit: %1 takes no value").arg(name);
            return false;
        }
        bool ok = true;
        if (name == QLatin1String("--read-only"))
            options.ReadOnly = true;
        else if (name == QLatin1String("--layout-switch-on-ctrl"))
            options.LayoutSwitchOnCtrl = true;
        else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            options.Help = true;
        else if (name == QLatin1String("--version"))
            options.Version = true;
        else if (name == QLatin1String("--comment-style")) {
            const QStringList styles = {QStringLiteral("none"), QStringLiteral("slash"), QStringLiteral("semicolon")};
            options.CommentStyle = int(styles.indexOf(value));
            ok = options.CommentStyle >= 0;
        } else if (name == QLatin1String("--tab-size"))
            ok = WholeNumber(value, 1, MaxTabSize, options.TabSize);
        else if (name == QLatin1String("--highlight-line"))
            ok = WholeNumber(value, 1, 1000000000, options.HighlightLine);
        else {
            error = QStringLiteral("tarvix-edit: unknown option %1").arg(name);
            return false;
        }
        if (!ok) {
            error = QStringLiteral("tarvix-edit: %1: wrong value \"%2\"").arg(name, value);
            return false;
        }
    }
    return true;
}

QString HelpText()
{
    return QStringLiteral("usage: tarvix-edit [OPTIONS] [FILE]\n"
                          "Edits FILE (created by the first save when it does not exist).\n"
                          "F2 saves, F3 opens, F10 opens the menu, Alt+X quits.\n"
                          "\n"
                          "  --read-only                  show the text without letting it change\n"
                          "  --comment-style STYLE        none, slash (//) or semicolon (;); by default\n"
                          "                               // for C-like sources, ; for assembler and INI files\n"
                          "  --tab-size N                 columns per tab stop (1 to %1)\n"
                          "  --highlight-line N           highlight line N (counted from 1)\n"
                          "  --layout-switch-on-ctrl      a lone Ctrl switches the keyboard layout\n"
                          "  --version                    print the version and exit\n"
                          "  --help                       print this help and exit\n")
        .arg(MaxTabSize);
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
