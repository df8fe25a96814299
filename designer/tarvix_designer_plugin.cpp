#include "designer/tarvix_designer_plugin.h"

#include "controls/Graphbutton.h"
#include "controls/Gtextfield.h"
#include "controls/Loglist.h"
#include "controls/Picturebutton.h"
#include "controls/editor/Nscrollbar.h"
#include "controls/editor/Progedit.h"

TarvixWidgetPlugin::TarvixWidgetPlugin(const PaletteEntry &entry, QObject *parent) : QObject(parent), FEntry(entry)
{}

// Each control's own drawing, 22 x 22 like Designer's own icons.
QIcon TarvixWidgetPlugin::icon() const
{
    return QIcon(QStringLiteral(":/tarvix/designer/%1.png").arg(FEntry.className));
}

QWidget *TarvixWidgetPlugin::createWidget(QWidget *parent)
{
    return FEntry.create ? FEntry.create(parent) : nullptr;
}

TarvixWidgetCollection::TarvixWidgetCollection(QObject *parent) : QObject(parent)
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
