#pragma once
// Text drawn on a fixed face colour (not the palette's) takes a colour
// chosen for that face, so that a dark desktop palette does not put light
// text on a light face.

#include <QColor>

// Black on light faces (white, silver), white on dark ones.
inline QColor TextColorOn(const QColor &face)
{
    // Relative luminance in the sRGB weights, 0..255.
    const int luma = (face.red() * 299 + face.green() * 587 + face.blue() * 114) / 1000;
    return luma >= 128 ? QColor(Qt::black) : QColor(Qt::white);
}
