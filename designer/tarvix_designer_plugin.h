// The widget collection that Qt Designer loads: every control that the
// units' Register() functions put on the palette.
#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include "controls/palette.h"

class TarvixWidgetPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    TarvixWidgetPlugin(const PaletteEntry &entry, QObject *parent);

    QString name() const override { return FEntry.className; }
    QString group() const override { return FEntry.group; }
    QString toolTip() const override { return FEntry.toolTip; }
    QString whatsThis() const override { return FEntry.toolTip; }
    QString includeFile() const override { return FEntry.includeFile; }
    QIcon icon() const override;
    bool isContainer() const override { return FEntry.container; }
    QString domXml() const override { return FEntry.domXml; }
    QWidget *createWidget(QWidget *parent) override;
    bool isInitialized() const override { return FInitialized; }
    void initialize(QDesignerFormEditorInterface *) override { FInitialized = true; }

private:
    PaletteEntry FEntry;
    bool FInitialized = false;
};

class TarvixWidgetCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit TarvixWidgetCollection(QObject *parent = nullptr);
    QList<QDesignerCustomWidgetInterface *> customWidgets() const override { return FWidgets; }

private:
    QList<QDesignerCustomWidgetInterface *> FWidgets;
};
