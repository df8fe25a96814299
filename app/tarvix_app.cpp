#include "app/tarvix_app.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

#include "app/Aboutunit.h"
#include "app/Selconnunit.h"
#include "app/grid_view_settings.h"
#include "view/Tarvix_unit.h"

TarvixApplication::TarvixApplication(int &argc, char **argv) : QApplication(argc, argv)
{}

bool TarvixApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowExceptionMessage(e.what());
    } catch (...) {
        ShowExceptionMessage("Unknown exception");
    }
    return false;
}

void ShowExceptionMessage(const char *what)
{
    if (!qApp) {
        std::fprintf(stderr, "%s\n", what);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), QString::fromUtf8(what),
                    QMessageBox::Ok);
    box.exec();
}

TarvixWindows::TarvixWindows()
{
    dialog = std::make_unique<TSelConnForm>();
    main = std::make_unique<TTarvix_Form>();
    main->SetConnectionDialog(dialog.get());
    // The grid's format, order and notation: from the file when it keeps
    // them, and back to it whenever the user picks another.
    if (GridViewSettings g; LoadGridViewSettings(g))
        main->SetGridView({g.Format, g.Order, g.Addresses});
    QObject::connect(main.get(), &TTarvix_Form::GridViewChanged, main.get(), [](const GridViewChoice &c) {
        SaveGridViewSettings({c.format, c.order, c.notation});
    });
    dialog->SetMainWindow(main.get());
    about = std::make_unique<TAboutForm>();
}

TarvixWindows::~TarvixWindows()
{
    about.reset();
    main.reset();
    dialog.reset();
}
