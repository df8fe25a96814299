// The main window of tarvix-edit: one program text editor with a menu and
// a status line (the file's encoding and line break, a waiting ^K or ^Q).
// F2 saves, F3 opens, F10 opens the menu and Alt+X quits; every Ctrl key
// goes to the editor, and a lone Alt stays with it (it marks columns).
// The questions and messages go through replaceable functions, so that a
// test can answer them without a window.
#pragma once

#include <QMainWindow>
#include <functional>

class QAction;
class TKeyHelpWindow;
class QLabel;
class TProgEdit;

class TEditWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TEditWindow(QWidget *parent = nullptr);

    TProgEdit *Editor() const { return FEditor; }
    QAction *UndoAction() const { return FUndo; }

    // Opens a file, or, when it does not exist, starts an empty text under
    // its name (created by the first save). False when it exists but could
    // not be read; the text shown is then unchanged.
    bool OpenFile(const QString &name);
    // Writes the text to the file; on failure tells why and keeps the text.
    bool SaveFile(const QString &name);

    bool Save();   // F2: to the file's name, or as a new one
    bool SaveAs();
    void Open();   // F3
    // Asks whether to save a modified text; false when the text would be
    // lost (the user answered Yes and the save failed, or gave no name).
    bool SaveQuestion();

    // The editor's key list in a window of its own (F1 in the editor, the
    // context menu's help item, Help > Editor keys); shown again if open.
    void ShowKeyHelp();
    TKeyHelpWindow *KeyHelp() const { return FKeyHelp; }

    // The window title: the file name and "*" while the text is modified.
    QString TitleText() const;
    // The status line's fields: encoding, line break, waiting prefix key.
    QStringList StatusTexts() const;

    // The comment style for every file opened (0 none, 1 "//", 2 ";"), or
    // -1 to choose it by each file's extension.
    int CommentStyleOption = -1;

    std::function<QString()> AskOpenName;
    std::function<QString()> AskSaveName;
    std::function<bool(const QString &text, const QString &caption)> AskYesNo;
    std::function<void(const QString &text)> ShowError;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Refresh();
    void RefreshStatus();
    void ChooseCommentStyle(const QString &name);

    TProgEdit *FEditor;
    QAction *FUndo;
    TKeyHelpWindow *FKeyHelp = nullptr;
    QLabel *FEncodingLabel;
    QLabel *FBreakLabel;
    QLabel *FPrefixLabel;
};
