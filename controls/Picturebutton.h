// TPictureButton: the focusable twin of TGraphButton. It draws and handles
// the mouse exactly like the graphic button, and in addition can take the
// keyboard focus (when TabStop is set), shows a dotted focus rectangle and
// is clicked by Enter or Space on every key-down, the keyboard's own
// repeats included.
#pragma once

#include "controls/Graphbutton.h"

class TPictureButton : public TGraphButtonBase {
    Q_OBJECT
    Q_PROPERTY(TPictureButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    enum TPictureButtonLayout { pblGlyphLeft = 0, pblGlyphUp = 1, pblCenterAll = 2, pblDirectPos = 3 };
    Q_ENUM(TPictureButtonLayout)

    explicit TPictureButton(QWidget *parent = nullptr);

    TPictureButtonLayout Layout() const { return TPictureButtonLayout(LayoutValue()); }
    void SetLayout(TPictureButtonLayout value) { SetLayoutValue(value); }
    bool TabStop() const { return FTabStop; }
    // Tab reaches the button, and a mouse press focuses it, only with TabStop.
    void SetTabStop(bool value);

    using QWidget::setLayout;
    void setLayout(TPictureButtonLayout value) { SetLayout(value); }
    void setTabStop(bool value) { SetTabStop(value); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool FTabStop = false;
};

namespace Picturebutton {

// Puts TPictureButton on the Designer widget box.
void Register();

// The dotted focus frame from (left, top) to (right, bottom), right and
// bottom exclusive: every other pixel inverted, so it shows on any colour.
void DrawFocusRect(QPainter &p, int left, int top, int right, int bottom);

}   // namespace Picturebutton
