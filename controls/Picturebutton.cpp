#include "controls/Picturebutton.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/palette.h"

TPictureButton::TPictureButton(QWidget *parent) : TGraphButtonBase(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TPictureButton::SetTabStop(bool value)
{
    FTabStop = value;
    // A click focuses the button through mousePressEvent, so that a press
    // ignored because of DisableClick does not move the focus either.
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

void TPictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintButton(p);
    if (hasFocus())
        Picturebutton::DrawFocusRect(p, 2, 2, width() - 2, height() - 2);
}

void TPictureButton::mousePressEvent(QMouseEvent *event)
{
    if (DisableClick())
        return;
    if (FTabStop)
        setFocus(Qt::MouseFocusReason);
    TGraphButtonBase::mousePressEvent(event);
}

void TPictureButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (DisableClick())
        return;
    if (!IsPressed()) {
        SetPressed(true);
        update();
    }
    // Every key-down clicks, the keyboard's auto-repeat included.
    emit OnClick(this);
}

void TPictureButton::keyReleaseEvent(QKeyEvent *event)
{
    // The keyboard's auto-repeat sends a release before each repeated
    // press; only the real release ends the pressed look.
    if (event->isAutoRepeat())
        return;
    if (IsPressed()) {
        SetPressed(false);
        update();
    }
}

void TPictureButton::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TPictureButton::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

namespace Picturebutton {

void DrawFocusRect(QPainter &p, int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor invert(255, 255, 255);
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            p.fillRect(x, y, 1, 1, invert);
    };
    for (int x = left; x < right; ++x) {
        dot(x, top);
        if (bottom - 1 != top)
            dot(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        dot(left, y);
        if (right - 1 != left)
            dot(right - 1, y);
    }
    p.restore();
}

void Register()
{
    RegisterComponent(ControlEntry(QStringLiteral("TPictureButton"), QStringLiteral("Picture button"),
                                   QStringLiteral("controls/Picturebutton.h"), TPictureButton::DefaultSize,
                                   TPictureButton::DefaultSize,
                                   [](QWidget *parent) -> QWidget * { return new TPictureButton(parent); }));
}

}   // namespace Picturebutton
