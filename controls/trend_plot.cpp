#include "controls/trend_plot.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "controls/trend_axis.h"

namespace {

constexpr int kFrameMs = 40;   // new samples repaint at most this often
const QColor kPlotBack(255, 255, 255);
const QColor kGrid(228, 228, 228);
const QColor kGapBand(255, 214, 214);
const QColor kGapStrip(220, 40, 40);
const QColor kMark(200, 110, 0);
const QColor kCursor(60, 60, 60);

QString Number(double v)
{
    return QString::number(v, 'g', 7);
}

QString SpanText(int64_t us)
{
    const double s = double(us) / 1e6;
    if (s < 1)
        return QStringLiteral("%1 ms").arg(s * 1000, 0, 'g', 3);
    if (s < 120)
        return QStringLiteral("%1 s").arg(s, 0, 'g', 3);
    if (s < 7200)
        return QStringLiteral("%1 min").arg(s / 60, 0, 'g', 3);
    if (s < 3 * 86400)
        return QStringLiteral("%1 h").arg(s / 3600, 0, 'g', 3);
    return QStringLiteral("%1 d").arg(s / 86400, 0, 'g', 3);
}

int64_t WallNowUs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

}   // namespace

TTrendPlot::TTrendPlot(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
    FT1 = WallNowUs();
    FT0 = FT1 - 60'000'000;
}

void TTrendPlot::SetSeries(std::vector<TrendPlotSeries> series)
{
    FSeries = std::move(series);
    update();
}

void TTrendPlot::AddMark(int64_t t, const QString &text)
{
    FMarks.push_back({t, text});
    while (int(FMarks.size()) > MaxMarks)
        FMarks.pop_front();
    update();
}

void TTrendPlot::ClearMarks()
{
    FMarks.clear();
    update();
}

int64_t TTrendPlot::NewestTime() const
{
    int64_t newest = INT64_MIN;
    for (const TrendPlotSeries &s : FSeries)
        if (s.store && !s.store->Empty())
            newest = std::max(newest, s.store->Newest());
    return newest == INT64_MIN ? WallNowUs() : newest;
}

void TTrendPlot::DataChanged()
{
    static const char *const kPending = "trendFramePending";
    if (property(kPending).toBool())
        return;
    setProperty(kPending, true);
    QTimer::singleShot(kFrameMs, this, [this] {
        setProperty(kPending, false);
        if (FFollow) {
            const int64_t span = FT1 - FT0;
            FT1 = NewestTime();
            FT0 = FT1 - span;
        }
        update();
    });
}

void TTrendPlot::SetFollow(bool follow)
{
    if (follow) {
        const int64_t span = FT1 - FT0;
        FT1 = NewestTime();
        FT0 = FT1 - span;
    }
    if (follow != FFollow) {
        FFollow = follow;
        emit FollowChanged(follow);
    }
    update();
}

void TTrendPlot::FitAll()
{
    int64_t oldest = INT64_MAX, newest = INT64_MIN;
    for (const TrendPlotSeries &s : FSeries)
        if (s.store && !s.store->Empty()) {
            oldest = std::min(oldest, s.store->Oldest());
            newest = std::max(newest, s.store->Newest());
        }
    if (oldest <= newest)
        SetTimeRange(oldest, newest + std::max<int64_t>((newest - oldest) / 100, 1));
    SetAutoValues(true);
}

void TTrendPlot::SetTimeRange(int64_t t0, int64_t t1)
{
    int64_t span = std::clamp<int64_t>(t1 - t0, MinSpanUs, MaxSpanUs);
    const int64_t mid = t0 + (t1 - t0) / 2;
    FT0 = mid - span / 2;
    FT1 = FT0 + span;
    update();
}

void TTrendPlot::ZoomTime(double factor, int64_t about)
{
    const int64_t span = FT1 - FT0;
    const int64_t want = std::clamp<int64_t>(int64_t(double(span) * factor), MinSpanUs, MaxSpanUs);
    if (FFollow) {
        FT0 = FT1 - want;
    } else {
        const double share = span > 0 ? double(about - FT0) / double(span) : 0.5;
        FT0 = about - int64_t(share * double(want));
        FT1 = FT0 + want;
    }
    update();
}

void TTrendPlot::SetAutoValues(bool on)
{
    if (on != FAutoValues) {
        FAutoValues = on;
        emit AutoValuesChanged(on);
    }
    update();
}

void TTrendPlot::SetValueRange(double lo, double hi)
{
    if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi))
        return;
    FLo = lo;
    FHi = hi;
    SetAutoValues(false);
}

