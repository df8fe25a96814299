#include "app/shadow_label.h"

#include <QPainter>

TShadowLabel::TShadowLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{}

void TShadowLabel::setShadowColor(const QColor &c)
{
    if (c == shadow_)
        return;
    shadow_ = c;
    update();
}

void TShadowLabel::setShadowSize(int px)
{
    if (px == size_)
        return;
    size_ = px;
    updateGeometry();
    update();
}

QSize TShadowLabel::sizeHint() const
{
    return QLabel::sizeHint() + QSize(size_, size_);
}

void TShadowLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    // The text block is placed as the label's alignment says within the
    // area that leaves room for the shadow, so neither copy is clipped.
    const QRect area = contentsRect().adjusted(0, 0, -size_, -size_);
    const int flags = int(alignment()) | Qt::TextSingleLine;
    p.setPen(shadow_);
    p.drawText(area.translated(size_, size_), flags, text());
    p.setPen(palette().color(foregroundRole()));
    p.drawText(area, flags, text());
}

QFont BannerFont()
{
    QFont f(QStringLiteral("Arial Black"));
    f.setPixelSize(27);
    f.setItalic(true);
    f.setWeight(QFont::Black);
    return f;
}
