#include "controls/Loglist.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "controls/palette.h"
#include "platform/regular_file.h"

TLogList::TLogList(QWidget *owner) : QAbstractScrollArea(owner)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // Painting covers every pixel of the viewport; no erase first.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    FColor = palette().color(QPalette::Base);
    SetTabStop(true);

    FUpdateTimer.setInterval(100);
    connect(&FUpdateTimer, &QTimer::timeout, this, &TLogList::UpdateParams);
    connect(&FSaveTimer, &QTimer::timeout, this, &TLogList::OnSaveTimer);

    FLineList.OnChange = [this] { OnChangeText(); };
    FLineHeight = QFontMetrics(font()).height();

    horizontalScrollBar()->setSingleStep(4);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    verticalScrollBar()->setSingleStep(FLineHeight);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!FAdjusting)
            CalcOnEnd();
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &TLogList::CalcOnEnd);

    RegisterDefaultLogList(this);
}

TLogList::~TLogList()
{
    // No message may reach this list once its destruction has begun.
    UnregisterDefaultLogList(this);
    FUpdateTimer.stop();
    Save();
    FSaveTimer.stop();
}

void TLogList::SetBkColor(const QColor &c)
{
    if (c == FColor)
        return;
    FColor = c;
    viewport()->update();
}

void TLogList::SetTabStop(bool on)
{
    FTabStop = on;
    // Clicks are handled by mousePressEvent; the policy only covers Tab.
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

// ---------------------------------------------------------------------------
// Scroll model

void TLogList::CalcOnEnd()
{
    FOnEnd = viewport()->height() + verticalScrollBar()->value() >= FTotalHeight;
}

void TLogList::MoveToEnd()
{
    if (QThread::currentThread() != thread()) {
        RunOnGuiThread("QueuedMoveToEnd");
        return;
    }
    FAdjusting = true;
    verticalScrollBar()->setValue(FTotalHeight - viewport()->height());
    FAdjusting = false;
    FOnEnd = true;
}

// The scroll bars cover FTextWidth x FTotalHeight pixels of which the viewport
// shows one page.
void TLogList::ApplyRanges()
{
    const int w = viewport()->width();
    const int h = viewport()->height();
    FAdjusting = true;
    QScrollBar *hs = horizontalScrollBar();
    hs->setPageStep(std::max(1, w));
    hs->setRange(0, std::max(0, FTextWidth - w));
    QScrollBar *vs = verticalScrollBar();
    vs->setPageStep(std::max(1, h));
    vs->setRange(0, std::max(0, FTotalHeight - h));
    FAdjusting = false;
}

void TLogList::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ApplyRanges();
    if (!FOnEnd)
        CalcOnEnd();
    if (FOnEnd)
        MoveToEnd();
}

// ---------------------------------------------------------------------------
// Refresh

void TLogList::RunOnGuiThread(const char *member)
{
    QMetaObject::invokeMethod(this, member, Qt::QueuedConnection);
}

void TLogList::QueuedRefreshStart()
{
    FRefreshPosted = false;
    if (!FUpdateTimer.isActive())
        FUpdateTimer.start();
}

void TLogList::RequestRefresh()
{
    if (QThread::currentThread() == thread()) {
        if (!FUpdateTimer.isActive())
            FUpdateTimer.start();
        return;
    }
    // One queued start at a time is enough: a writer that finds one pending
    // is covered by the refresh it starts.
    if (FRefreshPosted.exchange(true))
        return;
    RunOnGuiThread("QueuedRefreshStart");
}

void TLogList::UpdateParams()
{
    const QFontMetrics fm(font());
    FLineHeight = fm.height();
    verticalScrollBar()->setSingleStep(FLineHeight);

    const TLogLineList *lines = LockRead();
    const int count = lines->Count();
    const long long shown = std::max(0, count - FFirstLine);
    FTotalHeight = static_cast<int>(std::min<long long>(shown * FLineHeight + 2, INT_MAX));
    int widest = 0;
    for (int i = FFirstLine; i < count; ++i) {
        int w = lines->Width(i);
        if (w == 0) {
            const std::string &t = lines->Text(i);
            w = fm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()))) + 5;
            lines->SetWidth(i, w);
        }
        widest = std::max(widest, w);
    }
    UnlockRead();
    FTextWidth = widest;

    ApplyRanges();
    if (FOnEnd)
        MoveToEnd();
    viewport()->update();

    const int delay = SaveDelay;
    if (delay <= 0) {
        Save();
    } else if (!FSaveTimer.isActive()) {
        FSaveTimer.setInterval(delay);
        FSaveTimer.start();
    }
    FUpdateTimer.stop();
    emit Refreshed();
}

