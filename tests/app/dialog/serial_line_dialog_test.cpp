// The "Line…" button of the serial panel and its box: the options come from
// [SerialLine], the box edits them (Cancel keeps them), OK saves them; the
// button sits in the panel without touching its fields, and both render.
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>

#include "app/Selconnunit.h"
#include "app/serial_line_box.h"
#include "app/tarvix_app.h"
#include "tests/app/dialog/dialog_support.h"
#include "view/Tarvix_unit.h"
#include "view/fonts.h"

namespace {

// Runs `act` on the serial line box once it shows.
void OnBox(std::function<void(TSerialLineBox *)> act)
{
    QTimer::singleShot(0, [act] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<TSerialLineBox *>(w); b && b->isVisible())
                return act(b);
        QFAIL("no serial line box");
    });
}

void Render(QWidget *w, const QString &name)
{
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    QVERIFY(w->grab().save(QStringLiteral(TARVIX_RENDER_DIR "/") + name));
}

}   // namespace

class SerialLineDialogTest : public QObject {
    Q_OBJECT
private slots:
    void optionsLoadEditAndSave();
    void buttonFitsThePanel();
};

void SerialLineDialogTest::optionsLoadEditAndSave()
{
    ScopedCurrentDir dir;
    QVERIFY(Tarvix_Form == nullptr);   // OK can only save here
    WriteAll(dir.filePath("Tarvix.ini"), "[SerialLine]\nReplyEnd=length\nEcho=on\n");
    TSelConnForm d;
    QCOMPARE(d.LineOptions.End, ReplyEnd::Length);
    QCOMPARE(d.LineOptions.Echo, EchoMode::On);

    // Cancel keeps the options.
    OnBox([](TSerialLineBox *b) {
        QCOMPARE(b->ReplyEndBox->currentText(), QStringLiteral("length"));
        QCOMPARE(b->TxBeforeEdit->text(), QStringLiteral("as today"));
        b->EchoBox->setCurrentIndex(0);
        b->reject();
    });
    d.LineButton->click();
    QCOMPARE(d.LineOptions.Echo, EchoMode::On);

    OnBox([](TSerialLineBox *b) {
        b->EchoBox->setCurrentIndex(2);
        b->TxAfterEdit->setValue(400);
        b->RequestGapEdit->setValue(5);
        b->accept();
    });
    d.LineButton->click();
    QCOMPARE(d.LineOptions.Echo, EchoMode::Auto);
    QCOMPARE(d.LineOptions.TxDelayAfterUs, 400);
    QCOMPARE(d.LineOptions.RequestGapMs, 5u);
    d.OkButton->click();
    const QByteArray file = ReadAll(dir.filePath("Tarvix.ini"));
    QVERIFY2(file.contains("[SerialLine]\nReplyEnd=length\nEcho=auto\nTxDelayBefore=-1\nTxDelayAfter=400\n"
                           "RequestGap=5\n"),
             file.constData());
}

void SerialLineDialogTest::buttonFitsThePanel()
{
    ScopedCurrentDir dir;
    TSelConnForm d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.ConnTypeGroup->button(2)->click();
    QCOMPARE(d.LineButton->parentWidget(), d.SerPanel);
    QVERIFY(d.SerPanel->rect().contains(d.LineButton->geometry()));
    QVERIFY(d.LineButton->width() >= d.LineButton->sizeHint().width());
    for (QWidget *o : d.SerPanel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (o != d.LineButton)
            QVERIFY2(!o->geometry().intersects(d.LineButton->geometry()), o->metaObject()->className());
    Render(&d, QStringLiteral("dialog-com-line.png"));

    TSerialLineBox box(&d);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (QWidget *w : box.findChildren<QWidget *>())
        if (w->isVisible())
            QVERIFY2(w->width() >= w->minimumSizeHint().width(), w->metaObject()->className());
    Render(&box, QStringLiteral("serial-line-box.png"));
}

int main(int argc, char **argv)
{
    TarvixApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarvix"));
    InstallFontSubstitutions();
    SerialLineDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "serial_line_dialog_test.moc"
