#include "controls/editor/Nscrollbar.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <algorithm>

#include "controls/palette.h"

namespace {

// The 8 x 8 two-colour dither of every bar's track (alternating grey and
// white pixels), made at first use and shared.
const QBrush &DitherBrush()
{
    static const QBrush brush = [] {
        QImage img(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                img.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 255, 255) : qRgb(192, 192, 192));
        return QBrush(img);
    }();
    return brush;
}

}   // namespace

TNScrollBar::TNScrollBar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    FTimer = new QTimer(this);
    connect(FTimer, &QTimer::timeout, this, &TNScrollBar::OnTimer);
}

TNScrollBar::~TNScrollBar() = default;

void TNScrollBar::SetKind(TNScrBar_Kind value)
{
    FKind = value;
    update();
}

void TNScrollBar::SetPos(int value)
{
    if (!FRange.SetPos(value))
        return;
    update();
    emit OnChange(this);
}

void TNScrollBar::SetMax(int value)
{
    if (value <= 0) {
        FRange.SetMax(0);
        setEnabled(false);
        update();
        return;
    }
    if (FRange.SetMax(value)) {
        setEnabled(true);
        update();
    }
}

void TNScrollBar::SetPage(int value)
{
    if (FRange.SetPage(value))
        update();
}

void TNScrollBar::Calculate()
{
    FHorizontal = FKind == sbkHorizontal || (FKind == sbkAuto && height() < width());
    const int thickness = FHorizontal ? height() : width();
    const int length = FHorizontal ? width() : height();
    FArrowSize = std::min({thickness, int(MaxArrowSize), length / 4});
    FTrackLen = length - 2 * FArrowSize;
    if (FRange.Max <= 0) {
        FThumbSize = 0;
        FThumbOffset = 0;
        return;
    }
    // 64-bit products: a large Max or Page must not overflow.
    FThumbSize = int(qint64(FTrackLen) * FRange.Page / (qint64(FRange.Max) + FRange.Page));
    FThumbSize = std::max(FThumbSize, int(MinThumbSize));
    FThumbOffset = int(qint64(FTrackLen - FThumbSize) * FRange.Pos / FRange.Max);
}

bool TNScrollBar::Scroll(int code)
{
    switch (code) {
    case nscLineBack:
        if (FRange.Pos <= 0)
            return false;
        SetPos(FRange.Pos - 1);
        break;
    case nscLineForward:
        if (FRange.Pos >= FRange.Max)
            return false;
        SetPos(FRange.Pos + 1);
        break;
    case nscPageBack:
        if (FRange.Pos <= 0)
            return false;
        SetPos(int(std::max<qint64>(0, qint64(FRange.Pos) - FRange.Page)));
        break;
    case nscPageForward:
        if (FRange.Pos >= FRange.Max)
            return false;
        SetPos(int(std::min<qint64>(FRange.Max, qint64(FRange.Pos) + FRange.Page)));
        break;
    case nscNone: return false;
    default:
        // Thumb pressed, moved and released change nothing here; they only notify.
        break;
    }
    emit OnScroll(this, code);
    return true;
}

int TNScrollBar::PartAt(int along) const
{
    const int length = FHorizontal ? width() : height();
    if (along < FArrowSize)
        return nspBackArrow;
    if (along < FArrowSize + FThumbOffset)
        return nspPageBack;
    if (along < FArrowSize + FThumbOffset + FThumbSize)
        return nspThumb;
    if (along < length - FArrowSize)
        return nspPageForward;
    return nspForwardArrow;
}

void TNScrollBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    Calculate();
    const int along = FHorizontal ? p.x() : p.y();
    const int part = PartAt(along);
    FPressedPart = part;
    if (!Scroll(part == nspThumb ? int(nscThumbPressed) : part)) {
        FPressedPart = nspNone;
    } else if (part == nspThumb) {
        FDragOrigin = along;
        FDragStartPos = FRange.Pos;
        FPressedPart = nspThumbDrag;
    } else {
        FTimer->start(FirstRepeatDelay);
    }
    update();
}

