#include "palette.h"

namespace {

QList<PaletteEntry> &Entries()
{
    static QList<PaletteEntry> entries;
    return entries;
}

} // namespace

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
