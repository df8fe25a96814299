// What the editor's modal dialogs share: the toolkit's modal result codes,
// a dialog base whose buttons end it with such a code, and a radio group.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QStringList>

#include <QPoint>
#include <QRect>
#include <QSize>

class QButtonGroup;
class QPushButton;

// Modal results as the dialogs return them from exec().
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

// A fixed-size dialog in the editor's dialog font. Esc and the close box
// end it with mrCancel.
class TEditorDialog : public QDialog {
    Q_OBJECT
public:
    TEditorDialog(const QString &caption, int width, int height, QWidget *parent);

    // A push button at the given place that ends the dialog with `result`.
    QPushButton *AddButton(const QString &text, int result, const QRect &geometry);

    void reject() override;
};

// A titled frame of radio buttons, one under the other, with exactly one
// checked; ItemIndex is the checked one.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent);

    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    QButtonGroup *FButtons;
};

// Where an editor dialog of `form` size goes, given the editor's client
// origin on the screen and its size, the last caret position in client
// pixels and the character cell. A caret outside the control centres the
// dialog over it (16 pixels of status bar left out); otherwise the dialog
// sits beside the caret, on the side of the control with more room.
QPoint DlgWindowPos(const QPoint &clientOrigin, const QSize &control, const QPoint &caret, const QSize &form, int charW,
                    int charH);
