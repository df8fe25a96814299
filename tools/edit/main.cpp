// tarvix-edit [FILE]: the control set's program text editor in a window of
// its own. A FILE that does not exist yet is created by the first save.
#include <cstdio>

#include <QApplication>
#include <QFont>
#include <QStringList>

#include "tools/edit/edit_window.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvix-edit"));
    // The editor's fonts, mapped onto fonts with the same character widths.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));

    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() > 1 || (args.size() == 1 && args.first().startsWith(QLatin1Char('-')))) {
        fprintf(stderr, "usage: tarvix-edit [FILE]\n");
        return 2;
    }
    TEditWindow window;
    if (!args.isEmpty())
        window.OpenFile(args.first());
    window.show();
    return app.exec();
}
