// The keyboard layout on a real X server (run by with-xvfb.sh, layouts us
// and ru): its name in the status field, the lone-Ctrl switch, and the
// field following switches that other programs or the keyboard make.
#include <QKeyEvent>
#include <QProcess>
#include <QtTest>

#include "controls/Gtextfield.h"
#include "controls/editor/Progedit.h"
#include "platform/keyb_layout.h"
// X11 headers come after Qt's; their event names clash with QEvent's.
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#undef KeyPress
#undef KeyRelease

namespace {

// Locks the layout group from a connection of its own, as another program would.
void LockGroupElsewhere(unsigned group)
{
    Display *other = XOpenDisplay(nullptr);
    QVERIFY(other);
    XkbLockGroup(other, XkbUseCoreKbd, group);
    XSync(other, False);
    XCloseDisplay(other);
}

// Presses and releases a key as the keyboard would, so that the server's
// keymap acts on it (X key code 66 is Caps Lock).
void PressKeyElsewhere(unsigned keycode)
{
    Display *other = XOpenDisplay(nullptr);
    QVERIFY(other);
    XTestFakeKeyEvent(other, keycode, True, CurrentTime);
    XTestFakeKeyEvent(other, keycode, False, CurrentTime);
    XSync(other, False);
    XCloseDisplay(other);
}

bool Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}   // namespace

class EditorX11Test : public QObject {
    Q_OBJECT
private slots:
    void layoutNameAndSwitch()
    {
        QCOMPARE(KeybLayout::CurrentName(), QString("En"));
        QVERIFY(KeybLayout::SwitchToNext());
        QTRY_COMPARE(KeybLayout::CurrentName(), QString("Ru"));
        QVERIFY(KeybLayout::SwitchToNext());
        QTRY_COMPARE(KeybLayout::CurrentName(), QString("En"));
    }

    void ctrlKeysUnderCyrillic()
    {
        // X key code 54 carries c in us and Cyrillic es in ru.
        QCOMPARE(KeybLayout::LatinKey(54), int(Qt::Key_C));
        QCOMPARE(KeybLayout::LatinKey(34), int(Qt::Key_BracketLeft));
        QCOMPARE(KeybLayout::LatinKey(0), 0);
        TProgEdit edit;
        edit.Model().ReplaceText(EditLines{QStringLiteral("abc")});
        // Ctrl+Y (key code 29) under ru deletes the line; a plain Cyrillic letter types.
        QKeyEvent ctrlY(QEvent::KeyPress, 0x041D /* Н */, Qt::ControlModifier, 29, 0, 0, QStringLiteral("\x19"));
        QApplication::sendEvent(&edit, &ctrlY);
        QCOMPARE(edit.Model().Lines().at(0), QString());
        QKeyEvent letter(QEvent::KeyPress, 0x041D /* Н */, Qt::NoModifier, 29, 0, 0, QStringLiteral("н"));
        QApplication::sendEvent(&edit, &letter);
        QCOMPARE(edit.Model().Lines().at(0), QString("н"));
    }

    void loneCtrlSwitches()
    {
        TProgEdit edit;
        edit.resize(300, 120);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QCOMPARE(edit.LangField()->Text(), QString("En"));
        edit.setSwitchKeybLayoutOnCtrl(true);
        QTest::keyPress(&edit, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(&edit, Qt::Key_Control, Qt::NoModifier);
        QTRY_COMPARE(KeybLayout::CurrentName(), QString("Ru"));
        QTRY_COMPARE(edit.LangField()->Text(), QString("Ru"));
        // Ctrl with another key is no switch.
        QTest::keyPress(&edit, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
        QTest::keyRelease(&edit, Qt::Key_Control, Qt::NoModifier);
        QTest::qWait(50);
        QCOMPARE(KeybLayout::CurrentName(), QString("Ru"));
        QTest::keyPress(&edit, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(&edit, Qt::Key_Control, Qt::NoModifier);
        QTRY_COMPARE(KeybLayout::CurrentName(), QString("En"));
    }

    // A switch made elsewhere reaches the field through the server's
    // notification alone: no cursor move, no key to the editor. The name is
    // the cached one until that notification is handled.
    void fieldFollowsEverySwitch()
    {
        TProgEdit edit;
        edit.Model().ReplaceText(EditLines{QStringLiteral("abc"), QStringLiteral("def")});
        edit.SetCursor(1, 2);
        edit.resize(300, 120);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTRY_COMPARE(edit.LangField()->Text(), QString("En"));

        LockGroupElsewhere(1);
        QCOMPARE(KeybLayout::CurrentName(), QString("En"));   // not yet told: no request per read
        QTRY_COMPARE(edit.LangField()->Text(), QString("Ru"));
        LockGroupElsewhere(0);
        QTRY_COMPARE(edit.LangField()->Text(), QString("En"));

        // By the keyboard: the Caps Lock key toggles the group.
        QVERIFY(Run("setxkbmap", {"-layout", "us,ru", "-option", "grp:caps_toggle"}));
        QTRY_COMPARE(KeybLayout::TKeybLayoutWatcher::Instance()->GroupCount(), 2);
        for (const char *shown : {"Ru", "En"}) {
            PressKeyElsewhere(66);
            QTRY_COMPARE(edit.LangField()->Text(), QString(shown));
        }
        QCOMPARE(edit.Model().Cursor().Line, 1);
        QCOMPARE(edit.Model().Cursor().Col, 2);
        QVERIFY(Run("setxkbmap", {"-layout", "us,ru", "-option", ""}));
    }
};

QTEST_MAIN(EditorX11Test)
#include "editor_x11_test.moc"
