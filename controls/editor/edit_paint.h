// Painting the editor's text: each visible row is drawn as runs of equally
// coloured cells (one fill and one glyph run per run, every glyph placed at
// its own cell), with the comment, block, highlighted-line and found-text
// colours; rows outside the clip rectangle are skipped.
#pragma once

#include <QColor>
#include <QString>

#include "controls/editor/edit_model.h"

class QPainter;
class QRect;

struct EditColors {
    QColor Font = Qt::black;   // the text
    QColor Back = Qt::white;   // the control's Color
    QColor Comment;
    QColor BlockText;
    QColor Block;
    QColor HighlightText;
    QColor Highlight;
    QColor HighlightBlock;
};

namespace EditPaint {

// Left margin of the text in pixels.
inline constexpr int Margin = 4;

// Column of the comment that starts the line's comment ("//" for style 1,
// ";" for style 2, outside text quoted with ' or "), or -1.
int FindCommentStart(const QString &line, int style);

// One cell's colouring.
enum CellFlag : unsigned { cfText = 1, cfComment = 2, cfBlock = 4, cfFound = 8 };

// The flags of the `count` cells of `line` from column `first`.
void RowFlags(const EditModel &m, int line, int first, int count, unsigned *flags);

// Paints the text area (areaWidth x areaHeight pixels) within `clip`.
// `ascent` is the font's ascent; the painter's font is the editor's.
void PaintText(QPainter &p, const EditModel &m, const EditColors &colors, const QRect &clip, int areaWidth,
               int areaHeight, int ascent);

}   // namespace EditPaint
