#include "controls/editor/edit_paint.h"

#include <limits>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QRect>
#include <algorithm>
#include <vector>

namespace EditPaint {

namespace {

// Draws n characters, each glyph at the left edge of its own cell (cells cw
// pixels wide from x on), so that no run drifts off the grid however far the
// font's true advance is from cw. Glyphs come from the font itself; a
// character it lacks (and a surrogate pair, which still takes two cells) is
// drawn alone at its cell through the painter, which finds a font that has it.
class CellText {
public:
    CellText(const QFont &font, int cells) : FRaw(QRawFont::fromFont(font)), FGlyphs(size_t(cells)), FPos(size_t(cells))
    {}

    void Draw(QPainter &p, const QChar *chars, int n, int x, int baseline, int cw)
    {
        if (size_t(n) > FGlyphs.size()) {
            FGlyphs.resize(size_t(n));
            FPos.resize(size_t(n));
        }
        int count = n;
        if (!FRaw.isValid() || !FRaw.glyphIndexesForChars(chars, n, FGlyphs.data(), &count) || count != n) {
            for (int i = 0; i < n; ++i) {   // one glyph per character was not to be had
                const int len = chars[i].isHighSurrogate() && i + 1 < n && chars[i + 1].isLowSurrogate() ? 2 : 1;
                if (!chars[i].isSpace())
                    p.drawText(x + i * cw, baseline, QString(chars + i, len));
                i += len - 1;
            }
            return;
        }
        int kept = 0;
        for (int i = 0; i < n; ++i) {
            if (chars[i] == QLatin1Char(' '))
                continue;
            if (FGlyphs[size_t(i)] == 0) {   // not in the font
                p.drawText(x + i * cw, baseline, QString(chars[i]));
                continue;
            }
            FGlyphs[size_t(kept)] = FGlyphs[size_t(i)];
            FPos[size_t(kept)] = QPointF(i * cw, 0);
            ++kept;
        }
        if (kept == 0)
            return;
        QGlyphRun run;
        run.setRawFont(FRaw);
        run.setRawData(FGlyphs.data(), FPos.data(), kept);
        p.drawGlyphRun(QPointF(x, baseline), run);
    }

private:
    QRawFont FRaw;
    std::vector<quint32> FGlyphs;
    std::vector<QPointF> FPos;
};

}   // namespace

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
    const QString &s = m.Lines().at(line);
    const int len = int(s.size());
    const int comment = first < len ? FindCommentStart(s, m.CommentStyle) : -1;
    int blockFrom = 0, blockTo = 0;   // block columns on this line, [from, to)
    if (m.Block().Shown) {
        if (m.Block().Kind == pbColumn) {
            if (line >= m.Block().Start.Line && line <= m.Block().End.Line) {
                blockFrom = m.Block().Start.Col;
                blockTo = m.Block().End.Col;
            }
        } else if (m.Block().Kind == pbStream && line >= m.Block().Start.Line && line <= m.Block().End.Line) {
            blockFrom = line == m.Block().Start.Line ? m.Block().Start.Col : 0;
            blockTo = line == m.Block().End.Line ? m.Block().End.Col : std::numeric_limits<int>::max();
        }
    }
    const bool found = m.Found().Len > 0 && line == m.Found().Pos.Line;
    for (int i = 0; i < count; ++i) {
        const int col = first + i;
        unsigned f = 0;
        if (col < len)
            f |= cfText;
        if (comment >= 0 && col >= comment)
            f |= cfComment;
        if (col >= blockFrom && col < blockTo)
            f |= cfBlock;
        if (found && col >= m.Found().Pos.Col && col < m.Found().Pos.Col + m.Found().Len)
            f |= cfFound;
        flags[i] = f;
    }
}

void PaintText(QPainter &p, const EditModel &m, const EditColors &colors, const QRect &clip, int areaWidth,
               int areaHeight, int ascent)
{
    const int cw = std::max(m.Metrics().CharW, 1), ch = std::max(m.Metrics().CharH, 1);
    p.fillRect(QRect(0, 0, Margin, areaHeight) & clip, colors.Back);
    const int cells = std::max(m.Metrics().VisCols + 2, 0);
    std::vector<unsigned> flags(size_t(cells) + 1);
    CellText text(p.font(), cells);
    int y = 0;
    for (int i = 0; i <= m.Metrics().VisLines; ++i, y += ch) {
        const int line = m.Start().Line + i;
        if (line >= m.LineCount() || y > clip.bottom())
            break;
        if (y + ch < clip.top() - ch)
            continue;
        const bool highlighted = line == m.HighlightLine;
        const QString &s = m.Lines().at(line);
        RowFlags(m, line, m.Start().Col, cells, flags.data());
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
                QColor ink = colors.Font;
                if (f & cfComment)
                    ink = colors.Comment;
                if (highlighted)
                    ink = colors.HighlightText;
                if (f & cfBlock)
                    ink = colors.BlockText;
                if (f & cfFound)
                    ink = colors.Back;
                p.setPen(ink);
                // Text cells lie inside the line: the run's characters are all there.
                text.Draw(p, s.constData() + m.Start().Col + runStart, k - runStart, cellsRect.left(), y + ascent, cw);
            }
            runStart = k;
        }
    }
    if (y < areaHeight)
        p.fillRect(QRect(Margin, y, std::max(areaWidth - Margin, 0), areaHeight - y) & clip, colors.Back);
}

}   // namespace EditPaint
