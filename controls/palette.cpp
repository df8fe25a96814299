#include "controls/palette.h"

namespace {

QList<PaletteEntry> &Entries()
{
    static QList<PaletteEntry> entries;
    return entries;
}

}   // namespace

PaletteEntry ControlEntry(const QString &className, const QString &toolTip, const QString &includeFile, int width,
                          int height, std::function<QWidget *(QWidget *)> create)
{
    PaletteEntry e;
    e.className = className;
    e.group = PaletteGroup;
    e.toolTip = toolTip;
    e.includeFile = includeFile;
    // The object name is the class name without its T prefix.
    const QString name = className.startsWith(QLatin1Char('T')) ? className.mid(1) : className;
    e.domXml = QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\">"
                              "<property name=\"geometry\"><rect><x>0</x><y>0</y>"
                              "<width>%3</width><height>%4</height></rect></property>"
                              "</widget></ui>")
                   .arg(className, name)
                   .arg(width)
                   .arg(height);
    e.container = false;
    e.create = std::move(create);
    return e;
}

void RegisterComponent(const PaletteEntry &entry)
{
    QList<PaletteEntry> &entries = Entries();
    for (PaletteEntry &e : entries) {
        if (e.className == entry.className) {
            e = entry;
            return;
        }
    }
    entries.append(entry);
}

const QList<PaletteEntry> &RegisteredComponents()
{
    return Entries();
}
