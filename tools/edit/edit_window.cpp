#include "tools/edit/edit_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>

#include "controls/editor/Progedit.h"

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
    FUndo = edit->addAction(QStringLiteral("Undo"), this, [this] {
        FEditor->UNDO();
        Refresh();
    });

    AskOpenName = [this] { return QFileDialog::getOpenFileName(this, QStringLiteral("Open")); };
    AskSaveName = [this] { return QFileDialog::getSaveFileName(this, QStringLiteral("Save As")); };
    AskYesNo = [this](const QString &text, const QString &caption) {
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    ShowError = [this](const QString &text) { QMessageBox::critical(this, QStringLiteral("tarvix-edit"), text); };

    connect(FEditor, &TProgEdit::OnChangeText, this, &TEditWindow::Refresh);
    connect(FEditor, &TProgEdit::OnUNDO, this, &TEditWindow::Refresh);
    connect(edit, &QMenu::aboutToShow, this, &TEditWindow::Refresh);
    FEditor->setFocus();
    Refresh();
}

QString TEditWindow::TitleText() const
{
    const EditModel &m = FEditor->Model();
    const QString name = m.FileName.isEmpty() ? QStringLiteral("(untitled)") : m.FileName;
    return name + (m.Modified ? QStringLiteral(" *") : QString()) + QStringLiteral(" - tarvix-edit");
}

void TEditWindow::Refresh()
{
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
        // A new file: an empty text under that name.
        m.GetText() = EditLines{QString()};
        m.EndUpdate();
        m.ClearUNDO();
        m.FileName = name;
        m.Modified = false;
        m.SetCursor(0, 0);
        m.UpdateParams(0);
        FEditor->update();
        Refresh();
        return true;
    }
    QString reason;
    if (!FEditor->LoadFromFile(name, &reason)) {
        ShowError(QStringLiteral("Cannot open \"%1\": %2").arg(name, reason));
        return false;
    }
    Refresh();
    return true;
}

bool TEditWindow::SaveFile(const QString &name)
{
    EditModel &m = FEditor->Model();
    // A file is re-encoded only when the user says so: No keeps the file as
    // it is and the text modified.
    const EditFileFormat format = m.FFileFormat;
    if (!m.FitsFileEncoding()) {
        if (!AskYesNo(QString::fromUtf8(EditModel::ReencodeQuestionText), name))
            return false;
        m.FFileFormat.Encoding = EditEncoding::Utf8;
        m.FFileFormat.Bom = false;
    }
    QString reason;
    if (!FEditor->SaveToFile(name, &reason)) {
        m.FFileFormat = format;
        ShowError(QStringLiteral("Cannot save \"%1\": %2").arg(name, reason));
        return false;
    }
    m.FileName = name;
    m.Modified = false;
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
