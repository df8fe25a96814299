// The keyboard layout of the desktop, as the editor's status bar shows it
// and its lone-Ctrl switch changes it. Read from X11's keyboard extension;
// without an X11 display (Wayland, offscreen) the name is "?" and nothing
// switches.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace KeybLayout {

// "En", "Ru" or "Uk" for the active layout group's language, "?" otherwise.
// The name is the watcher's cached one: no request goes to the X server.
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

// Follows the X keyboard group: it keeps the active group and the name of
// its layout, and refreshes them when the server reports a group change
// (an Xkb state notification on the application's X connection) or a new
// keymap, whoever made the change (a key, another program, SwitchToNext).
class TKeybLayoutWatcher : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // The application's watcher, made at first use; null without a
    // QGuiApplication.
    static TKeybLayoutWatcher *Instance();

    QString Name() const { return FName; }
    int Group() const { return FGroup; }
    int GroupCount() const { return int(FLayouts.size()); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    // The active group or the layout names changed; name is the new Name().
    void Changed(const QString &name);

private:
    explicit TKeybLayoutWatcher(QObject *parent);
    // Reads the group and, when asked, the layout names from the server.
    void Refresh(bool names);
    void SetGroup(int group);

    int FXkbEventBase = -1;   // -1: no X11 display or no keyboard extension
    quint32 FRulesAtom = 0;   // _XKB_RULES_NAMES
    quint32 FRoot = 0;   // the root window, which holds that property
    int FGroup = 0;
    QStringList FLayouts;
    QString FName = QStringLiteral("?");
};

}   // namespace KeybLayout
