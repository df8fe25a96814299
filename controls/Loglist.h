// TLogList: a read-only, scrolling, multi-line view for log output. Any
// thread may write to it; it follows the end of the text unless the user
// scrolled away, gathers repaints in a 100 ms refresh and keeps its lines in
// a log file that it rewrites a while after each change.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QReadWriteLock>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdarg>
#include <functional>
#include <string>

#include "controls/log_format.h"
#include "controls/log_lines.h"
#include "platform/syslog.h"

class QPainter;

class TLogList : public QAbstractScrollArea, public SysLogTarget {
    Q_OBJECT
    Q_PROPERTY(int MaxSize READ GetMaxSize WRITE setMaxSize)
    Q_PROPERTY(QString FileName READ GetFileName WRITE setFileName)
    Q_PROPERTY(int SaveDelay READ GetSaveDelay WRITE setSaveDelay)
    Q_PROPERTY(QColor BkColor READ GetBkColor WRITE setBkColor)
    Q_PROPERTY(int DTFormat READ GetDTFormatBits WRITE setDTFormat)
    Q_PROPERTY(int AutoEOLN_Pos READ GetAutoEOLN_Pos WRITE setAutoEOLN_Pos)
    Q_PROPERTY(bool TabStop READ GetTabStop WRITE setTabStop)

public:
    explicit TLogList(QWidget *owner = nullptr);
    ~TLogList() override;

    // Settings. Setting one only stores it; the next operation that reads it
    // uses it. Any thread may set the numbers; FileName belongs to the GUI
    // thread.
    std::atomic<int> MaxSize{1000};   // most lines kept, hidden loaded ones included
    std::string FileName;   // log file; empty = none
    std::atomic<int> SaveDelay{5000};   // ms from a change to the rewrite; 0 = at once
    std::atomic<TLogDTFormat> DTFormat{TLogDTFormat{ldtDate}};
    std::atomic<int> AutoEOLN_Pos{0};   // line length that forces a new line; 0 = off

    // Where time stamps come from; tests put a fixed clock here. Set it
    // before any thread writes messages.
    std::function<TLogTime()> Clock = LocalLogTime;

    QColor GetBkColor() const { return FColor; }
    void SetBkColor(const QColor &c);
    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool on);

    // Qt-style setter names of the published properties, used by
    // uic-generated form code.
    void setMaxSize(int v) { MaxSize = v; }
    void setFileName(const QString &v) { FileName = v.toStdString(); }
    void setSaveDelay(int v) { SaveDelay = v; }
    void setBkColor(const QColor &c) { SetBkColor(c); }
    void setDTFormat(int bits) { DTFormat = TLogDTFormat::FromBits(static_cast<std::uint8_t>(bits)); }
    void setAutoEOLN_Pos(int v) { AutoEOLN_Pos = v; }
    void setTabStop(bool on) { SetTabStop(on); }

    // Scroll model.
    void CalcOnEnd();
    void MoveToEnd();
    // The refresh run by the 100 ms update timer; public so that it can be
    // forced.
    void UpdateParams();
    void OnSaveTimer();

    // Locking of the lines. LockWrite is re-entrant for the holding thread;
    // UnlockWrite notes a change and schedules the refresh. Never call Save or
    // LockRead while holding the write lock.
    const TLogLineList *LockRead();
    void UnlockRead();
    TLogLineList *LockWrite();
    void UnlockWrite();

    // Output, from any thread.
    void PutS(const char *text);
    void NewLine();
    void PrtF(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
    void vPrtF(const char *fmt, va_list args);
    void SysLogMsg(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
    void vSysLogMsg(const char *fmt, va_list args) override;

    // Log file, on the GUI thread.
    bool LoadFromFile(const char *name, bool HideLoaded);
    void Save();

    // State, for the program and its tests.
    int FirstLine() const { return FFirstLine; }
    bool OnEnd() const { return FOnEnd; }
    bool Unsaved() const { return FUnsaved.load(); }
    int TextWidth() const { return FTextWidth; }
    int TotalHeight() const { return FTotalHeight; }
    int LineHeight() const { return FLineHeight; }
    bool UpdatePending() const { return FUpdateTimer.isActive(); }
    bool SavePending() const { return FSaveTimer.isActive(); }

    // Draws the rows that meet clip onto p, in viewport coordinates.
    void Paint(QPainter &p, const QRect &clip);

    QSize sizeHint() const override { return {185, 89}; }

signals:
    void Refreshed();   // after each run of UpdateParams
    void Saved(bool written);   // after each attempt to rewrite the log file

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int GetMaxSize() const { return MaxSize; }
    QString GetFileName() const { return QString::fromStdString(FileName); }
    int GetSaveDelay() const { return SaveDelay; }
    int GetDTFormatBits() const { return DTFormat.load().Bits(); }
    int GetAutoEOLN_Pos() const { return AutoEOLN_Pos; }

    void OnChangeText() { FTextChanged = true; }
    void AddLine();
    void RequestRefresh();
    void ApplyRanges();
    // Runs the named invokable member later on the control's own thread.
    // The call carries no data of its own: what it works on is atomic, so
    // nothing crosses threads inside Qt's event queue unseen.
    void RunOnGuiThread(const char *member);
    Q_INVOKABLE void QueuedRefreshStart();
    Q_INVOKABLE void QueuedMoveToEnd() { MoveToEnd(); }

    QColor FColor;
    bool FTabStop = true;
    int FTextWidth = 0;
    int FTotalHeight = 0;
    QTimer FUpdateTimer;
    QTimer FSaveTimer;
    int FLineHeight = 0;
    mutable QReadWriteLock FLock{QReadWriteLock::Recursive};
    TLogLineList FLineList;
    std::atomic<bool> FTextChanged{false};
    std::atomic<bool> FUnsaved{false};
    bool FNewLinePending = false;   // under the write lock
    int FFirstLine = 0;   // changed under the write lock
    bool FOnEnd = false;
    bool FAdjusting = false;   // scroll bars changed by the control itself
    std::atomic<bool> FRefreshPosted{false};
};

namespace Loglist {
// Puts TLogList on the design-time widget box.
void Register();
}   // namespace Loglist
