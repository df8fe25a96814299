// tarvix-edit [OPTIONS] [FILE]: the control set's program text editor in a
// window of its own. A FILE that does not exist yet is created by the first
// save. The options are in edit_options.h (--help lists them).
#include <cstdio>

#include <QApplication>
#include <QFont>
#include <QStringList>

#include "controls/editor/Progedit.h"
#include "tarvix_version.h"
#include "tools/edit/edit_options.h"
#include "tools/edit/edit_window.h"

int main(int argc, char *argv[])
{
    // Read before the application exists, so that --help, --version and a
    // wrong option need no display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    EditOptions options;
    QString error;
    if (!EditCommandLine::Parse(args, options, error)) {
        cli::PrintError("tarvix-edit", error.toLocal8Bit().toStdString());
        return 2;
    }
    if (options.Help) {
        fputs(qPrintable(EditCommandLine::HelpText()), stdout);
        return 0;
    }
    if (options.Version) {
        fputs(TARVIX_VERSION_TEXT("tarvix-edit"), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvix-edit"));
    // The editor's fonts, mapped onto fonts with the same character widths.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));

    TEditWindow window;
    window.CommentStyleOption = options.CommentStyle;
    EditModel &m = window.Editor()->Model();
    if (options.TabSize > 0)
        m.TabSize = options.TabSize;
    window.Editor()->setSwitchKeybLayoutOnCtrl(options.LayoutSwitchOnCtrl);
    if (!options.File.isEmpty())
        window.OpenFile(options.File);
    else if (options.CommentStyle >= 0)
        m.CommentStyle = std::uint8_t(options.CommentStyle);
    // After the file: loading a file clears the highlighted line.
    if (options.HighlightLine > 0)
        m.HighlightLine = options.HighlightLine - 1;
    m.ReadOnly = options.ReadOnly;
    window.show();
    return app.exec();
}
