#include "tools/edit/edit_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStatusBar>

#include "controls/editor/Progedit.h"
#include "tools/edit/key_help.h"
#include "tools/edit/edit_options.h"

namespace {

// The menu bar's style without its Alt key navigation: a press and release
// of Alt alone leaves the keyboard with the editor.
class NoAltMenuStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QString EncodingName(const EditFileFormat &f)
{
    if (f.Encoding == EditEncoding::Windows1251)
        return QStringLiteral("Windows-1251");
    return f.Bom ? QStringLiteral("UTF-8 with BOM") : QStringLiteral("UTF-8");
}

QString BreakName(const QByteArray &lineBreak)
{
    if (lineBreak == "\r\n")
        return QStringLiteral("CR LF");
    if (lineBreak == "\r")
        return QStringLiteral("CR");
    return QStringLiteral("LF");
}

}   // namespace

TEditWindow::TEditWindow(QWidget *parent) : QMainWindow(parent), FEditor(new TProgEdit(this))
{
    setCentralWidget(FEditor);
    resize(760, 540);

    // No action takes a Ctrl key: those belong to the editor.
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *open = file->addAction(QStringLiteral("&Open..."), this, &TEditWindow::Open);
    open->setShortcut(Qt::Key_F3);
    QAction *save = file->addAction(QStringLiteral("&Save"), this, [this] { Save(); });
    save->setShortcut(Qt::Key_F2);
    file->addAction(QStringLiteral("Save &As..."), this, [this] { SaveAs(); });
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    auto *menuStyle = new NoAltMenuStyle();
    menuStyle->setParent(menuBar());
    menuBar()->setStyle(menuStyle);
    QAction *openMenu = new QAction(this);
    openMenu->setShortcut(Qt::Key_F10);
    connect(openMenu, &QAction::triggered, this, [this, file] { menuBar()->setActiveAction(file->menuAction()); });
    addAction(openMenu);

    // The status line, beside the editor's own status fields.
    FEncodingLabel = new QLabel(this);
    FBreakLabel = new QLabel(this);
    FPrefixLabel = new QLabel(this);
    // Wide enough for the longest text each field shows: nothing jumps or clips.
    const auto fit = [](QLabel *label, const QStringList &texts) {
        int width = 0;
        for (const QString &t : texts)
            width = std::max(width, label->fontMetrics().horizontalAdvance(t));
        label->setMinimumWidth(width + 2 * label->margin() + 8);
        label->setAlignment(Qt::AlignCenter);
    };
    fit(FEncodingLabel, {QStringLiteral("UTF-8 with BOM"), QStringLiteral("Windows-1251")});
    fit(FBreakLabel, {QStringLiteral("CR LF")});
    statusBar()->addWidget(FPrefixLabel, 1);
    statusBar()->addPermanentWidget(FEncodingLabel);
    statusBar()->addPermanentWidget(FBreakLabel);
    FUndo = edit->addAction(QStringLiteral("Undo"), this, [this] {
        FEditor->UNDO();
        Refresh();
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Editor &keys (F1)"), this, &TEditWindow::ShowKeyHelp);

    AskOpenName = [this] { return QFileDialog::getOpenFileName(this, QStringLiteral("Open")); };
    AskSaveName = [this] { return QFileDialog::getSaveFileName(this, QStringLiteral("Save As")); };
    AskYesNo = [this](const QString &text, const QString &caption) {
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    ShowError = [this](const QString &text) { QMessageBox::critical(this, QStringLiteral("tarvix-edit"), text); };

    connect(FEditor, &TProgEdit::OnChangeText, this, &TEditWindow::Refresh);
    connect(FEditor, &TProgEdit::OnUNDO, this, &TEditWindow::Refresh);
    connect(FEditor, &TProgEdit::OnClickHelpAboutEdit, this, &TEditWindow::ShowKeyHelp);
    connect(edit, &QMenu::aboutToShow, this, &TEditWindow::Refresh);
    // A prefix key shows while it waits: after the key is handled, and at
    // its release.
    connect(FEditor, &TProgEdit::OnKeyDown, this,
            [this] { QMetaObject::invokeMethod(this, &TEditWindow::RefreshStatus, Qt::QueuedConnection); });
    connect(FEditor, &TProgEdit::OnKeyUp, this, &TEditWindow::RefreshStatus);
    FEditor->setFocus();
    Refresh();
}

void TEditWindow::ShowKeyHelp()
{
    if (!FKeyHelp)
        FKeyHelp = new TKeyHelpWindow(this);
    FKeyHelp->show();
    FKeyHelp->raise();
    FKeyHelp->activateWindow();
}

QString TEditWindow::TitleText() const
{
    const EditModel &m = FEditor->Model();
    const QString name = m.FileName.isEmpty() ? QStringLiteral("(untitled)") : m.FileName;
    return name + (m.Modified ? QStringLiteral(" *") : QString()) + QStringLiteral(" - tarvix-edit");
}

QStringList TEditWindow::StatusTexts() const
{
    return {FEncodingLabel->text(), FBreakLabel->text(), FPrefixLabel->text()};
}

void TEditWindow::RefreshStatus()
{
    const EditModel &m = FEditor->Model();
    FEncodingLabel->setText(EncodingName(m.FileFormat()));
    FBreakLabel->setText(BreakName(m.FileFormat().LineBreak));
    FPrefixLabel->setText(m.KeyState().PrefixK   ? QStringLiteral("^K")
                          : m.KeyState().PrefixQ ? QStringLiteral("^Q")
                                                 : QString());
}

void TEditWindow::ChooseCommentStyle(const QString &name)
{
    const int style = CommentStyleOption >= 0 ? CommentStyleOption : EditCommandLine::CommentStyleForFile(name);
    FEditor->Model().CommentStyle = std::uint8_t(style);
    FEditor->update();
}

void TEditWindow::Refresh()
{
    RefreshStatus();
    setWindowTitle(TitleText());
    const QString undo = FEditor->GetUNDO();
    FUndo->setText(undo.isNull() ? QStringLiteral("Undo") : QStringLiteral("Undo: ") + undo);
    FUndo->setEnabled(!undo.isNull());
}

bool TEditWindow::OpenFile(const QString &name)
{
    EditModel &m = FEditor->Model();
    const QFileInfo info(name);
    if (!info.exists() && !info.isSymLink()) {
        // A new file: an empty text under that name, as one change.
        EditModel::Scope change(m);
        m.ReplaceText(EditLines{QString()});
        m.ClearUNDO();
        m.FileName = name;
        m.MarkSaved();
        m.SetCursor(0, 0);
        m.UpdateParams(0);
        ChooseCommentStyle(name);
        Refresh();
        return true;
    }
    QString reason;
    if (!FEditor->LoadFromFile(name, &reason)) {
        ShowError(QStringLiteral("Cannot open \"%1\": %2").arg(name, reason));
        return false;
    }
    ChooseCommentStyle(name);
    Refresh();
    return true;
}

bool TEditWindow::SaveFile(const QString &name)
{
    EditModel &m = FEditor->Model();
    // A file is re-encoded only when the user says so: No keeps the file as
    // it is and the text modified.
    const EditFileFormat format = m.FileFormat();
    if (!m.FitsFileEncoding()) {
        if (!AskYesNo(QString::fromUtf8(EditModel::ReencodeQuestionText), name))
            return false;
        EditFileFormat utf8 = format;
        utf8.Encoding = EditEncoding::Utf8;
        utf8.Bom = false;
        m.SetFileFormat(utf8);
    }
    QString reason;
    if (!FEditor->SaveToFile(name, &reason)) {
        m.SetFileFormat(format);
        ShowError(QStringLiteral("Cannot save \"%1\": %2").arg(name, reason));
        return false;
    }
    m.FileName = name;
    m.MarkSaved();
    FEditor->UpdateTextFields();
    Refresh();
    return true;
}

bool TEditWindow::Save()
{
    const QString name = FEditor->Model().FileName;
    return name.isEmpty() ? SaveAs() : SaveFile(name);
}

bool TEditWindow::SaveAs()
{
    const QString name = AskSaveName();
    return !name.isEmpty() && SaveFile(name);
}

void TEditWindow::Open()
{
    if (!SaveQuestion())
        return;
    const QString name = AskOpenName();
    if (!name.isEmpty())
        OpenFile(name);
}

bool TEditWindow::SaveQuestion()
{
    const EditModel &m = FEditor->Model();
    if (!m.Modified)
        return true;
    const QString caption = m.FileName.isEmpty() ? QStringLiteral("tarvix-edit") : m.FileName;
    if (!AskYesNo(QString::fromUtf8(EditModel::SaveQuestionText), caption))
        return true;
    return Save();
}

void TEditWindow::closeEvent(QCloseEvent *event)
{
    if (SaveQuestion())
        event->accept();
    else
        event->ignore();
}
