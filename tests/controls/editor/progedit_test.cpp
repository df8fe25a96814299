#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "controls/Gtextfield.h"
#include "controls/editor/Nscrollbar.h"
#include "controls/editor/Progedit.h"
#include "controls/editor/edit_command.h"
#include "tests/controls/control_test_util.h"

class ProgEditTest : public QObject {
    Q_OBJECT

private slots:
    void construction();
    void barsFollowTheViewAndDriveIt();
    void signalsReachTheOwner();
    void fontStaysFixedPitch();
    void statusFields();
    void askSaveOnDestroy();
    void render();
};

namespace {

QStringList Numbered(int n)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("line %1 of the text").arg(i);
    return lines;
}

}   // namespace

void ProgEditTest::construction()
{
    TProgEdit e;
    e.resize(400, 300);
    QVERIFY(ShowAndSettle(&e));
    const EditModel &m = e.Model();
    QCOMPARE(e.StatusPanel()->geometry(), QRect(0, 284, 400, 16));
    QCOMPARE(e.VertBar()->geometry(), QRect(384, 0, 16, 284));
    // The mode field is wide enough for "Upd" inside its frame.
    QCOMPARE(e.HorzBar()->geometry(), QRect(144, 0, 225, 16));
    QCOMPARE(e.PosField()->geometry(), QRect(-1, 0, 58, 16));
    QCOMPARE(e.CountField()->geometry(), QRect(57, 0, 32, 16));
    QCOMPARE(e.ModeField()->geometry(), QRect(89, 0, 32, 16));
    QCOMPARE(e.LangField()->geometry(), QRect(122, 0, 22, 16));
    QCOMPARE(e.VertBar()->Kind(), TNScrollBar::sbkVertical);
    QCOMPARE(e.HorzBar()->Kind(), TNScrollBar::sbkHorizontal);
    QCOMPARE(m.Metrics().AreaWidth, 384);
    QCOMPARE(m.Metrics().AreaHeight, 284);
    QCOMPARE(m.Metrics().CharW, QFontMetrics(e.font()).horizontalAdvance(QLatin1Char('0')));
    QCOMPARE(m.Metrics().VisLines, 284 / m.Metrics().CharH);
    QCOMPARE(m.Metrics().VisCols, 384 / m.Metrics().CharW - 1);
    QCOMPARE(m.LineCount(), 1);
    QCOMPARE(m.TabSize, 6);
    QVERIFY(m.AutoIndent);
    QCOMPARE(m.UndoLimit, 32);
    QCOMPARE(m.HighlightLine, -1);
    QCOMPARE(m.CommentStyle, 1);
    QCOMPARE(m.BlockFillChar, QLatin1Char(' '));
    QVERIFY(m.PromptOnReplace && m.ContextMenuEnabled && !m.SwitchKeybLayoutOnCtrl);
    QCOMPARE(TProgEdit::ToQColor(e.CommentColor).name(), QStringLiteral("#0000d0"));
    QCOMPARE(TProgEdit::ToQColor(e.HighlightColor).name(), QStringLiteral("#ffff00"));
    QCOMPARE(e.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(e.minimumSize(), QSize(200, 64));
    QCOMPARE(e.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(e.font().pointSize(), 10);
}

void ProgEditTest::barsFollowTheViewAndDriveIt()
{
    QWidget top;
    auto *e = new TProgEdit(&top);
    e->setGeometry(0, 0, 400, 300);
    EditModel &m = e->Model();
    m.ReplaceText(EditLines(Numbered(100)));
    QVERIFY(ShowAndSettle(&top));
    QCOMPARE(e->VertBar()->Max(), 100 - m.Metrics().VisLines);
    QCOMPARE(e->VertBar()->Page(), m.Metrics().VisLines);
    QVERIFY(e->VertBar()->isEnabled());
    QVERIFY(!e->HorzBar()->isEnabled());   // the lines fit
    e->SetCursor(60, 0);
    QCOMPARE(e->VertBar()->Pos(), m.Start().Line);
    QCOMPARE(m.Start().Line, 60 - m.Metrics().VisLines + 1);

    QSignalSpy starts(e, &TProgEdit::OnChangeStart);
    QVERIFY(e->VertBar()->Scroll(TNScrollBar::nscPageForward));
    QCOMPARE(m.Start().Line, 60 - m.Metrics().VisLines + 1 + m.Metrics().VisLines);
    QCOMPARE(starts.count(), 0);

    // A bar at its end stays there when the window grows.
    e->VertBar()->SetPos(e->VertBar()->Max());
    QVERIFY(e->VertBar()->Scroll(TNScrollBar::nscThumbReleased));
    e->resize(400, 400);
    QCOMPARE(m.Start().Line, e->VertBar()->Max());
    QCOMPARE(m.Start().Line, 100 - m.Metrics().VisLines);
}

void ProgEditTest::signalsReachTheOwner()
{
    TProgEdit e;
    e.resize(300, 200);
    e.Model().ReplaceText(EditLines({QStringLiteral("alpha beta")}));
    QSignalSpy cursor(&e, &TProgEdit::OnChangeCursor);
    QSignalSpy text(&e, &TProgEdit::OnChangeText);
    QSignalSpy undo(&e, &TProgEdit::OnUNDO);
    QSignalSpy words(&e, &TProgEdit::OnInfoAboutWord);
    e.SetCursor(0, 7);
    QCOMPARE(cursor.count(), 1);
    QCOMPARE(words.count(), 1);
    QCOMPARE(words.at(0).at(3).toString(), QStringLiteral("beta"));
    QCOMPARE(words.at(0).at(2).toInt(), 6);
    {
        EditCommand typed(e.Model(), EditCommands::TypeInsert);
        e.InsertSubStr(0, 7, QStringLiteral("x"));
    }
    QCOMPARE(text.count(), 1);
    QCOMPARE(e.UNDO(), 1);
    QCOMPARE(undo.count(), 1);
    QCOMPARE(text.count(), 2);
}

void ProgEditTest::fontStaysFixedPitch()
{
    TProgEdit e;
    e.resize(300, 200);
    QFont f(QStringLiteral("Liberation Sans"), 14);
    f.setFixedPitch(false);
    e.setFont(f);
    QVERIFY(e.font().fixedPitch());
    QCOMPARE(e.Model().Metrics().CharW, QFontMetrics(e.font()).horizontalAdvance(QLatin1Char('0')));
    QCOMPARE(e.Model().Metrics().CharH, QFontMetrics(e.font()).height());
}

void ProgEditTest::statusFields()
{
    TProgEdit e;
    e.resize(300, 200);
    e.Model().ReplaceText(EditLines({QStringLiteral("a"), QStringLiteral("b")}));
    e.SetCursor(1, 4);
    QCOMPARE(e.PosField()->Text(), QStringLiteral("2 : 5"));
    QCOMPARE(e.CountField()->Text(), QStringLiteral("2"));
    QCOMPARE(e.CountField()->Color().name(), QStringLiteral("#ffb0a0"));   // modified
    QCOMPARE(e.ModeField()->Text(), QStringLiteral("Ins"));
    e.Model().Modified = false;
    e.Model().OverwriteMode = true;
    e.UpdateTextFields();
    QCOMPARE(e.ModeField()->Text(), QStringLiteral("Upd"));
    QCOMPARE(e.ModeField()->Color().name(), QStringLiteral("#ffff00"));
    QCOMPARE(e.CountField()->Color().name(), QStringLiteral("#c0c0c0"));
}

void ProgEditTest::askSaveOnDestroy()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("d.txt"));
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\n");
        }
        auto *e = new TProgEdit;
        QVERIFY(e->LoadFromFile(name));
        e->InsertSubStr(0, 0, QStringLiteral("new "));
        e->Model().AskSaveOnDestroy = true;
        QString caption;
        QString text;
        // Answers the question box as soon as it is up.
        QTimer answerer;
        answerer.setInterval(10);
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                caption = box->windowTitle();
                text = box->text();
                box->button(answer)->click();
            }
        });
        answerer.start();
        delete e;
        answerer.stop();
        QCOMPARE(caption, name);
        QCOMPARE(text, QStringLiteral("Файл не сохранен, сохранить ?"));
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), answer == QMessageBox::Yes ? QByteArray("new old\n") : QByteArray("old\n"));
    }
}

