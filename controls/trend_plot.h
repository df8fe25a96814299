#pragma once
// TTrendPlot: a drawn plot of trend series over wall-clock time. Each
// series is a TrendStore; the plot asks it for one min/max column per
// pixel, draws each column's extent and joins neighbouring columns unless
// a gap lies between them (a gap is never bridged, and every column that
// holds one is shaded at any zoom). Time axis labels follow the zoom from
// milliseconds to days; the value axis scales itself or keeps a fixed
// range. A legend at the right names the series and reads their values at
// the cursor line (or their latest values). Marks (a reconnect, a new
// period) stand on the time axis.
//
// Mouse: the wheel zooms time about the pointer, Ctrl+wheel zooms values,
// a drag pans (time; values too with a fixed range). Following keeps the
// newest sample at the right edge (a zoom keeps it there); a pan pauses.

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <vector>

#include "controls/trend_store.h"

struct TrendPlotSeries {
    const TrendStore *store = nullptr;
    QString name;
    QColor color;
};

struct TrendMark {
    int64_t t;
    QString text;
};

class TTrendPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr int64_t MinSpanUs = 10'000;   // 10 ms
    static constexpr int64_t MaxSpanUs = int64_t(400) * 24 * 3600 * 1'000'000;
    static constexpr int MaxMarks = 1000;

    explicit TTrendPlot(QWidget *parent = nullptr);

    void SetSeries(std::vector<TrendPlotSeries> series);
    const std::vector<TrendPlotSeries> &Series() const { return FSeries; }
    // A mark on the time axis (the oldest go past MaxMarks).
    void AddMark(int64_t t, const QString &text);
    void ClearMarks();

    // New samples arrived: a following plot moves with them. The repaint
    // itself waits for the next frame (Qt's update()).
    void DataChanged();

    bool Follow() const { return FFollow; }
    void SetFollow(bool follow);
    // The whole history of every series, values scaled to it.
    void FitAll();
    int64_t TimeStart() const { return FT0; }
    int64_t TimeEnd() const { return FT1; }
    // Shows [t0, t1) (spans outside MinSpanUs..MaxSpanUs are widened or narrowed).
    void SetTimeRange(int64_t t0, int64_t t1);
    // Multiplies the time span by `factor` about time `about`.
    void ZoomTime(double factor, int64_t about);

    bool AutoValues() const { return FAutoValues; }
    void SetAutoValues(bool on);
    // A fixed value range (turns the automatic scale off).
    void SetValueRange(double lo, double hi);
    double ValueLow() const { return FLo; }
    double ValueHigh() const { return FHi; }

    // The cursor line at x (widget pixels), -1 for none.
    void SetCursorX(int x);
    // What the legend reads: the cursor's time and each series' text there.
    QString CursorTimeText() const;
    QStringList CursorValueTexts() const;

    // Paints the whole control into `rect` of any paint device (PNG, SVG, benchmark).
    void Paint(QPainter &p, const QRect &rect);
    // The plot area of the last paint.
    QRect PlotArea() const { return FPlot; }

signals:
    void FollowChanged(bool follow);
    void AutoValuesChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Columns {
        std::vector<TrendColumn> cols;
    };
    int64_t NewestTime() const;
    void Layout(const QRect &rect, const QFontMetrics &fm);
    void QueryAll();
    void AutoRange();
    double ValueToY(double v) const;
    QString ColumnText(size_t series, int column) const;
    QVector<QLine> SeriesLines(const std::vector<TrendColumn> &cols) const;
    static void RasterLines(QImage &img, const QVector<QLine> &lines, const QPoint &origin, QRgb color);
    // Labels on `p`, grid lines on `area` (the plot area's painter).
    void DrawAxes(QPainter &p, QPainter &area, const QFontMetrics &fm);
    void DrawGaps(QPainter &p);
    void DrawMarks(QPainter &p, const QFontMetrics &fm);
    void DrawLegend(QPainter &p, const QFontMetrics &fm);

    std::vector<TrendPlotSeries> FSeries;
    std::deque<TrendMark> FMarks;
    std::vector<Columns> FColumns;   // per series, one per plot pixel
    std::vector<uint8_t> FGapCols;   // any series holds a gap in this column
    int64_t FT0 = 0, FT1 = 60'000'000;
    bool FFollow = true;
    bool FAutoValues = true;
    double FLo = 0, FHi = 1;
    QRect FPlot, FLegend;
    QImage FCanvas;   // the plot area, on raster devices
    int FCursorX = -1;
    // Drag.
    bool FDragging = false;
    QPoint FDragFrom;
    int64_t FDragT0 = 0, FDragT1 = 0;
    double FDragLo = 0, FDragHi = 0;
};
