#include "tarvix_designer_plugin.h"

#include "Graphbutton.h"
#include "Gtextfield.h"
#include "Loglist.h"
#include "Nscrollbar.h"
#include "Picturebutton.h"
#include "Progedit.h"

TarvixWidgetPlugin::TarvixWidgetPlugin(const PaletteEntry &entry, QObject *parent)
    : QObject(parent), FEntry(entry)
{
}

QWidget *TarvixWidgetPlugin::createWidget(QWidget *parent)
{
    return FEntry.create ? FEntry.create(parent) : nullptr;
}

TarvixWidgetCollection::TarvixWidgetCollection(QObject *parent)
    : QObject(parent)
{
    Gtextfield::Register();
    Graphbutton::Register();
    Picturebutton::Register();
    Loglist::Register();
    Nscrollbar::Register();
    Progedit::Register();
    for (const PaletteEntry &entry : RegisteredComponents())
        FWidgets.append(new TarvixWidgetPlugin(entry, this));
}
