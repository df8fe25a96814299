// TGraphButton: a focus-less push button drawing a glyph and a caption in a
// one-pixel raised frame, with four layouts, pixel offsets, a pressed and a
// disabled look and an optional auto-repeat of its click while held.
//
// TGraphButtonBase holds what the button shares with its focusable twin
// TPictureButton (Picturebutton.h): the properties, the painting and the
// mouse press, release and auto-repeat rules.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QPainter;
class QTimer;

class TGraphButtonBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QPixmap Glyph READ Glyph WRITE setGlyph)
    Q_PROPERTY(int RepeatPeriod READ RepeatPeriod WRITE setRepeatPeriod)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int BitmapDX READ BitmapDX WRITE setBitmapDX)
    Q_PROPERTY(int BitmapDY READ BitmapDY WRITE setBitmapDY)
    Q_PROPERTY(int CaptionDX READ CaptionDX WRITE setCaptionDX)
    Q_PROPERTY(int CaptionDY READ CaptionDY WRITE setCaptionDY)
    Q_PROPERTY(bool TransparentGlyph READ TransparentGlyph WRITE setTransparentGlyph)
    Q_PROPERTY(bool DisableClick READ DisableClick WRITE setDisableClick)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    // The size a new button gets.
    static constexpr int DefaultSize = 25;
    // Delay from the press to the first repeated click.
    static constexpr int FirstRepeatDelay = 500;

    ~TGraphButtonBase() override;

    const QPixmap &Glyph() const { return FGlyph; }
    int RepeatPeriod() const { return FRepeatPeriod; }
    const QString &Caption() const { return FCaption; }
    int BitmapDX() const { return FBitmapDX; }
    int BitmapDY() const { return FBitmapDY; }
    int CaptionDX() const { return FCaptionDX; }
    int CaptionDY() const { return FCaptionDY; }
    bool TransparentGlyph() const { return FTransparentGlyph; }
    bool DisableClick() const { return FDisableClick; }
    QColor Color() const { return FColor; }
    // True while the button is held down (drawn pressed).
    bool IsPressed() const { return FPressed; }
    // The auto-repeat timer; it exists only while an auto-repeating button
    // is held by the mouse.
    QTimer *RepeatTimer() const { return FTimer; }

    // Copies the picture and repaints (always).
    void SetBitmap(const QPixmap &glyph);
    void SetBitmap(const QImage &glyph);
    // A null pointer counts as the empty caption; an unchanged caption is ignored.
    void SetCaption(const char *caption);
    void SetCaption(const QString &caption);
    void SetBitmapDX(int value);
    void SetBitmapDY(int value);
    void SetCaptionDX(int value);
    void SetCaptionDY(int value);
    void SetTransparentGlyph(bool value);
    void SetColor(const QColor &value);
    // Take effect at the next press; nothing to repaint.
    void SetRepeatPeriod(int value) { FRepeatPeriod = value; }
    void SetDisableClick(bool value) { FDisableClick = value; }

    // Qt-style setter names, used by uic-generated form code.
    void setGlyph(const QPixmap &glyph) { SetBitmap(glyph); }
    void setRepeatPeriod(int value) { SetRepeatPeriod(value); }
    void setCaption(const QString &caption) { SetCaption(caption); }
    void setBitmapDX(int value) { SetBitmapDX(value); }
    void setBitmapDY(int value) { SetBitmapDY(value); }
    void setCaptionDX(int value) { SetCaptionDX(value); }
    void setCaptionDY(int value) { SetCaptionDY(value); }
    void setTransparentGlyph(bool value) { SetTransparentGlyph(value); }
    void setDisableClick(bool value) { SetDisableClick(value); }
    void setColor(const QColor &value) { SetColor(value); }

public slots:
    // One auto-repeat step: from now on every RepeatPeriod ms, and a click.
    void OnTimer();

signals:
    void OnClick(QObject *Sender);

protected:
    explicit TGraphButtonBase(QWidget *parent);

    // 0 glyph left, 1 glyph up, 2 centre all, 3 direct position.
    int LayoutValue() const { return FLayout; }
    void SetLayoutValue(int value);
    void SetPressed(bool pressed) { FPressed = pressed; }
    bool ClickConnected() const;
    // Draws the face, glyph, caption and frame.
    void PaintButton(QPainter &p);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void StopRepeat();
    // Ends a press that can no longer see its release (disabled or hidden
    // while held): released look, no click, no more repeats.
    void CancelPress();

    QPixmap FGlyph;
    int FRepeatPeriod = 0;
    QString FCaption;
    int FLayout = 0;
    int FBitmapDX = 0;
    int FBitmapDY = 0;
    int FCaptionDX = 0;
    int FCaptionDY = 0;
    bool FTransparentGlyph = true;
    bool FDisableClick = false;
    QColor FColor{192, 192, 192};
    bool FPressed = false;
    QTimer *FTimer = nullptr;
};

class TGraphButton : public TGraphButtonBase {
    Q_OBJECT
    Q_PROPERTY(TGraphButtonLayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(bool GetPressed READ GetPressed)

public:
    enum TGraphButtonLayout { gblGlyphLeft = 0, gblGlyphUp = 1, gblCenterAll = 2, gblDirectPos = 3 };
    Q_ENUM(TGraphButtonLayout)

    explicit TGraphButton(QWidget *parent = nullptr);

    TGraphButtonLayout Layout() const { return TGraphButtonLayout(LayoutValue()); }
    void SetLayout(TGraphButtonLayout value) { SetLayoutValue(value); }
    bool GetPressed() const { return IsPressed(); }

    using QWidget::setLayout;
    void setLayout(TGraphButtonLayout value) { SetLayout(value); }
};

namespace Graphbutton {

// Puts TGraphButton on the Designer widget box.
void Register();

}   // namespace Graphbutton
