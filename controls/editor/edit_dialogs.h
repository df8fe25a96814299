// The questions the editor's commands ask the user: the search, replace,
// replace prompt, go-to-line and fill dialogs and the information message.
// The widget answers them with real modal dialogs placed beside the caret
// (edit_dialog_host.h); tests answer them without a window.
#pragma once

#include <QString>

// What the search and replace dialogs show and give back.
struct SearchDialogFields {
    QString FindText;
    QString ReplaceText;
    bool WholeWords = false;
    bool CaseSensitive = false;
    bool Prompt = true;   // replace only: ask before each replacement
    bool ScopeEnabled = false;   // a block is shown, so "in the block" can be chosen
    int Scope = 0;   // 0 the whole text, 1 the block
    int Origin = 0;   // 0 from the start of the region, 1 from the cursor
};

class EditDialogs {
public:
    virtual ~EditDialogs() = default;
    // Each returns the dialog's modal result (TModalResult, editor_dialog.h).
    virtual int AskSearch(SearchDialogFields &fields) = 0;
    virtual int AskReplace(SearchDialogFields &fields) = 0;
    virtual int AskReplacePrompt(const QString &question) = 0;
    // value: the line number shown (from 1) and, on OK, the one chosen.
    virtual int AskLineNo(int maxLine, int &value) = 0;
    // text: the fill character shown and, on OK, what the edit holds.
    virtual int AskFillChar(QString &text) = 0;
    // An information message box with an OK button.
    virtual void Inform(const QString &text, const QString &caption) = 0;
};
