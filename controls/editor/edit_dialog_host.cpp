#include "controls/editor/edit_dialog_host.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>

#include "controls/editor/Askfillcharunit.h"
#include "controls/editor/Asklinenounit.h"
#include "controls/editor/Peditreplacepromptunit.h"
#include "controls/editor/Peditreplaceunit.h"
#include "controls/editor/Peditsearchunit.h"
#include "controls/editor/edit_model.h"

namespace {

// The fields that the search and the replace dialog share.
template <class Form>
void FillCommon(Form &f, const SearchDialogFields &fields)
{
    f.SearchEdit->setText(fields.FindText);
    f.SearchEdit->selectAll();
    f.WholeWordsChkBox->setChecked(fields.WholeWords);
    f.CaseChkBox->setChecked(fields.CaseSensitive);
    f.ScopeRadioGroup->SetItemIndex(fields.ScopeEnabled ? fields.Scope : 0);
    f.ScopeRadioGroup->setEnabled(fields.ScopeEnabled);
    f.OriginRadioGroup->SetItemIndex(fields.Origin);
}

template <class Form>
void TakeCommon(const Form &f, SearchDialogFields &fields)
{
    fields.FindText = f.SearchEdit->text();
    fields.WholeWords = f.WholeWordsChkBox->isChecked();
    fields.CaseSensitive = f.CaseChkBox->isChecked();
    fields.Scope = f.ScopeRadioGroup->ItemIndex();
    fields.Origin = f.OriginRadioGroup->ItemIndex();
}

}   // namespace

void TEditDialogHost::SetDlgWindowPos(QWidget *form) const
{
    FModel.FlushView();
    form->adjustSize();
    form->move(DlgWindowPos(FEditor->mapToGlobal(QPoint(0, 0)), FEditor->size(),
                            QPoint(FModel.Metrics().CaretX, FModel.Metrics().CaretY), form->size(),
                            FModel.Metrics().CharW, FModel.Metrics().CharH));
}

int TEditDialogHost::AskSearch(SearchDialogFields &fields)
{
    TPEditSearchForm f(FEditor);
    FillCommon(f, fields);
    SetDlgWindowPos(&f);
    f.SearchEdit->setFocus();
    const int result = f.exec();
    TakeCommon(f, fields);
    return result;
}

int TEditDialogHost::AskReplace(SearchDialogFields &fields)
{
    TPEditReplaceForm f(FEditor);
    FillCommon(f, fields);
    f.ReplaceEdit->setText(fields.ReplaceText);
    f.PromptChkBox->setChecked(true);
    SetDlgWindowPos(&f);
    f.SearchEdit->setFocus();
    const int result = f.exec();
    TakeCommon(f, fields);
    fields.ReplaceText = f.ReplaceEdit->text();
    fields.Prompt = f.PromptChkBox->isChecked();
    return result;
}

int TEditDialogHost::AskReplacePrompt(const QString &question)
{
    TPEditReplacePromptForm f(FEditor);
    f.SetAskText(question);
    SetDlgWindowPos(&f);
    return f.exec();
}

int TEditDialogHost::AskLineNo(int maxLine, int &value)
{
    TAskLineNoForm f(FEditor);
    f.LineNoEdit->setMaximum(std::max(maxLine, 1));
    f.LineNoEdit->setValue(value);
    f.LineNoEdit->selectAll();
    SetDlgWindowPos(&f);
    f.LineNoEdit->setFocus();
    const int result = f.exec();
    value = f.LineNoEdit->value();
    return result;
}

int TEditDialogHost::AskFillChar(QString &text)
{
    TAskFillCharForm f(FEditor);
    f.CharEdit->setText(text);
    f.CharEdit->selectAll();
    SetDlgWindowPos(&f);
    f.CharEdit->setFocus();
    const int result = f.exec();
    text = f.CharEdit->text();
    return result;
}

void TEditDialogHost::Inform(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, FEditor);
    SetDlgWindowPos(&box);
    box.exec();
}