void TTrendPlot::SetCursorX(int x)
{
    if (x != FCursorX) {
        FCursorX = x;
        update();
    }
}

// Layout and queries ----------------------------------------------------------

void TTrendPlot::Layout(const QRect &rect, const QFontMetrics &fm)
{
    const int fh = fm.height();
    // Legend: swatch, name, value.
    int nameW = fm.horizontalAdvance(QStringLiteral("Series"));
    for (const TrendPlotSeries &s : FSeries)
        nameW = std::max(nameW, fm.horizontalAdvance(s.name));
    nameW = std::min(nameW, fm.averageCharWidth() * 24);
    const int valueW = fm.horizontalAdvance(QStringLiteral("-1234567 … -1234567"));
    const int legendW = std::min(12 + 6 + nameW + 10 + valueW + 8, rect.width() / 2);
    // Value labels: the widest label of the current range.
    int labelW = fm.horizontalAdvance(QStringLiteral("-0.00"));
    const ValueTicks vt = ValueTickSet(FLo, FHi, std::max(rect.height() - 3 * fh, 10), fh * 2);
    for (double v : vt.values)
        labelW = std::max(labelW, fm.horizontalAdvance(QString::fromStdString(ValueLabel(v, vt.step))));
    const int left = rect.left() + labelW + 10;
    const int top = rect.top() + fh + 8;
    const int bottom = rect.bottom() - (fh + 10);
    const int right = rect.right() - legendW - 6;
    FPlot = QRect(QPoint(left, top), QPoint(std::max(right, left + 10), std::max(bottom, top + 10)));
    const int legendH = 8 + (fh + 4) * (int(FSeries.size()) + 1) + 2;
    FLegend = QRect(FPlot.right() + 6, top, rect.right() - FPlot.right() - 6, std::min(FPlot.height(), legendH));
}

void TTrendPlot::QueryAll()
{
    const int columns = FPlot.width();
    FColumns.resize(FSeries.size());
    FGapCols.assign(size_t(std::max(columns, 0)), 0);
    std::vector<uint8_t> data(FGapCols.size(), 0);
    for (size_t i = 0; i < FSeries.size(); ++i) {
        std::vector<TrendColumn> &cols = FColumns[i].cols;
        if (FSeries[i].store)
            FSeries[i].store->Query(FT0, FT1, columns, cols);
        else
            cols.assign(size_t(columns), TrendColumn{});
        for (int c = 0; c < columns; ++c) {
            FGapCols[size_t(c)] |= cols[size_t(c)].gap;
            data[size_t(c)] |= cols[size_t(c)].data;
        }
    }
    // A gap lasts until the next value: the columns between two failed
    // samples, or between a failure and the next good one, are shaded too
    // (up to the newest sample).
    const double newestX = TimeToX(NewestTime(), FT0, FT1, 0, columns);
    for (int c = 1; c < columns && c <= newestX; ++c)
        if (FGapCols[size_t(c - 1)] && !data[size_t(c)])
            FGapCols[size_t(c)] = 1;
}

void TTrendPlot::AutoRange()
{
    double lo = INFINITY, hi = -INFINITY;
    for (const Columns &s : FColumns)
        for (const TrendColumn &c : s.cols)
            if (c.data) {
                lo = std::min(lo, c.min);
                hi = std::max(hi, c.max);
            }
    if (!(lo <= hi)) {
        lo = 0;
        hi = 1;
    }
    if (hi - lo < 1e-12 * std::max(1.0, std::fabs(hi))) {
        const double pad = std::max(std::fabs(hi) * 0.05, 1.0);
        lo -= pad;
        hi += pad;
    } else {
        const double pad = (hi - lo) * 0.05;
        lo -= pad;
        hi += pad;
    }
    FLo = lo;
    FHi = hi;
}

double TTrendPlot::ValueToY(double v) const
{
    const double y = FPlot.bottom() - (v - FLo) / (FHi - FLo) * FPlot.height();
    return std::clamp(y, double(FPlot.top() - 4000), double(FPlot.bottom() + 4000));
}

// Painting --------------------------------------------------------------------

void TTrendPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Paint(p, rect());
}

