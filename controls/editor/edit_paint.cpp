#include "controls/editor/edit_paint.h"

#include <QPainter>
#include <QRect>
#include <algorithm>
#include <vector>

namespace EditPaint {

int FindCommentStart(const QString &line, int style)
{
    if (style != 1 && style != 2)
        return -1;
    QChar quote;   // the quote character of an open quoted text
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            quote = c;
        else if (style == 1 && c == QLatin1Char('/') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('/'))
            return i;
        else if (style == 2 && c == QLatin1Char(';'))
            return i;
    }
    return -1;
}

void RowFlags(const EditModel &m, int line, int first, int count, unsigned *flags)
{
    const QString &s = m.FEditLines.at(line);
    const int len = int(s.size());
    const int comment = first < len ? FindCommentStart(s, m.CommentStyle) : -1;
    int blockFrom = 0, blockTo = 0;   // block columns on this line, [from, to)
    if (m.FBlockShown) {
        if (m.FBlockKind == pbColumn) {
            if (line >= m.FBlockStartLine && line <= m.FBlockEndLine) {
                blockFrom = m.FBlockStartCol;
                blockTo = m.FBlockEndCol;
            }
        } else if (m.FBlockKind == pbStream && line >= m.FBlockStartLine && line <= m.FBlockEndLine) {
            blockFrom = line == m.FBlockStartLine ? m.FBlockStartCol : 0;
            blockTo = line == m.FBlockEndLine ? m.FBlockEndCol : EditModel::MaxColumn + 2;
        }
    }
    const bool found = m.FFoundLen > 0 && line == m.FFoundLine;
    for (int i = 0; i < count; ++i) {
        const int col = first + i;
        unsigned f = 0;
        if (col < len)
            f |= cfText;
        if (comment >= 0 && col >= comment)
            f |= cfComment;
        if (col >= blockFrom && col < blockTo)
            f |= cfBlock;
        if (found && col >= m.FFoundCol && col < m.FFoundCol + m.FFoundLen)
            f |= cfFound;
        flags[i] = f;
    }
}

void PaintText(QPainter &p, const EditModel &m, const EditColors &colors, const QRect &clip, int areaWidth,
               int areaHeight, int ascent)
{
    const int cw = std::max(m.FCharW, 1), ch = std::max(m.FCharH, 1);
    p.fillRect(QRect(0, 0, Margin, areaHeight) & clip, colors.Back);
    const int cells = std::max(m.FVisCols + 2, 0);
    std::vector<unsigned> flags(size_t(cells) + 1);
    int y = 0;
    for (int i = 0; i <= m.FVisLines; ++i, y += ch) {
        const int line = m.FStartLine + i;
        if (line >= m.LineCount() || y > clip.bottom())
            break;
        if (y + ch < clip.top() - ch)
            continue;
        const bool highlighted = line == m.HighlightLine;
        const QString &s = m.FEditLines.at(line);
        RowFlags(m, line, m.FStartCol, cells, flags.data());
        flags[size_t(cells)] = ~0u;   // ends the last run
        int runStart = 0;
        for (int k = 1; k <= cells; ++k) {
            if (flags[size_t(k)] == flags[size_t(runStart)])
                continue;
            const unsigned f = flags[size_t(runStart)];
            QColor back = colors.Back;
            if (f & cfBlock)
                back = colors.Block;
            if (highlighted)
                back = (f & cfBlock) ? colors.HighlightBlock : colors.Highlight;
            if (f & cfFound)
                back = colors.Font;
            const QRect cellsRect(Margin + runStart * cw, y, (k - runStart) * cw, ch);
            p.fillRect(cellsRect, back);
            if (f & cfText) {
                QColor text = colors.Font;
                if (f & cfComment)
                    text = colors.Comment;
                if (highlighted)
                    text = colors.HighlightText;
                if (f & cfBlock)
                    text = colors.BlockText;
                if (f & cfFound)
                    text = colors.Back;
                p.setPen(text);
                p.drawText(cellsRect.left(), y + ascent, s.mid(m.FStartCol + runStart, k - runStart));
            }
            runStart = k;
        }
    }
    if (y < areaHeight)
        p.fillRect(QRect(Margin, y, std::max(areaWidth - Margin, 0), areaHeight - y) & clip, colors.Back);
}

}   // namespace EditPaint
