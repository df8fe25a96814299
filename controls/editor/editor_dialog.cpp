#include "controls/editor/editor_dialog.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TEditorDialog::TEditorDialog(const QString &caption, int width, int height, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(caption);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(width, height);
    setModal(true);
}

QPushButton *TEditorDialog::AddButton(const QString &text, int result, const QRect &geometry)
{
    auto *button = new QPushButton(text, this);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    return button;
}

void TEditorDialog::reject()
{
    done(mrCancel);
}

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), FButtons(new QButtonGroup(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(10, 4, 6, 4);
    column->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items[i], this);
        column->addWidget(radio);
        FButtons->addButton(radio, i);
    }
    SetItemIndex(0);
}

int TRadioGroup::ItemIndex() const
{
    return FButtons->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton *b = FButtons->button(index))
        b->setChecked(true);
}

QPoint DlgWindowPos(const QPoint &clientOrigin, const QSize &control, const QPoint &caret, const QSize &form, int charW,
                    int charH)
{
    // Halving rounds toward minus infinity, also for negative differences.
    const auto half = [](int v) { return v >> 1; };
    const int cw = control.width(), ch = control.height();
    if (caret.x() < 0 || caret.y() < 0 || caret.x() >= cw || caret.y() >= ch)
        return {clientOrigin.x() + half(cw - form.width()), clientOrigin.y() + half(ch - form.height() - 16)};
    const int x = clientOrigin.x() + caret.x(), y = clientOrigin.y() + caret.y();
    const int left = caret.x() < half(cw) ? x + 2 * charW : x - form.width() - charW;
    const int top = caret.y() < half(ch) ? y + charH : y - form.height() - charH;
    return {left, top};
}
