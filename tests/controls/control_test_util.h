// Helpers shared by the control tests: pixel access on grabbed images,
// a paint-event counter and a host window that is really shown, so that
// update() turns into paint events.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTest>
#include <QWidget>

inline QImage Grab(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QString Px(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y)).name();
}

// The bounding box of every pixel whose colour differs from `background`
// inside `area`; empty when there is none.
inline QRect InkBox(const QImage &img, const QRect &area, QRgb background)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *w) : QObject(w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// Delivers pending updates: posted update requests become paint events.
inline void FlushPaints()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(5);
    }
}

inline bool ShowAndSettle(QWidget *top)
{
    top->show();
    if (!QTest::qWaitForWindowExposed(top))
        return false;
    FlushPaints();
    return true;
}
