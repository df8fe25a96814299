#pragma once
// The trend window: up to MaxSeries series of the polled registers plotted
// over time, fed by the main window's display step on the GUI thread. A
// display whose exchange failed (or that follows failures it did not show)
// is a gap in every series. The window lists its series (name, colour,
// register, type), records them to CSV while the poll runs and exports the
// visible plot (PNG, SVG) and range (CSV).

#include <QWidget>
#include <memory>
#include <vector>

#include "controls/trend_store.h"
#include "view/trend_recorder.h"
#include "view/trend_series.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;
class TTrendPlot;
struct ExchangeRecord;
struct ExchangeView;

class TTrendForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxSeries = 16;

    TTrendForm(const ExchangeRecord &rec, QWidget *parent = nullptr);
    ~TTrendForm() override;

    // Adds a series of `source` unless one reads it already; a 17th series
    // or a source the poll does not read gives a message instead. True when
    // the source is (now) in the trend.
    bool AddSeries(const TrendSource &source);
    void RemoveSeries(int index);
    // A new type for series `index`; refused with a message when its
    // registers are not all read (or while recording). Clears its history.
    bool SetSeriesLayout(int index, const ValueLayout &layout);
    void SetSeriesName(int index, const QString &name);
    void SetSeriesColor(int index, const QColor &color);
    int SeriesCount() const { return int(series_.size()); }
    const TrendSource &SeriesSource(int index) const { return series_[size_t(index)].source; }
    const TrendStore &SeriesStore(int index) const { return *series_[size_t(index)].store; }

    // The display step's part (GUI thread): one sample of every series.
    void Feed(const ExchangeView &view);
    // A new start of the exchange: marked on the time axis.
    void ExchangeStarted();

    // Recording (the file dialog's part aside).
    bool StartRecording(const QString &path);
    void StopRecording();
    bool Recording() const { return recorder_.Active(); }
    const TrendRecorder &Recorder() const { return recorder_; }

    // Exports of what the plot shows.
    bool ExportImage(const QString &path);   // PNG (or any image format Qt writes)
    bool ExportSvg(const QString &path);
    bool ExportCsv(const QString &path);

    TTrendPlot *Plot() const { return plot_; }
    // The last message shown (tests read it; the box itself is modal).
    const QString &LastMessage() const { return lastMessage_; }
    // Tests answer the boxes themselves: no modal box, the answer given.
    void SetQuietAnswers(bool quiet, bool closeWhileRecording = false);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Series {
        TrendSource source;
        QString name;
        QColor color;
        std::unique_ptr<TrendStore> store;
    };
    void Message(const QString &text);
    void RebuildList();
    void RefreshPlotSeries();
    void UpdateRecordUi();
    void AddClicked();
    void RemoveClicked();
    void ColourClicked();
    void RecordClicked();
    void ExportClicked();
    QColor NextColor() const;

    const ExchangeRecord &rec_;
    std::vector<Series> series_;
    TrendRecorder recorder_;
    TTrendPlot *plot_ = nullptr;
    QTableWidget *list_ = nullptr;
    QPushButton *followButton_ = nullptr, *pauseButton_ = nullptr, *recordButton_ = nullptr;
    QCheckBox *autoScale_ = nullptr;
    QLabel *status_ = nullptr;
    QTimer *flushTimer_ = nullptr;
    bool listUpdating_ = false;
    bool quiet_ = false, quietClose_ = false;
    QString lastMessage_;
    // What the last display showed.
    int32_t lastReqCount_ = 0, lastErrorCount_ = 0;
    uint32_t lastPeriod_ = 0;
    bool started_ = false, sawData_ = false;
};
