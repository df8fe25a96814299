// The editor widget's answer to its commands' questions: the real modal
// dialogs, each placed beside the caret before it is shown.
#pragma once

#include "controls/editor/edit_dialogs.h"

class QWidget;
class EditModel;

class TEditDialogHost : public EditDialogs {
public:
    TEditDialogHost(QWidget *editor, EditModel &model) : FEditor(editor), FModel(model) {}

    // Brings the window up to date (the caret's place among it) and moves a
    // dialog (or message box) next to the caret (SetDlgWindowPos).
    void SetDlgWindowPos(QWidget *form) const;

    int AskSearch(SearchDialogFields &fields) override;
    int AskReplace(SearchDialogFields &fields) override;
    int AskReplacePrompt(const QString &question) override;
    int AskLineNo(int maxLine, int &value) override;
    int AskFillChar(QString &text) override;
    void Inform(const QString &text, const QString &caption) override;

private:
    QWidget *FEditor;
    EditModel &FModel;
};