void TTrendPlot::Paint(QPainter &p, const QRect &rect)
{
    const QFontMetrics fm(font());
    p.setFont(font());
    p.fillRect(rect, palette().color(QPalette::Window));
    // The scale needs the columns, the columns the plot's width, the width
    // the scale's labels: lay out, query, scale, and lay out again if the
    // labels grew.
    Layout(rect, fm);
    QueryAll();
    if (FAutoValues) {
        AutoRange();
        const int width = FPlot.width();
        Layout(rect, fm);
        if (FPlot.width() != width) {
            QueryAll();
            AutoRange();
        }
    }
    // On a raster device the plot area is drawn into an image of its own,
    // the series pixel by pixel; elsewhere (SVG) everything is drawn as lines.
    const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
    QPainter canvas;
    QPainter *area = &p;
    if (raster) {
        if (FCanvas.size() != FPlot.size())
            FCanvas = QImage(FPlot.size(), QImage::Format_RGB32);
        canvas.begin(&FCanvas);
        canvas.translate(-FPlot.topLeft());
        area = &canvas;
    }
    area->fillRect(FPlot, kPlotBack);
    DrawAxes(p, *area, fm);
    DrawGaps(*area);
    if (raster) {
        canvas.end();
        for (size_t i = 0; i < FSeries.size(); ++i)
            RasterLines(FCanvas, SeriesLines(FColumns[i].cols), FPlot.topLeft(), FSeries[i].color.rgb());
        p.drawImage(FPlot.topLeft(), FCanvas);
    } else {
        p.save();
        p.setClipRect(FPlot);
        for (size_t i = 0; i < FSeries.size(); ++i) {
            p.setPen(QPen(FSeries[i].color, 0));   // cosmetic: one pixel wide
            p.drawLines(SeriesLines(FColumns[i].cols));
        }
        p.restore();
    }
    DrawMarks(p, fm);

    p.setPen(QColor(120, 120, 120));
    p.setBrush(Qt::NoBrush);
    p.drawRect(FPlot.adjusted(0, 0, -1, -1));

    if (FCursorX >= FPlot.left() && FCursorX <= FPlot.right()) {
        p.setPen(QPen(kCursor, 1, Qt::SolidLine));
        p.drawLine(FCursorX, FPlot.top(), FCursorX, FPlot.bottom());
    }
    DrawLegend(p, fm);
}

// Gaps: a band over the plot's height and a strip at its foot.
void TTrendPlot::DrawGaps(QPainter &p)
{
    const int columns = int(FGapCols.size());
    for (int c = 0; c < columns;) {
        if (!FGapCols[size_t(c)]) {
            ++c;
            continue;
        }
        int e = c;
        while (e < columns && FGapCols[size_t(e)])
            ++e;
        p.fillRect(QRect(FPlot.left() + c, FPlot.top(), e - c, FPlot.height()), kGapBand);
        p.fillRect(QRect(FPlot.left() + c, FPlot.bottom() - 3, e - c, 4), kGapStrip);
        c = e;
    }
}

// Each column's extent as a vertical line; a line from the previous column
// with data unless a gap lies in either of them or between.
QVector<QLine> TTrendPlot::SeriesLines(const std::vector<TrendColumn> &cols) const
{
    QVector<QLine> lines;
    lines.reserve(int(cols.size()) * 2);
    int prev = -1;
    bool broken = false;
    double pmin = 0, pmax = 0;
    for (int c = 0; c < int(cols.size()); ++c) {
        const TrendColumn &col = cols[size_t(c)];
        if (col.gap)
            broken = true;
        if (!col.data)
            continue;
        const int x = FPlot.left() + c;
        if (prev >= 0 && !broken) {
            const double mid = (col.min + col.max) / 2;
            const double a = std::clamp(mid, pmin, pmax);
            const double b = std::clamp(a, col.min, col.max);
            lines.append(QLine(FPlot.left() + prev, int(std::lround(ValueToY(a))), x, int(std::lround(ValueToY(b)))));
        }
        lines.append(QLine(x, int(std::lround(ValueToY(col.max))), x, int(std::lround(ValueToY(col.min)))));
        prev = c;
        pmin = col.min;
        pmax = col.max;
        broken = col.gap;
    }
    return lines;
}

