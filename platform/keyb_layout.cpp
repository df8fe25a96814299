#include "platform/keyb_layout.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>

#include <qguiapplication_platform.h>
// X11 headers come after Qt's: they define macros that clash with Qt names.
#include <X11/XKBlib.h>
#include <X11/extensions/XKBrules.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace KeybLayout {

QString NameForLayout(const QString &xkbLayout)
{
    // "gb(intl)" and "us:2" name the layout "gb" and "us".
    const QString base = xkbLayout.section(QLatin1Char('('), 0, 0).section(QLatin1Char(':'), 0, 0).trimmed();
    static const QStringList english = {QStringLiteral("us"), QStringLiteral("gb"), QStringLiteral("au"),
                                        QStringLiteral("nz"), QStringLiteral("ie"), QStringLiteral("za"),
                                        QStringLiteral("en")};
    if (english.contains(base))
        return QStringLiteral("En");
    if (base == QLatin1String("ru"))
        return QStringLiteral("Ru");
    if (base == QLatin1String("ua"))
        return QStringLiteral("Uk");
    return QStringLiteral("?");
}

namespace {

Display *X11Display()
{
    auto *app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->display() : nullptr;
}

// The layout names of the groups, from the root window's rules property.
QStringList GroupLayouts(Display *dpy)
{
    QStringList layouts;
    XkbRF_VarDefsRec vars{};
    char *rulesFile = nullptr;
    if (XkbRF_GetNamesProp(dpy, &rulesFile, &vars)) {
        if (vars.layout)
            layouts = QString::fromLatin1(vars.layout).split(QLatin1Char(','));
        std::free(rulesFile);
        std::free(vars.model);
        std::free(vars.layout);
        std::free(vars.variant);
        std::free(vars.options);
    }
    return layouts;
}

// The start of an Xkb event as it comes over the wire (32 bytes): the
// event code, the Xkb event kind and, for a state notification, the
// effective group.
struct XkbWireEvent {
    std::uint8_t type;
    std::uint8_t xkbType;
    std::uint16_t sequence;
    std::uint32_t time;
    std::uint8_t deviceId;
    std::uint8_t mods, baseMods, latchedMods, lockedMods;
    std::uint8_t group;
};
static_assert(offsetof(XkbWireEvent, group) == 13);

// A PropertyNotify event on the wire.
struct PropertyWireEvent {
    std::uint8_t type;
    std::uint8_t pad;
    std::uint16_t sequence;
    std::uint32_t window;
    std::uint32_t atom;
};
static_assert(offsetof(PropertyWireEvent, atom) == 8);

constexpr std::uint8_t WirePropertyNotify = 28;
constexpr std::uint8_t ResponseTypeMask = 0x7f;   // without the "sent by a client" bit

}   // namespace

TKeybLayoutWatcher *TKeybLayoutWatcher::Instance()
{
    static QPointer<TKeybLayoutWatcher> watcher;
    if (!watcher && qGuiApp)
        watcher = new TKeybLayoutWatcher(qGuiApp);
    return watcher;
}

TKeybLayoutWatcher::TKeybLayoutWatcher(QObject *parent) : QObject(parent)
{
    Display *dpy = X11Display();
    int opcode = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!dpy || !XkbQueryExtension(dpy, &opcode, &FXkbEventBase, &errorBase, &major, &minor)) {
        FXkbEventBase = -1;
        return;
    }
    // Only the bits named are changed: what Qt itself selected on this
    // connection stays selected.
    XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
    XkbSelectEvents(dpy, XkbUseCoreKbd, XkbNewKeyboardNotifyMask, XkbNewKeyboardNotifyMask);
    // The layout names live in a root window property: watch it, adding
    // to the root window's event mask rather than replacing it.
    const Window root = DefaultRootWindow(dpy);
    XWindowAttributes attrs{};
    if (XGetWindowAttributes(dpy, root, &attrs) && !(attrs.your_event_mask & PropertyChangeMask))
        XSelectInput(dpy, root, attrs.your_event_mask | PropertyChangeMask);
    FRulesAtom = quint32(XInternAtom(dpy, "_XKB_RULES_NAMES", False));
    FRoot = quint32(root);
    XFlush(dpy);
    Refresh(true);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

void TKeybLayoutWatcher::Refresh(bool names)
{
    Display *dpy = X11Display();
    if (!dpy || FXkbEventBase < 0)
        return;
    if (names)
        FLayouts = GroupLayouts(dpy);
    XkbStateRec state{};
    if (XkbGetState(dpy, XkbUseCoreKbd, &state) == Success)
        FGroup = state.group;
    SetGroup(FGroup);
}

void TKeybLayoutWatcher::SetGroup(int group)
{
    FGroup = group;
    const QString name = group < FLayouts.size() ? NameForLayout(FLayouts[group]) : QStringLiteral("?");
    if (name != FName) {
        FName = name;
        emit Changed(FName);
    }
}

bool TKeybLayoutWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (FXkbEventBase < 0 || eventType != "xcb_generic_event_t" || !message)
        return false;
    XkbWireEvent ev;
    std::memcpy(&ev, message, sizeof ev);
    const std::uint8_t type = ev.type & ResponseTypeMask;
    if (type == FXkbEventBase) {
        if (ev.xkbType == XkbStateNotify && ev.group != FGroup)
            SetGroup(ev.group);
        else if (ev.xkbType == XkbNewKeyboardNotify)
            Refresh(true);
    } else if (type == WirePropertyNotify) {
        PropertyWireEvent prop;
        std::memcpy(&prop, message, sizeof prop);
        if (prop.atom == FRulesAtom && prop.window == FRoot)
            Refresh(true);
    }
    return false;   // Qt handles every event as before
}

QString CurrentName()
{
    const TKeybLayoutWatcher *watcher = TKeybLayoutWatcher::Instance();
    return watcher ? watcher->Name() : QStringLiteral("?");
}

bool SwitchToNext()
{
    Display *dpy = X11Display();
    const TKeybLayoutWatcher *watcher = TKeybLayoutWatcher::Instance();
    if (!dpy || !watcher || watcher->GroupCount() < 2)
        return false;
    // The group the server has now, not the cached one: two switches in a
    // row before the first one's notification arrives still go two steps.
    XkbStateRec state{};
    if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success)
        return false;
    XkbLockGroup(dpy, XkbUseCoreKbd, static_cast<unsigned>((state.group + 1) % watcher->GroupCount()));
    XFlush(dpy);
    return true;
}

int LatinKey(quint32 nativeScanCode)
{
    Display *dpy = X11Display();
    if (!dpy || nativeScanCode < 8 || nativeScanCode > 255)
        return 0;
    for (unsigned group = 0; group < XkbNumKbdGroups; ++group) {
        const KeySym sym = XkbKeycodeToKeysym(dpy, KeyCode(nativeScanCode), int(group), 0);
        if (sym > 0x20 && sym < 0x7f)   // printable ASCII; Qt's code is the upper case
            return int(QChar::toUpper(char32_t(sym)));
    }
    return 0;
}

}   // namespace KeybLayout
