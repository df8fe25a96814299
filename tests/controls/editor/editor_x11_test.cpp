// The keyboard layout on a real X server (run by with-xvfb.sh, layouts us
// and ru): its name in the status field, and the lone-Ctrl switch.
#include <QKeyEvent>
#include <QtTest>

#include "controls/Gtextfield.h"
#include "controls/editor/Progedit.h"
#include "controls/editor/keyb_layout.h"

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
        edit.Model().FEditLines = EditLines{QStringLiteral("abc")};
        // Ctrl+Y (key code 29) under ru deletes the line; a plain Cyrillic letter types.
        QKeyEvent ctrlY(QEvent::KeyPress, 0x041D /* Н */, Qt::ControlModifier, 29, 0, 0, QStringLiteral("\x19"));
        QApplication::sendEvent(&edit, &ctrlY);
        QCOMPARE(edit.Model().FEditLines.at(0), QString());
        QKeyEvent letter(QEvent::KeyPress, 0x041D /* Н */, Qt::NoModifier, 29, 0, 0, QStringLiteral("н"));
        QApplication::sendEvent(&edit, &letter);
        QCOMPARE(edit.Model().FEditLines.at(0), QString("н"));
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
};

QTEST_MAIN(EditorX11Test)
#include "editor_x11_test.moc"