void TNScrollBar::OnTimer()
{
    FTimer->setInterval(RepeatInterval);
    if (FPressedPart >= nspBackArrow && FPressedPart <= nspPageForward && Scroll(FPressedPart))
        return;
    FPressedPart = nspNone;
    FTimer->stop();
    update();
}

void TNScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), p.x(), p.y());
    if (FPressedPart != nspThumbDrag)
        return;
    Calculate();
    const int span = FTrackLen - FThumbSize;
    // A bar too short for its thumb has no room to drag in: the position stays.
    if (span <= 0)
        return;
    const int along = FHorizontal ? p.x() : p.y();
    const qint64 moved = qint64(along - FDragOrigin) * FRange.Max / span + FDragStartPos;
    const int pos = int(std::clamp<qint64>(moved, 0, FRange.Max));
    if (pos != FRange.Pos) {
        SetPos(pos);
        Scroll(nscThumbMoved);
    }
}

void TNScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
    if (event->button() != Qt::LeftButton)
        return;
    FTimer->stop();
    if (FPressedPart == nspThumbDrag)
        Scroll(nscThumbReleased);
    FPressedPart = nspNone;
    update();
}

void TNScrollBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void TNScrollBar::paintEvent(QPaintEvent *)
{
    Calculate();
    QPainter p(this);
    QStyle *st = style();
    const int length = FHorizontal ? width() : height();
    const int thickness = FHorizontal ? height() : width();
    // A rectangle from a span along the bar, across its whole thickness.
    auto span = [&](int from, int size) {
        return FHorizontal ? QRect(from, 0, size, thickness) : QRect(0, from, thickness, size);
    };
    const bool active = isEnabled() && FThumbSize != 0;

    auto arrow = [&](const QRect &r, bool back, bool pressed) {
        QStyleOption opt;
        opt.initFrom(this);
        opt.rect = r;
        opt.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
        if (!active)
            opt.state &= ~QStyle::State_Enabled;
        p.fillRect(r, opt.palette.button());
        if (pressed) {
            // Pushed and flat: a one-pixel frame, the arrow one pixel down and right.
            p.setPen(opt.palette.color(QPalette::Dark));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            opt.rect = r.translated(1, 1);
            opt.state |= QStyle::State_Sunken;
        } else {
            opt.state |= QStyle::State_Raised;
            st->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, &p, this);
        }
        const int inset = std::max(2, r.width() / 4);
        opt.rect = opt.rect.adjusted(inset, inset, -inset, -inset);
        const QStyle::PrimitiveElement pe =
            FHorizontal ? (back ? QStyle::PE_IndicatorArrowLeft : QStyle::PE_IndicatorArrowRight)
                        : (back ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown);
        st->drawPrimitive(pe, &opt, &p, this);
    };
    arrow(span(0, FArrowSize), true, FPressedPart == nspBackArrow);
    arrow(span(length - FArrowSize, FArrowSize), false, FPressedPart == nspForwardArrow);

    const QRect before = span(FArrowSize, FThumbOffset);
    const QRect after = span(FArrowSize + FThumbOffset + FThumbSize, FTrackLen - FThumbOffset - FThumbSize);
    const QColor held(0x80, 0x80, 0x80);
    if (!before.isEmpty())
        p.fillRect(before, FPressedPart == nspPageBack ? QBrush(held) : DitherBrush());
    if (!after.isEmpty())
        p.fillRect(after, FPressedPart == nspPageForward ? QBrush(held) : DitherBrush());

    if (FThumbSize != 0) {
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = span(FArrowSize + FThumbOffset, FThumbSize);
        opt.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
        opt.state |= QStyle::State_Raised;
        p.fillRect(opt.rect, opt.palette.button());
        st->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, &p, this);
    }
}

namespace Nscrollbar {

void Register()
{
    RegisterComponent(ControlEntry(QStringLiteral("TNScrollBar"), QStringLiteral("Scroll bar"),
                                   QStringLiteral("controls/editor/Nscrollbar.h"), 121, 16,
                                   [](QWidget *parent) -> QWidget * { return new TNScrollBar(parent); }));
}

}   // namespace Nscrollbar