// One-pixel lines written straight into the image (RGB32), clipped to it;
// `origin` is the image's place in the plot's coordinates.
void TTrendPlot::RasterLines(QImage &img, const QVector<QLine> &lines, const QPoint &origin, QRgb color)
{
    const int w = img.width(), h = img.height();
    uchar *bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    const auto put = [&](int x, int y) {
        if (unsigned(x) < unsigned(w) && unsigned(y) < unsigned(h))
            reinterpret_cast<QRgb *>(bits + y * stride)[x] = color;
    };
    for (const QLine &l : lines) {
        int x0 = l.x1() - origin.x(), y0 = l.y1() - origin.y();
        const int x1 = l.x2() - origin.x(), y1 = l.y2() - origin.y();
        if (x0 == x1) {
            if (unsigned(x0) >= unsigned(w))
                continue;
            const int a = std::max(std::min(y0, y1), 0), b = std::min(std::max(y0, y1), h - 1);
            for (int y = a; y <= b; ++y)
                reinterpret_cast<QRgb *>(bits + y * stride)[x0] = color;
            continue;
        }
        // Bresenham.
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (int n = 0; n <= dx - dy; ++n) {
            put(x0, y0);
            if (x0 == x1 && y0 == y1)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
}

void TTrendPlot::DrawAxes(QPainter &p, QPainter &area, const QFontMetrics &fm)
{
    const int fh = fm.height();
    const QColor text = palette().color(QPalette::WindowText);

    // Values: grid lines and labels.
    const ValueTicks vt = ValueTickSet(FLo, FHi, FPlot.height(), fh * 2);
    for (double v : vt.values) {
        const int y = int(std::lround(ValueToY(v)));
        if (y < FPlot.top() || y > FPlot.bottom())
            continue;
        area.setPen(kGrid);
        area.drawLine(FPlot.left() + 1, y, FPlot.right() - 1, y);
        p.setPen(text);
        const QRect box(0, y - fh / 2, FPlot.left() - 6, fh);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(ValueLabel(v, vt.step)));
    }

    // Time: grid lines, ticks and labels that neither touch nor leave the control.
    const std::vector<TimeTick> ticks = TimeTicks(FT0, FT1, FPlot.width(), fm.averageCharWidth());
    int lastRight = INT32_MIN;
    for (const TimeTick &t : ticks) {
        const int x = int(std::lround(TimeToX(t.t, FT0, FT1, FPlot.left(), FPlot.width())));
        if (x < FPlot.left() || x > FPlot.right())
            continue;
        area.setPen(kGrid);
        area.drawLine(x, FPlot.top() + 1, x, FPlot.bottom() - 1);
        p.setPen(text);
        p.drawLine(x, FPlot.bottom(), x, FPlot.bottom() + 3);
        const QString label = QString::fromStdString(t.label);
        const int w = fm.horizontalAdvance(label);
        const int lx = std::clamp(x - w / 2, 0, width() > 0 ? std::max(0, FLegend.right() - w) : x);
        if (lx <= lastRight + 6)
            continue;
        p.drawText(QRect(lx, FPlot.bottom() + 5, w + 2, fh), Qt::AlignLeft | Qt::AlignTop, label);
        lastRight = lx + w;
    }

    // The range above the plot.
    p.setPen(text);
    // The end's date only when it differs from the start's.
    const QString from = QString::fromStdString(FullTimeText(FT0));
    QString to = QString::fromStdString(FullTimeText(FT1));
    if (to.left(10) == from.left(10))
        to = to.mid(11);
    const QString range =
        from + QStringLiteral(" – ") + to + QStringLiteral("  (") + SpanText(FT1 - FT0) + QLatin1Char(')');
    p.drawText(QRect(FPlot.left(), 3, FPlot.width(), fh), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(range, Qt::ElideRight, FPlot.width()));
    p.drawText(QRect(FLegend.left(), 3, FLegend.width(), fh), Qt::AlignLeft | Qt::AlignVCenter,
               FFollow ? QStringLiteral("Follow") : QStringLiteral("Pause"));
}

void TTrendPlot::DrawMarks(QPainter &p, const QFontMetrics &fm)
{
    const int fh = fm.height();
    // Marks: a dashed line, a triangle on the time axis, the text at the top.
    int markRight = INT32_MIN;
    for (const TrendMark &m : FMarks) {
        if (m.t < FT0 || m.t > FT1)
            continue;
        const int x = int(std::lround(TimeToX(m.t, FT0, FT1, FPlot.left(), FPlot.width())));
        p.setPen(QPen(kMark, 1, Qt::DashLine));
        p.drawLine(x, FPlot.top(), x, FPlot.bottom());
        p.setPen(Qt::NoPen);
        p.setBrush(kMark);
        const QPoint tri[3] = {QPoint(x, FPlot.bottom() - 6), QPoint(x - 5, FPlot.bottom() + 1),
                               QPoint(x + 5, FPlot.bottom() + 1)};
        p.drawPolygon(tri, 3);
        p.setBrush(Qt::NoBrush);
        const int w = fm.horizontalAdvance(m.text);
        if (x + 3 > markRight && x + 3 + w < FPlot.right()) {
            const QRect box(x + 3, FPlot.top() + 2, w + 4, fh);
            p.fillRect(box, QColor(255, 255, 255, 220));
            p.setPen(kMark);
            p.drawText(box.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m.text);
            markRight = box.right() + 4;
        }
    }
}

QString TTrendPlot::ColumnText(size_t series, int column) const
{
    if (series >= FColumns.size())
        return {};
    const std::vector<TrendColumn> &cols = FColumns[series].cols;
    // The value at the cursor holds from the column with data at or left of it.
    for (int c = std::min(column, int(cols.size()) - 1); c >= 0; --c) {
        const TrendColumn &col = cols[size_t(c)];
        if (col.gap && !col.data)
            return QStringLiteral("gap");
        if (col.data) {
            QString s =
                col.min == col.max ? Number(col.min) : Number(col.min) + QStringLiteral(" … ") + Number(col.max);
            return col.gap ? s + QStringLiteral(", gap") : s;
        }
    }
    return {};
}

QString TTrendPlot::CursorTimeText() const
{
    if (FCursorX >= FPlot.left() && FCursorX <= FPlot.right())
        return QString::fromStdString(FullTimeText(XToTime(FCursorX, FT0, FT1, FPlot.left(), FPlot.width())));
    return {};
}

QStringList TTrendPlot::CursorValueTexts() const
{
    QStringList out;
    const bool cursor = FCursorX >= FPlot.left() && FCursorX <= FPlot.right();
    for (size_t i = 0; i < FSeries.size(); ++i) {
        if (cursor) {
            out << ColumnText(i, FCursorX - FPlot.left());
        } else {
            double v;
            const TrendStore *store = FSeries[i].store;
            out << (!store || store->Empty() ? QString() : store->LastValue(v) ? Number(v) : QStringLiteral("gap"));
        }
    }
    return out;
}

void TTrendPlot::DrawLegend(QPainter &p, const QFontMetrics &fm)
{
    const int fh = fm.height();
    const int lineH = fh + 4;
    p.fillRect(FLegend, kPlotBack);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(FLegend.adjusted(0, 0, -1, -1));
    const QRect inner = FLegend.adjusted(6, 4, -6, -4);
    const QString time = CursorTimeText();
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(inner.left(), inner.top(), inner.width(), fh), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(time.isEmpty() ? QStringLiteral("Latest values") : time, Qt::ElideRight, inner.width()));
    const QStringList values = CursorValueTexts();
    int y = inner.top() + lineH + 2;
    for (size_t i = 0; i < FSeries.size() && y + fh <= inner.bottom(); ++i, y += lineH) {
        p.fillRect(QRect(inner.left(), y + (fh - 10) / 2, 12, 10), FSeries[i].color);
        const QString value = values.value(int(i));
        const int valueW = fm.horizontalAdvance(value);
        const int nameW = std::max(0, inner.width() - 18 - valueW - 8);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(inner.left() + 18, y, nameW, fh), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(FSeries[i].name, Qt::ElideRight, nameW));
        p.drawText(QRect(inner.right() - valueW, y, valueW + 1, fh), Qt::AlignRight | Qt::AlignVCenter, value);
    }
}

