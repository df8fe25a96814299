// The search dialog: the text to find and the search options.
#pragma once

#include "controls/editor/editor_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TPEditSearchForm : public TEditorDialog {
    Q_OBJECT
public:
    explicit TPEditSearchForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *SearchEdit;
    QCheckBox *WholeWordsChkBox;
    QCheckBox *CaseChkBox;
    TRadioGroup *ScopeRadioGroup;   // 0 the whole text, 1 the block
    TRadioGroup *OriginRadioGroup;   // 0 from the start of the region, 1 from the cursor
    QPushButton *ButtonOK;
    QPushButton *ButtonCancel;
};

// Texts shared with the replace dialog.
namespace PEditSearchTexts {
QString ScopeCaption();
QStringList ScopeItems();
QString OriginCaption();
QStringList OriginItems();
}   // namespace PEditSearchTexts
