// TNScrollBar: a drawn scroll bar with its own position model (position,
// maximum, page), arrows that repeat while held, page areas, a draggable
// thumb and a scroll notification carrying a TNScrollCode.
#pragma once

#include <QWidget>

#include "controls/editor/nscroll_range.h"

class QTimer;

class TNScrollBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TNScrBar_Kind Kind READ Kind WRITE setKind)
    Q_PROPERTY(int Pos READ Pos WRITE setPos)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Page READ Page WRITE setPage)

public:
    enum TNScrBar_Kind { sbkAuto = 0, sbkVertical = 1, sbkHorizontal = 2 };
    Q_ENUM(TNScrBar_Kind)
    // The code passed to OnScroll.
    enum TNScrollCode {
        nscNone = 0,
        nscLineBack = 1,
        nscLineForward = 2,
        nscPageBack = 3,
        nscPageForward = 4,
        nscThumbPressed = 5,
        nscThumbMoved = 6,
        nscThumbReleased = 7,
    };
    Q_ENUM(TNScrollCode)
    // The part under the mouse while a button is held.
    enum TNScrollPart {
        nspNone = 0,
        nspBackArrow = 1,
        nspForwardArrow = 2,
        nspPageBack = 3,
        nspPageForward = 4,
        nspThumb = 5,
        nspThumbDrag = 6
    };

    // Auto-repeat: first repeat after FirstRepeatDelay ms, then every RepeatInterval ms.
    static constexpr int FirstRepeatDelay = 400;
    static constexpr int RepeatInterval = 50;
    static constexpr int MinThumbSize = 6;
    static constexpr int MaxArrowSize = 20;

    explicit TNScrollBar(QWidget *parent = nullptr);
    ~TNScrollBar() override;

    TNScrBar_Kind Kind() const { return FKind; }
    int Pos() const { return FRange.Pos; }
    int Max() const { return FRange.Max; }
    int Page() const { return FRange.Page; }

    void SetKind(TNScrBar_Kind value);
    void SetPos(int value);
    void SetMax(int value);
    void SetPage(int value);
    void setKind(TNScrBar_Kind value) { SetKind(value); }
    void setPos(int value) { SetPos(value); }
    void setMax(int value) { SetMax(value); }
    void setPage(int value) { SetPage(value); }

    // Layout from the current size, kind and range (also run before each paint).
    void Calculate();
    // Takes a scroll action; true (and OnScroll) when it was taken.
    bool Scroll(int code);

    // Layout results of the last Calculate, in pixels.
    bool IsHorizontal() const { return FHorizontal; }
    int ArrowSize() const { return FArrowSize; }
    int TrackLength() const { return FTrackLen; }
    int ThumbSize() const { return FThumbSize; }
    int ThumbOffset() const { return FThumbOffset; }
    // The part held by the mouse (TNScrollPart).
    int PressedPart() const { return FPressedPart; }
    QTimer *RepeatTimer() const { return FTimer; }

    // The repeat timer's step: scrolls the held part again; stops when that
    // is no longer taken.
    void OnTimer();

signals:
    void OnChange(QObject *Sender);
    void OnScroll(QObject *Sender, int Code);
    void OnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseUp(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseMove(QObject *Sender, Qt::KeyboardModifiers Shift, int X, int Y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int PartAt(int along) const;

    TNScrBar_Kind FKind = sbkAuto;
    TNScrollRange FRange;
    bool FHorizontal = false;
    int FPressedPart = nspNone;
    int FArrowSize = 0;
    int FTrackLen = 0;
    int FThumbSize = 0;
    int FThumbOffset = 0;
    int FDragOrigin = 0;
    int FDragStartPos = 0;
    QTimer *FTimer = nullptr;
};

namespace Nscrollbar {

// Puts TNScrollBar on the Designer widget box.
void Register();

}   // namespace Nscrollbar
