#include "controls/Gtextfield.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "controls/palette.h"

TGTextField::TGTextField(QWidget *parent) : QWidget(parent)
{
    // Opaque: the field paints every pixel of its rectangle.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    FColor = palette().color(QPalette::Base);
    resize(DefaultWidth, DefaultHeight);
}

TGTextField::~TGTextField() = default;

void TGTextField::SetText(const char *text)
{
    SetText(text ? QString::fromUtf8(text) : QString());
}

void TGTextField::SetText(const QString &text)
{
    // An unset text and an empty one are the same text.
    if (text.isEmpty() && FText.isEmpty())
        return;
    if (text == FText)
        return;
    FText = text;
    update();
}

namespace {

// The C locale, for formatting independent of the user's LC_NUMERIC.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

}   // namespace

void TGTextField::PrtF(const char *format, ...)
{
    char buffer[PrtFBufferSize];
    buffer[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        const locale_t c = CLocale();
        const locale_t previous = c ? uselocale(c) : locale_t(nullptr);
        // vsnprintf never writes past the buffer and always terminates it.
        if (vsnprintf(buffer, sizeof buffer, format, args) < 0)
            buffer[0] = '\0';
        if (c)
            uselocale(previous);
        va_end(args);
    }
    SetText(buffer);
}

void TGTextField::SetBorder(TGF_Border value)
{
    if (value == FBorder)
        return;
    FBorder = value;
    update();
}

void TGTextField::SetTextAlign(TGF_TextAlign value)
{
    if (value == FTextAlign)
        return;
    FTextAlign = value;
    update();
}

void TGTextField::SetMargin(int value)
{
    if (value == FMargin)
        return;
    FMargin = value;
    update();
}

void TGTextField::SetColor(const QColor &value)
{
    if (value == FColor)
        return;
    FColor = value;
    update();
}

void TGTextField::paintEvent(QPaintEvent *)
{
    using Gtextfield::Half;
    const int w = width();
    const int h = height();
    QPainter p(this);

    if (FBorder == tfbNone)
        p.fillRect(0, 0, w, h, FColor);
    else
        p.fillRect(1, 1, w - 2, h - 2, FColor);

    if (!FText.isEmpty()) {
        const QFontMetrics fm(font());
        const int tw = fm.horizontalAdvance(FText);
        const int th = fm.height();
        const int y = Half(h - th);
        int x = FMargin;
        if (FTextAlign == tfaCenter)
            x = Half(w - tw);
        else if (FTextAlign == tfaRight)
            x = w - FMargin - tw;
        // Not clipped to the interior: a long text runs to the edges, and
        // the frame drawn afterwards covers it there.
        p.setFont(font());
        p.setPen(palette().color(QPalette::Active, QPalette::WindowText));
        p.drawText(x, y + fm.ascent(), FText);
    }

    if (FBorder != tfbNone) {
        const QColor white(255, 255, 255);
        const QColor black(0, 0, 0);
        Gtextfield::DrawFrame(p, w, h, FBorder == tfbRaised ? white : black, FBorder == tfbLowered ? white : black);
    }
}

void TGTextField::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        FClicked = true;
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TGTextField::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = FClicked;
    FClicked = false;
    // Qt keeps the mouse grabbed by this widget while the button is held,
    // so the release arrives here even outside; only one inside clicks.
    if (clicked && rect().contains(event->position().toPoint()))
        emit OnClick(this);
}

void TGTextField::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click reports a double click instead of
    // starting another click.
    FClicked = false;
    if (event->button() == Qt::LeftButton)
        emit OnDblClick(this);
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

namespace Gtextfield {

void CanvasLine(QPainter &p, int x0, int y0, int x1, int y1, const QColor &color)
{
    if (y0 == y1) {
        if (x1 > x0)
            p.fillRect(x0, y0, x1 - x0, 1, color);
        else if (x1 < x0)
            p.fillRect(x1 + 1, y0, x0 - x1, 1, color);
    } else if (x0 == x1) {
        if (y1 > y0)
            p.fillRect(x0, y0, 1, y1 - y0, color);
        else
            p.fillRect(x0, y1 + 1, 1, y0 - y1, color);
    }
}

void DrawFrame(QPainter &p, int w, int h, const QColor &leftTop, const QColor &rightBottom)
{
    CanvasLine(p, 0, h - 1, 0, 0, leftTop);
    CanvasLine(p, 0, 0, w, 0, leftTop);
    CanvasLine(p, w - 1, 1, w - 1, h - 1, rightBottom);
    CanvasLine(p, w - 1, h - 1, 0, h - 1, rightBottom);
}

void Register()
{
    RegisterComponent(ControlEntry(QStringLiteral("TGTextField"), QStringLiteral("Framed text field"),
                                   QStringLiteral("controls/Gtextfield.h"), TGTextField::DefaultWidth,
                                   TGTextField::DefaultHeight,
                                   [](QWidget *parent) -> QWidget * { return new TGTextField(parent); }));
}

}   // namespace Gtextfield
