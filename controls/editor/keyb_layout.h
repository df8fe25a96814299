// The keyboard layout of the desktop, as the editor's status bar shows it
// and its lone-Ctrl switch changes it. Read from X11's keyboard extension;
// without an X11 display (Wayland, offscreen) the name is "?" and nothing
// switches.
#pragma once

#include <QString>
#include <QtGlobal>

namespace KeybLayout {

// "En", "Ru" or "Uk" for the active layout group's language, "?" otherwise.
QString CurrentName();

// Activates the next layout group (after the last comes the first); false
// when there is no X11 display or only one group.
bool SwitchToNext();

// The Latin key (Qt::Key_A ... Qt::Key_Z, digits, ASCII punctuation) that a
// physical key carries in any layout group, or 0: Ctrl commands follow the
// key, not the active layout (Ctrl+C stays Ctrl+C under a Cyrillic layout).
int LatinKey(quint32 nativeScanCode);

// The short name for an X keyboard layout name ("us", "ru", "ua", "gb(intl)").
QString NameForLayout(const QString &xkbLayout);

}   // namespace KeybLayout