void TLogList::OnSaveTimer()
{
    // One countdown, one save: the timer does not go on firing when there
    // was nothing to write (as after a refresh that followed a mere load).
    FSaveTimer.stop();
    Save();
}

void TLogList::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // Cached widths belong to the old font.
        LockRead()->ResetWidths();
        UnlockRead();
        RequestRefresh();
    }
}

// ---------------------------------------------------------------------------
// Painting

void TLogList::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    Paint(p, event->rect());
}

void TLogList::Paint(QPainter &p, const QRect &clip)
{
    const QColor bk = FColor;
    const QColor fg = palette().color(QPalette::Text);
    p.setFont(font());
    p.setPen(fg);
    const int width = viewport()->width();
    const int ascent = QFontMetrics(font()).ascent();

    const TLogLineList *lines = LockRead();
    const int x = 4 - horizontalScrollBar()->value();
    int y = -verticalScrollBar()->value();
    const int top = clip.top() - FLineHeight;
    const int bottom = clip.bottom() + 1;
    const int count = lines->Count();
    for (int i = FFirstLine; i < count && y <= bottom; ++i) {
        if (y >= top) {
            p.fillRect(0, y, width, FLineHeight, bk);
            const std::string &t = lines->Text(i);
            p.drawText(x, y + ascent, QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
        }
        y += FLineHeight;
        if (FLineHeight <= 0)
            break;
    }
    UnlockRead();
    if (y < bottom)
        p.fillRect(0, y, width, std::max(0, bottom - y) + viewport()->height(), bk);
}

// ---------------------------------------------------------------------------
// Keys and mouse

void TLogList::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *vs = verticalScrollBar();
    QScrollBar *hs = horizontalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    // After a vertical scroll the following of the end is evaluated again.
    switch (event->key()) {
    case Qt::Key_PageUp:
        vs->triggerAction(ctrl ? QAbstractSlider::SliderToMinimum : QAbstractSlider::SliderPageStepSub);
        CalcOnEnd();
        break;
    case Qt::Key_PageDown:
        vs->triggerAction(ctrl ? QAbstractSlider::SliderToMaximum : QAbstractSlider::SliderPageStepAdd);
        CalcOnEnd();
        break;
    case Qt::Key_End: hs->triggerAction(QAbstractSlider::SliderToMaximum); break;
    case Qt::Key_Home: hs->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case Qt::Key_Left: hs->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Up:
        vs->triggerAction(QAbstractSlider::SliderSingleStepSub);
        CalcOnEnd();
        break;
    case Qt::Key_Right: hs->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Down:
        vs->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        CalcOnEnd();
        break;
    default: event->ignore(); return;
    }
    event->accept();
}

void TLogList::mousePressEvent(QMouseEvent *event)
{
    if (FTabStop && !hasFocus())
        setFocus(Qt::MouseFocusReason);
    event->accept();
}

// ---------------------------------------------------------------------------
// Locking

const TLogLineList *TLogList::LockRead()
{
    FLock.lockForRead();
    return &FLineList;
}

void TLogList::UnlockRead()
{
    FLock.unlock();
}

TLogLineList *TLogList::LockWrite()
{
    FLock.lockForWrite();
    return &FLineList;
}

void TLogList::UnlockWrite()
{
    FLock.unlock();
    if (FTextChanged.exchange(false)) {
        FUnsaved = true;
        RequestRefresh();
    }
}

// ---------------------------------------------------------------------------
// Output

void TLogList::NewLine()
{
    LockWrite();
    AddLine();
    UnlockWrite();
}

// Adds an empty line and trims the oldest lines, hidden loaded lines first,
// down to MaxSize. The caller holds the write lock.
void TLogList::AddLine()
{
    FLineList.Add({});
    const int max = MaxSize;
    // A negative MaxSize empties the list like 0 does, and never deletes
    // from an empty list.
    while (FLineList.Count() > max && FLineList.Count() > 0) {
        FLineList.DeleteFirst();
        if (FFirstLine > 0)
            --FFirstLine;
    }
}

void TLogList::PutS(const char *text)
{
    if (!text || !*text)
        return;
    TLogLineList *lines = LockWrite();
    if (FNewLinePending) {
        FNewLinePending = false;
        AddLine();
    } else {
        const int pos = AutoEOLN_Pos;
        if (pos != 0 && lines->Count() > 0 && static_cast<long long>(lines->Text(lines->Count() - 1).size()) >= pos)
            AddLine();
    }
    const char *p = text;
    for (;;) {
        const char *lf = std::strchr(p, '\n');
        const std::size_t n = lf ? static_cast<std::size_t>(lf - p) : std::strlen(p);
        if (n > 0) {
            if (lines->Count() == 0)
                lines->Add({p, n});
            else
                lines->AppendToLast({p, n});
        }
        if (!lf)
            break;
        if (lf[1] == '\0') {
            FNewLinePending = true;
            break;
        }
        AddLine();
        p = lf + 1;
    }
    UnlockWrite();
}

