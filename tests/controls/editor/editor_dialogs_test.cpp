// The editor's dialogs: texts, modal results, tab order and placement, and
// the keyboard layout names. Each dialog is rendered to a PNG for a look.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include "controls/editor/Askfillcharunit.h"
#include "controls/editor/Asklinenounit.h"
#include "controls/editor/Peditreplacepromptunit.h"
#include "controls/editor/Peditreplaceunit.h"
#include "controls/editor/Peditsearchunit.h"
#include "controls/editor/Progedit.h"
#include "platform/keyb_layout.h"

namespace {

// Every child widget lies inside the dialog, and no label, check box, radio
// button or push button needs more room than it has.
void CheckNothingClipped(QWidget *dlg)
{
    dlg->show();   // lays out the radio groups
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    const QRect inside = dlg->rect();
    for (QWidget *w : dlg->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(dlg))
            continue;
        const QRect r(w->mapTo(dlg, QPoint(0, 0)), w->size());
        QVERIFY2(inside.contains(r), qPrintable(w->metaObject()->className() + QString(" outside")));
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) {
            QVERIFY2(w->sizeHint().width() <= w->width(),
                     qPrintable(QString("%1 '%2' needs %3, has %4")
                                    .arg(w->metaObject()->className(), w->property("text").toString())
                                    .arg(w->sizeHint().width())
                                    .arg(w->width())));
        }
    }
    dlg->hide();
}

void SavePng(QWidget *dlg, const char *name)
{
    const QString dir = qEnvironmentVariable("TARVIX_PNG_DIR");
    if (!dir.isEmpty())
        dlg->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + ".png"));
}

// Runs the dialog modally and clicks `button` once it is up.
int ExecAndClick(TEditorDialog *dlg, QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
    return dlg->exec();
}

QStringList ChildTexts(QWidget *w)
{
    QStringList texts;
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        texts << b->text();
    return texts;
}

}   // namespace

class EditorDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    }

    void searchForm()
    {
        TPEditSearchForm f;
        QCOMPARE(f.windowTitle(), QString("Поиск"));
        QCOMPARE(f.Label1->text(), QString("Найти:"));
        QCOMPARE(f.WholeWordsChkBox->text(), QString("Только полные слова (&W)"));
        QCOMPARE(f.CaseChkBox->text(), QString("Учитывать регистр (&C)"));
        QCOMPARE(f.ScopeRadioGroup->title(), QString(" Область поиска (&S) "));
        QCOMPARE(f.OriginRadioGroup->title(), QString(" Начало поиска (&O) "));
        QCOMPARE(ChildTexts(f.ScopeRadioGroup), (QStringList{"Во всем тексте", "В блоке"}));
        QCOMPARE(ChildTexts(f.OriginRadioGroup), (QStringList{"От начала области", "От курсора"}));
        QCOMPARE(f.ScopeRadioGroup->ItemIndex(), 0);
        QCOMPARE(f.OriginRadioGroup->ItemIndex(), 0);
        QCOMPARE(f.ButtonOK->text(), QString("  OK"));
        QCOMPARE(f.ButtonCancel->text(), QString("Отмена"));
        QVERIFY(f.ButtonOK->isDefault());
        f.OriginRadioGroup->SetItemIndex(1);
        QCOMPARE(f.OriginRadioGroup->ItemIndex(), 1);
        CheckNothingClipped(&f);
        SavePng(&f, "search");
        QCOMPARE(ExecAndClick(&f, f.ButtonOK), int(mrOk));
        QCOMPARE(ExecAndClick(&f, f.ButtonCancel), int(mrCancel));
    }

    void replaceForm()
    {
        TPEditReplaceForm f;
        QCOMPARE(f.windowTitle(), QString("Поиск / Замена"));
        QCOMPARE(f.Label2->text(), QString("Заменить на:"));
        QCOMPARE(f.PromptChkBox->text(), QString("Подтверждать замену (&P)"));
        QCOMPARE(f.ButtonOK->text(), QString("Заменить"));
        QCOMPARE(f.ButtonAll->text(), QString("&A Заменить все"));
        CheckNothingClipped(&f);
        SavePng(&f, "replace");
        QCOMPARE(ExecAndClick(&f, f.ButtonOK), int(mrOk));
        QCOMPARE(ExecAndClick(&f, f.ButtonAll), int(mrAll));
        QCOMPARE(ExecAndClick(&f, f.ButtonCancel), int(mrCancel));
        // Tab walks the controls in the order of the form.
        QList<QWidget *> order;
        QWidget *w = f.SearchEdit;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w;
            w = w->nextInFocusChain();
        } while (w != f.SearchEdit && order.size() < 50);
        QCOMPARE(order.mid(0, 5),
                 (QList<QWidget *>{f.SearchEdit, f.ReplaceEdit, f.WholeWordsChkBox, f.CaseChkBox, f.PromptChkBox}));
        QVERIFY(order.indexOf(f.ButtonOK) < order.indexOf(f.ButtonAll));
        QVERIFY(order.indexOf(f.ButtonAll) < order.indexOf(f.ButtonCancel));
    }

    void promptForm()
    {
        TPEditReplacePromptForm f;
        QCOMPARE(f.windowTitle(), QString("Поиск / Замена"));
        QCOMPARE(f.AskLabel->text(), QString("Выполнить замену ?"));
        CheckNothingClipped(&f);
        f.SetAskText("Заменить 'alpha' на 'beta' ?");
        QCOMPARE(f.AskLabel->text(), QString("Заменить 'alpha' на 'beta' ?"));
        SavePng(&f, "prompt");
        // A long question is cut to the label, never beyond it.
        const QString longAsk = "Заменить '" + QString(300, 'x') + "' на 'y' ?";
        f.SetAskText(longAsk);
        QVERIFY(f.AskLabel->sizeHint().width() <= f.AskLabel->width());
        QCOMPARE(f.AskLabel->toolTip(), longAsk);
        const std::pair<QAbstractButton *, int> buttons[] = {
            {f.ButtonYes, mrYes}, {f.ButtonSkip, mrNo}, {f.ButtonAll, mrAll}, {f.ButtonCancel, mrCancel}};
        for (auto [b, result] : buttons)
            QCOMPARE(ExecAndClick(&f, b), result);
        QCOMPARE(ChildTexts(&f), (QStringList{"Да (&Y)", "Пропустить (&S)", "Заменить все (&A)", "Отмена"}));
    }

    void smallForms()
    {
        TAskLineNoForm line;
        QCOMPARE(line.windowTitle(), QString("Переход на строку"));
        QCOMPARE(line.Label1->text(), QString("Перейти на строку номер:"));
        QCOMPARE(line.LineNoEdit->minimum(), 1);
        CheckNothingClipped(&line);
        SavePng(&line, "lineno");
        QCOMPARE(ExecAndClick(&line, line.ButtonOK), int(mrOk));

        TAskFillCharForm fill;
        QCOMPARE(fill.windowTitle(), QString("Заливка блока"));
        QCOMPARE(fill.Label1->text(), QString("Введите символ для заливки:"));
        QCOMPARE(fill.CharEdit->maxLength(), 1);
        QVERIFY(fill.CharEdit->font().bold());
        CheckNothingClipped(&fill);
        SavePng(&fill, "fillchar");
        QCOMPARE(ExecAndClick(&fill, fill.ButtonCancel), int(mrCancel));
        // Esc (the close path) also answers Cancel.
        QTimer::singleShot(0, &fill, [&fill] { QTest::keyClick(&fill, Qt::Key_Escape); });
        QCOMPARE(fill.exec(), int(mrCancel));
    }

    // Typed into the real dialog of Ctrl+G on a text of 23 lines: a number
    // past the last line goes to the last line.
    void goToLineTyped()
    {
        const std::pair<const char *, int> cases[] = {{"100", 22}, {"999", 22}, {"24", 22}, {"23", 22}, {"5", 4}};
        for (auto [typed, line] : cases) {
            TProgEdit edit;
            QStringList lines;
            for (int i = 0; i < 23; ++i)
                lines << QString::number(i + 1);
            edit.Model().ReplaceText(EditLines(lines));
            edit.UpdateParams(0);
            edit.show();
            QVERIFY(QTest::qWaitForWindowExposed(&edit));
            QString shown;
            QTimer::singleShot(0, &edit, [&shown, typed] {
                auto *f = qobject_cast<TAskLineNoForm *>(QApplication::activeModalWidget());
                if (!f)
                    return;
                QTest::keyClicks(f->LineNoEdit, QString::fromLatin1(typed));
                shown = f->LineNoEdit->text();
                QTest::keyClick(f->LineNoEdit, Qt::Key_Return);
            });
            QTest::keyClick(&edit, Qt::Key_G, Qt::ControlModifier);
            QCOMPARE(shown, QString::fromLatin1(typed));   // every digit taken
            QCOMPARE(edit.Model().Cursor().Line, line);
        }
    }

    void placement_data()
    {
        QTest::addColumn<QPoint>("caret");
        QTest::addColumn<QPoint>("expected");
        // Editor at (100, 50), 400 x 300; form 120 x 80; cell 8 x 13.
        QTest::newRow("outside: centred") << QPoint(-5, 10) << QPoint(100 + 140, 50 + 102);
        QTest::newRow("below the bottom") << QPoint(10, 300) << QPoint(240, 152);
        QTest::newRow("upper left") << QPoint(10, 20) << QPoint(110 + 16, 70 + 13);
        QTest::newRow("upper right") << QPoint(300, 20) << QPoint(400 - 120 - 8, 70 + 13);
        QTest::newRow("lower left") << QPoint(10, 200) << QPoint(126, 250 - 80 - 13);
        QTest::newRow("lower right") << QPoint(200, 150) << QPoint(300 - 128, 200 - 93);
    }
    void placement()
    {
        QFETCH(QPoint, caret);
        QFETCH(QPoint, expected);
        QCOMPARE(DlgWindowPos(QPoint(100, 50), QSize(400, 300), caret, QSize(120, 80), 8, 13), expected);
    }

    void placementHalvesDownward()
    {
        // A form larger than the editor: negative odd differences round down.
        QCOMPARE(DlgWindowPos(QPoint(0, 0), QSize(100, 100), QPoint(-1, -1), QSize(103, 103), 8, 13), QPoint(-2, -10));
    }

    void layoutNames()
    {
        const std::pair<const char *, const char *> names[] = {
            {"us", "En"},           {"gb(intl)", "En"}, {"us:1", "En"}, {"ru", "Ru"},
            {"ru(phonetic)", "Ru"}, {"ua", "Uk"},       {"de", "?"},    {"", "?"}};
        for (auto [xkb, shown] : names)
            QCOMPARE(KeybLayout::NameForLayout(xkb), QString(shown));
        // Offscreen there is no X11 display: nothing to read or switch.
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QCOMPARE(KeybLayout::CurrentName(), QString("?"));
            QVERIFY(!KeybLayout::SwitchToNext());
        }
    }
};

QTEST_MAIN(EditorDialogsTest)
#include "editor_dialogs_test.moc"
