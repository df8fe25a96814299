#include <QIcon>
#include <QImage>
#include <QPluginLoader>
#include <QSet>
#include <QTest>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class DesignerPluginTest : public QObject {
    Q_OBJECT

private slots:
    void pluginOffersTheControls();
};

void DesignerPluginTest::pluginOffersTheControls()
{
    QPluginLoader loader(QStringLiteral(TARVIX_DESIGNER_PLUGIN));
    QObject *instance = loader.instance();
    QVERIFY2(instance, qPrintable(loader.errorString()));
    auto *collection = qobject_cast<QDesignerCustomWidgetCollectionInterface *>(instance);
    QVERIFY(collection);

    QSet<QString> names;
    QList<QImage> icons;
    QWidget parent;
    for (QDesignerCustomWidgetInterface *w : collection->customWidgets()) {
        names.insert(w->name());
        QCOMPARE(w->group(), QStringLiteral("Tarvix"));
        QVERIFY(!w->isContainer());
        QVERIFY(w->includeFile().startsWith(QStringLiteral("controls/")) &&
                w->includeFile().endsWith(QStringLiteral(".h")));
        QVERIFY(w->domXml().contains(QStringLiteral("class=\"%1\"").arg(w->name())));
        QWidget *made = w->createWidget(&parent);
        QVERIFY(made);
        QCOMPARE(QString::fromLatin1(made->metaObject()->className()), w->name());
        // Each control has a drawing of its own on the widget box.
        const QImage icon = w->icon().pixmap(22, 22).toImage();
        QVERIFY2(!icon.isNull() && icon.size() == QSize(22, 22), qPrintable(w->name()));
        for (const QImage &other : icons)
            QVERIFY2(icon != other, qPrintable(w->name()));
        icons.append(icon);
    }
    for (const char *name : {"TGTextField", "TGraphButton", "TPictureButton", "TLogList", "TNScrollBar", "TProgEdit"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    // Each control once.
    QCOMPARE(names.size(), collection->customWidgets().size());
}

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