void ProgEditTest::render()
{
    QWidget top;
    top.resize(360, 180);
    auto *e = new TProgEdit(&top);
    e->setGeometry(0, 0, 360, 180);
    QStringList lines = Numbered(30);
    lines[1] = QStringLiteral("// Привет, мир: a comment line");
    lines[2] = QStringLiteral("    indented(text) { return 42; } and more text past the right edge");
    e->Model().ReplaceText(EditLines(lines));
    QVERIFY(ShowAndSettle(&top));
    e->setFocus();
    e->SetCursor(2, 8);
    FlushPaints();
    const QImage img = Grab(&top);
    QDir().mkpath(QStringLiteral(TARVIX_RENDER_DIR));
    QVERIFY(img.save(QStringLiteral(TARVIX_RENDER_DIR "/progedit.png")));
    QVERIFY(img.scaled(img.size() * 2).save(QStringLiteral(TARVIX_RENDER_DIR "/progedit_x2.png")));
    const EditModel &m = e->Model();
    // Text is drawn in the first row; the margin and the empty end of a row are white.
    QVERIFY(!InkBox(img, QRect(4, 0, 100, m.Metrics().CharH), qRgb(255, 255, 255)).isEmpty());
    QCOMPARE(Px(img, 1, 5), QStringLiteral("#ffffff"));
    QCOMPARE(Px(img, m.Metrics().AreaWidth - 2, 3 * m.Metrics().CharH + 3), QStringLiteral("#ffffff"));
    // The caret stands at the cursor.
    QCOMPARE(m.Metrics().CaretX, 8 * m.Metrics().CharW + 4);
    QCOMPARE(Px(img, m.Metrics().CaretX, m.Metrics().CaretY + 2), QStringLiteral("#000000"));
}

QTEST_MAIN(ProgEditTest)
#include "progedit_test.moc"
