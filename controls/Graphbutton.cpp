#include "controls/Graphbutton.h"

#include <QFontMetrics>
#include <QImage>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "controls/Gtextfield.h"
#include "controls/contrast.h"
#include "controls/palette.h"

namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
const QColor Grey(128, 128, 128);
const QColor LightGrey(224, 224, 224);

// The glyph as drawn: with TransparentGlyph, every pixel of the colour of
// the lower-left pixel is left out (pixels already transparent stay so).
QImage DrawnGlyph(const QPixmap &glyph, bool transparent)
{
    QImage img = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    if (transparent && !img.isNull()) {
        const QRgb key = img.pixel(0, img.height() - 1);
        if (qAlpha(key) != 0) {
            for (int y = 0; y < img.height(); ++y) {
                QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    if (line[x] == key)
                        line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return img;
}

// The embossed grey picture of a disabled button: every visible pixel that
// is not white becomes grey, with a white copy of that shape one pixel to
// the right and below, cut to the glyph's size; white and transparent
// pixels let the face show through.
QImage DisabledGlyph(const QImage &drawn)
{
    const int w = drawn.width();
    const int h = drawn.height();
    QImage out(w, h, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    auto shape = [&](int x, int y) {
        const QRgb c = drawn.pixel(x, y);
        return qAlpha(c) >= 128 && (c & 0xFFFFFF) != 0xFFFFFF;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (shape(x, y))
                out.setPixel(x, y, Grey.rgb());
            else if (x > 0 && y > 0 && shape(x - 1, y - 1))
                out.setPixel(x, y, White.rgb());
        }
    return out;
}

}   // namespace

TGraphButtonBase::TGraphButtonBase(QWidget *parent) : QWidget(parent)
{
    // Opaque: the button paints every pixel of its rectangle. The mouse is
    // grabbed by Qt while a button is held.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(DefaultSize, DefaultSize);
}

TGraphButtonBase::~TGraphButtonBase() = default;

void TGraphButtonBase::SetBitmap(const QPixmap &glyph)
{
    FGlyph = glyph.copy();
    update();
}

void TGraphButtonBase::SetBitmap(const QImage &glyph)
{
    SetBitmap(QPixmap::fromImage(glyph));
}

void TGraphButtonBase::SetCaption(const char *caption)
{
    SetCaption(caption ? QString::fromUtf8(caption) : QString());
}

void TGraphButtonBase::SetCaption(const QString &caption)
{
    if (caption.isEmpty() && FCaption.isEmpty())
        return;
    if (caption == FCaption)
        return;
    FCaption = caption;
    update();
}

namespace {

template <typename T>
bool Store(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

}   // namespace

void TGraphButtonBase::SetLayoutValue(int value)
{
    if (Store(FLayout, value))
        update();
}

void TGraphButtonBase::SetBitmapDX(int value)
{
    if (Store(FBitmapDX, value))
        update();
}

void TGraphButtonBase::SetBitmapDY(int value)
{
    if (Store(FBitmapDY, value))
        update();
}

void TGraphButtonBase::SetCaptionDX(int value)
{
    if (Store(FCaptionDX, value))
        update();
}

void TGraphButtonBase::SetCaptionDY(int value)
{
    if (Store(FCaptionDY, value))
        update();
}

void TGraphButtonBase::SetTransparentGlyph(bool value)
{
    if (Store(FTransparentGlyph, value))
        update();
}

void TGraphButtonBase::SetColor(const QColor &value)
{
    if (Store(FColor, value))
        update();
}

bool TGraphButtonBase::ClickConnected() const
{
    static const QMetaMethod click = QMetaMethod::fromSignal(&TGraphButtonBase::OnClick);
    return isSignalConnected(click);
}

void TGraphButtonBase::PaintButton(QPainter &p)
{
    using Gtextfield::Half;
    const int w = width();
    const int h = height();

    p.fillRect(1, 1, w - 2, h - 2, FColor);

    const QFontMetrics fm(font());
    const int gw = FGlyph.isNull() ? 0 : FGlyph.width();
    const int gh = FGlyph.isNull() ? 0 : FGlyph.height();
    const int tw = FCaption.isEmpty() ? 0 : fm.horizontalAdvance(FCaption);
    const int th = fm.height();

    int gx = 0, gy = 0, tx = 0, ty = 0;
    if (FLayout != 3) {
        gx = Half(w - gw);
        gy = Half(h - gh);
        tx = Half(w - tw);
        ty = Half(h - th);
        if (gw != 0 && tw != 0) {
            if (FLayout == 0) {
                gx = (w >> 4) + 1;
                // The gap between glyph and caption equals the glyph's
                // distance from the left edge.
                tx = 2 * gx + gw + FBitmapDX;
            } else if (FLayout == 1) {
                gy = (h >> 4) + 1;
                ty = 2 * gy + gh + FBitmapDY;
            }
        }
    }
    gx += FBitmapDX;
    gy += FBitmapDY;
    tx += FCaptionDX;
    ty += FCaptionDY;
    if (FPressed) {
        ++gx;
        ++gy;
        ++tx;
        ++ty;
    }

    const bool enabled = isEnabled();
    if (gw != 0) {
        const QImage drawn = DrawnGlyph(FGlyph, FTransparentGlyph);
        p.drawImage(gx, gy, enabled ? drawn : DisabledGlyph(drawn));
    }

    if (tw != 0) {
        p.setFont(font());
        const int baseline = ty + fm.ascent();
        if (enabled) {
            p.setPen(TextColorOn(FColor));
            p.drawText(tx, baseline, FCaption);
        } else {
            // Engraved: white one pixel right and below, grey on top.
            p.setPen(White);
            p.drawText(tx + 1, baseline + 1, FCaption);
            p.setPen(Grey);
            p.drawText(tx, baseline, FCaption);
        }
    }

    if (FPressed)
        Gtextfield::DrawFrame(p, w, h, Grey, LightGrey);
    else
        Gtextfield::DrawFrame(p, w, h, White, Black);
}

void TGraphButtonBase::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintButton(p);
}

void TGraphButtonBase::mousePressEvent(QMouseEvent *)
{
    if (FDisableClick)
        return;
    FPressed = true;
    update();
    if (FRepeatPeriod != 0 && ClickConnected()) {
        emit OnClick(this);
        // The click may have ended the press already (it disabled or hid
        // the button, or a nested event loop delivered the release): then
        // nothing is held any more and no repeat may start.
        if (!FPressed)
            return;
        if (!FTimer) {
            FTimer = new QTimer(this);
            connect(FTimer, &QTimer::timeout, this, &TGraphButtonBase::OnTimer);
        }
        FTimer->setInterval(FirstRepeatDelay);
        FTimer->start();
    }
}

void TGraphButtonBase::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click is just a second press.
    mousePressEvent(event);
}

void TGraphButtonBase::mouseReleaseEvent(QMouseEvent *event)
{
    if (FDisableClick)
        return;
    FPressed = false;
    update();
    StopRepeat();
    if (FRepeatPeriod == 0) {
        const QPoint pos = event->position().toPoint();
        if (pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() < height())
            emit OnClick(this);
    }
}

void TGraphButtonBase::OnTimer()
{
    if (FTimer)
        FTimer->setInterval(FRepeatPeriod);
    emit OnClick(this);
}

void TGraphButtonBase::StopRepeat()
{
    if (!FTimer)
        return;
    // Deleted later: the release may arrive while the timer's own timeout
    // is being delivered (a click handler running a nested event loop).
    FTimer->stop();
    FTimer->deleteLater();
    FTimer = nullptr;
}

void TGraphButtonBase::CancelPress()
{
    if (!FPressed && !FTimer)
        return;
    FPressed = false;
    StopRepeat();
    update();
}

void TGraphButtonBase::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        update();
        // A disabled widget gets no mouse release: end the press here.
        if (!isEnabled())
            CancelPress();
    }
    QWidget::changeEvent(event);
}

void TGraphButtonBase::hideEvent(QHideEvent *event)
{
    CancelPress();
    QWidget::hideEvent(event);
}

TGraphButton::TGraphButton(QWidget *parent) : TGraphButtonBase(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

namespace Graphbutton {

void Register()
{
    RegisterComponent(ControlEntry(QStringLiteral("TGraphButton"), QStringLiteral("Graphic button"),
                                   QStringLiteral("controls/Graphbutton.h"), TGraphButton::DefaultSize,
                                   TGraphButton::DefaultSize,
                                   [](QWidget *parent) -> QWidget * { return new TGraphButton(parent); }));
}

}   // namespace Graphbutton