// Mouse -------------------------------------------------------------------------

void TTrendPlot::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double factor = std::pow(0.8, steps);
    const QPointF pos = event->position();
    if (event->modifiers() & Qt::ControlModifier) {
        const double v = FLo + (FPlot.bottom() - pos.y()) / std::max(FPlot.height(), 1) * (FHi - FLo);
        SetValueRange(v - (v - FLo) * factor, v + (FHi - v) * factor);
    } else {
        ZoomTime(factor, XToTime(pos.x(), FT0, FT1, FPlot.left(), FPlot.width()));
    }
    event->accept();
}

void TTrendPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    FDragging = true;
    FDragFrom = event->position().toPoint();
    FDragT0 = FT0;
    FDragT1 = FT1;
    FDragLo = FLo;
    FDragHi = FHi;
}

void TTrendPlot::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (FDragging) {
        const int dx = pos.x() - FDragFrom.x(), dy = pos.y() - FDragFrom.y();
        if (dx != 0 && FFollow)
            SetFollow(false);
        const int64_t shift = int64_t(-double(dx) / std::max(FPlot.width(), 1) * double(FDragT1 - FDragT0));
        FT0 = FDragT0 + shift;
        FT1 = FDragT1 + shift;
        if (!FAutoValues) {
            const double dv = double(dy) / std::max(FPlot.height(), 1) * (FDragHi - FDragLo);
            FLo = FDragLo + dv;
            FHi = FDragHi + dv;
        }
        update();
    }
    SetCursorX(FPlot.contains(pos) ? pos.x() : -1);
}

void TTrendPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        FDragging = false;
}

void TTrendPlot::leaveEvent(QEvent *)
{
    SetCursorX(-1);
}
