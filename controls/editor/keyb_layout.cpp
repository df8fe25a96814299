#include "controls/editor/keyb_layout.h"

#include <QGuiApplication>
#include <QStringList>

#include <qguiapplication_platform.h>
// X11 headers come after Qt's: they define macros that clash with Qt names.
#include <X11/XKBlib.h>
#include <X11/extensions/XKBrules.h>
#include <cstdlib>

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

}   // namespace

QString CurrentName()
{
    Display *dpy = X11Display();
    if (!dpy)
        return QStringLiteral("?");
    XkbStateRec state{};
    if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success)
        return QStringLiteral("?");
    const QStringList layouts = GroupLayouts(dpy);
    if (state.group >= layouts.size())
        return QStringLiteral("?");
    return NameForLayout(layouts[state.group]);
}

bool SwitchToNext()
{
    Display *dpy = X11Display();
    if (!dpy)
        return false;
    XkbStateRec state{};
    if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success)
        return false;
    const int groups = static_cast<int>(GroupLayouts(dpy).size());
    if (groups < 2)
        return false;
    XkbLockGroup(dpy, XkbUseCoreKbd, static_cast<unsigned>((state.group + 1) % groups));
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