void TLogList::vPrtF(const char *fmt, va_list args)
{
    char buf[LogBufferSize];
    FormatLogText(buf, sizeof buf, fmt, args);
    PutS(buf);
}

void TLogList::PrtF(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vPrtF(fmt, args);
    va_end(args);
}

void TLogList::vSysLogMsg(const char *fmt, va_list args)
{
    char buf[LogBufferSize];
    FormatLogLine(buf, sizeof buf, DTFormat.load(), Clock ? Clock() : LocalLogTime(), fmt, args);
    PutS(buf);
}

void TLogList::SysLogMsg(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vSysLogMsg(fmt, args);
    va_end(args);
}

// ---------------------------------------------------------------------------
// Log file

namespace {

// Splits a text file's contents into lines ending at CR LF, LF or CR.
void AddFileLines(TLogLineList &lines, const std::string &data)
{
    std::size_t start = 0;
    const std::size_t n = data.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && data[end] != '\n' && data[end] != '\r')
            ++end;
        lines.Add(std::string_view(data).substr(start, end - start));
        if (end < n && data[end] == '\r' && end + 1 < n && data[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

// The largest log file that is loaded; a larger one is refused.
constexpr std::size_t kLogFileLimit = std::size_t{16} << 20;   // 16 MiB

// A name that exists and is not a regular file (links followed): a FIFO, a
// device, a directory. Such a name is never loaded, nor written over, which
// would replace the device node with a plain file.
bool ExistsAndNotRegular(const std::string &name)
{
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

}   // namespace

bool TLogList::LoadFromFile(const char *name, bool HideLoaded)
{
    if (!name || !*name)
        return false;
    Save();
    // A missing or unreadable file gives an empty list. A FIFO or a device
    // (reading would block or never end) and a file over the bound are not
    // taken: the list and its file stay as they were.
    std::string data;
    const FileRead read = ReadRegularFile(name, kLogFileLimit, data);
    if (read == FileRead::NotRegular || read == FileRead::TooLarge)
        return false;
    TLogLineList *lines = LockWrite();
    FileName = name;
    lines->Clear();
    AddFileLines(*lines, data);
    FFirstLine = HideLoaded ? lines->Count() : 0;
    FNewLinePending = true;
    // The list now equals the file: schedule the refresh but no rewrite.
    // Clearing the flags under the lock keeps the changes of other writers
    // that follow the load unsaved, as they must be.
    FTextChanged = false;
    FUnsaved = false;
    FLock.unlock();
    RequestRefresh();
    MoveToEnd();
    return true;
}

void TLogList::Save()
{
    if (FileName.empty() || !FUnsaved.load())
        return;
    std::string text;
    const TLogLineList *lines = LockRead();
    // Changes made after this point set the flag again.
    FUnsaved = false;
    std::size_t total = 0;
    for (int i = 0; i < lines->Count(); ++i)
        total += lines->Text(i).size() + 1;
    text.reserve(total);
    // Lines end with the platform's line break; loading accepts CR LF too.
    for (int i = 0; i < lines->Count(); ++i) {
        text += lines->Text(i);
        text += '\n';
    }
    UnlockRead();

    // Written beside the log file and renamed over it, so that a failure
    // never leaves a half-written log.
    QSaveFile file(QString::fromStdString(FileName));
    bool ok = !ExistsAndNotRegular(FileName) && file.open(QIODevice::WriteOnly);
    if (ok)
        ok = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok)
        FUnsaved = true;   // the next save tries again
    if (QThread::currentThread() == thread())
        FSaveTimer.stop();
    emit Saved(ok);
}

// ---------------------------------------------------------------------------

namespace Loglist {

void Register()
{
    PaletteEntry e;
    e.className = QStringLiteral("TLogList");
    e.group = PaletteGroup;
    e.toolTip = QStringLiteral("Log list");
    e.includeFile = QStringLiteral("controls/Loglist.h");
    e.domXml = QStringLiteral(
        "<ui language=\"c++\"><widget class=\"TLogList\" name=\"LogList\">"
        "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>185</width><height>89</height></rect></property>"
        "</widget></ui>");
    e.container = false;
    e.create = [](QWidget *parent) -> QWidget * { return new TLogList(parent); };
    RegisterComponent(e);
}

}   // namespace Loglist
