// The program: the application object, the three windows and the message
// loop. It takes no arguments and reads no environment variables of its own;
// its settings are "Tarvix.ini" in the current directory.

#include <QIcon>
#include <exception>

#include "app/Selconnunit.h"
#include "app/app_resources.h"
#include "app/tarvix_app.h"
#include "view/fonts.h"

int main(int argc, char **argv)
{
    TarvixApplication app(argc, argv);
    try {
        // The application's title. It is set as the application name, which
        // the display name falls back to: a display name set on its own is
        // appended by X11 window managers to every window's caption
        // ("Tarvix: Ethernet TCP — Tarvix"), while the captions are exact.
        QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
        InitAppResources();
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvix/icon.png")));
        InstallFontSubstitutions();
        TarvixWindows windows;
        windows.dialog->show();
        TarvixApplication::exec();
    } catch (const std::exception &e) {
        ShowExceptionMessage(e.what());
    } catch (...) {
        ShowExceptionMessage("Unknown exception");
    }
    return 0;
}
