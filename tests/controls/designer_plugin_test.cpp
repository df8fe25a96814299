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
    }
    for (const char *name : {"TGTextField", "TGraphButton", "TPictureButton", "TNScrollBar", "TProgEdit"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    // Each control once.
    QCOMPARE(names.size(), collection->customWidgets().size());
}

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
