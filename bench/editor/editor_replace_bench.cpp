// Replace-all as a user runs it, beside QPlainTextEdit doing the same
// replacement: a 100,000-line text in a shown editor, Ctrl+R, "data" ->
// "vals" with the prompt on, OK, then "All" in the prompt and OK on the
// count message. The real dialogs are answered by a timer that looks at the
// active modal window, as a user's clicks would.
//
//   editor_replace_bench [LINES]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "controls/editor/Peditreplacepromptunit.h"
#include "controls/editor/Peditreplaceunit.h"
#include "controls/editor/Progedit.h"

namespace {

// Two lines in five hold "data" once.
QStringList Text(int lines, int *occurrences)
{
    QStringList text;
    text.reserve(lines);
    *occurrences = 0;
    for (int i = 0; i < lines; ++i) {
        if (i % 5 < 2) {
            text << QStringLiteral("    buf[%1] = data + %1; // line").arg(i);
            ++*occurrences;
        } else {
            text << QStringLiteral("    buf[%1] = buf[%1] + step;").arg(i);
        }
    }
    return text;
}

// Answers whatever modal window is up: the replace dialog with the texts
// and OK, the prompt with All, a message box with OK.
void AnswerDialogs(int *prompts)
{
    QWidget *w = QApplication::activeModalWidget();
    if (auto *f = qobject_cast<TPEditReplaceForm *>(w)) {
        f->SearchEdit->setText(QStringLiteral("data"));
        f->ReplaceEdit->setText(QStringLiteral("vals"));
        f->PromptChkBox->setChecked(true);
        f->CaseChkBox->setChecked(true);
        f->ButtonOK->click();
    } else if (auto *p = qobject_cast<TPEditReplacePromptForm *>(w)) {
        ++*prompts;
        p->ButtonAll->click();
    } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
        std::printf("    editor says: %s\n", qPrintable(box->text()));
        box->accept();
    }
}

}   // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    int occurrences = 0;
    const QStringList text = Text(lines, &occurrences);
    std::printf("text: %d lines, %d occurrences of \"data\"\n", lines, occurrences);

    TProgEdit edit;
    edit.resize(800, 600);
    edit.Model().ReplaceText(EditLines(text));
    edit.show();
    edit.setFocus();
    QApplication::processEvents();

    int prompts = 0;
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [&] { AnswerDialogs(&prompts); });
    answer.start();
    QElapsedTimer t;
    t.start();
    QKeyEvent ctrlR(QEvent::KeyPress, Qt::Key_R, Qt::ControlModifier, QStringLiteral("\x12"));
    QApplication::sendEvent(&edit, &ctrlR);
    edit.repaint();
    const double editorMs = t.nsecsElapsed() / 1e6;
    answer.stop();
    int left = 0;
    for (const QString &l : edit.Model().Lines())
        left += int(l.count(QStringLiteral("data")));

    QPlainTextEdit plain;
    plain.setFont(edit.font());
    plain.resize(800, 600);
    plain.setPlainText(text.join(QLatin1Char('\n')));
    plain.show();
    QApplication::processEvents();
    t.restart();
    QTextDocument *doc = plain.document();
    QTextCursor group(doc);
    group.beginEditBlock();
    int replaced = 0;
    for (QTextCursor c = doc->find(QStringLiteral("data"), 0, QTextDocument::FindCaseSensitively); !c.isNull();
         c = doc->find(QStringLiteral("data"), c, QTextDocument::FindCaseSensitively)) {
        c.insertText(QStringLiteral("vals"));
        ++replaced;
    }
    group.endEditBlock();
    plain.viewport()->repaint();
    const double peerMs = t.nsecsElapsed() / 1e6;

    std::printf("replace all through the prompt's All: editor %9.1f ms (%d prompt, %d left)   "
                "QPlainTextEdit %9.1f ms (%d replaced)   ratio %6.3f\n",
                editorMs, prompts, left, peerMs, replaced, peerMs > 0 ? editorMs / peerMs : 0.0);
    return left == 0 ? 0 : 1;
}
