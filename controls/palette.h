// The design-time palette: each control unit's Register() function adds
// its control here, and the Qt Designer plugin offers every entry on
// Designer's widget box.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;

struct PaletteEntry {
    QString className;   // the widget's class, as Designer and uic know it
    QString group;   // widget box group
    QString toolTip;
    QString includeFile;   // header that uic-generated code includes
    QString domXml;   // initial XML of a newly placed widget
    bool container = false;
    std::function<QWidget *(QWidget *)> create;
};

// The widget box group of the project's controls.
inline const QString PaletteGroup = QStringLiteral("Tarvix");

// An entry of the project's group for a widget that holds no others, placed
// at the given size.
PaletteEntry ControlEntry(const QString &className, const QString &toolTip, const QString &includeFile, int width,
                          int height, std::function<QWidget *(QWidget *)> create);

// Adds an entry; a second entry of the same class replaces the first, so a
// unit registered twice appears once.
void RegisterComponent(const PaletteEntry &entry);
const QList<PaletteEntry> &RegisteredComponents();
