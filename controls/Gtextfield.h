// TGTextField: a light, focus-less control showing one line of text in a
// filled box with an optional one-pixel frame. Every setter repaints only
// when the value really changed, so refreshing a field with the text it
// already shows costs nothing.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;

class TGTextField : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(TGF_Border Border READ Border WRITE setBorder)
    Q_PROPERTY(TGF_TextAlign TextAlign READ TextAlign WRITE setTextAlign)
    Q_PROPERTY(int Margin READ Margin WRITE setMargin)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    enum TGF_Border { tfbNone = 0, tfbBlack = 1, tfbLowered = 2, tfbRaised = 3 };
    Q_ENUM(TGF_Border)
    enum TGF_TextAlign { tfaLeft = 0, tfaCenter = 1, tfaRight = 2 };
    Q_ENUM(TGF_TextAlign)

    // The size of a field when nothing else decides it.
    static constexpr int DefaultWidth = 87;
    static constexpr int DefaultHeight = 17;
    // printf-style texts are formatted into a buffer of this many bytes,
    // the terminating NUL included; longer results are cut.
    static constexpr int PrtFBufferSize = 4096;

    explicit TGTextField(QWidget *parent = nullptr);
    ~TGTextField() override;

    const QString &Text() const { return FText; }
    TGF_Border Border() const { return FBorder; }
    TGF_TextAlign TextAlign() const { return FTextAlign; }
    int Margin() const { return FMargin; }
    QColor Color() const { return FColor; }

    // A null pointer counts as the empty text; an unchanged text is ignored.
    void SetText(const char *text);
    void SetText(const QString &text);
    // Formats like sprintf (in the C locale, so "%0.3f" always gives a
    // decimal point) and shows the result.
    void PrtF(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void SetBorder(TGF_Border value);
    void SetTextAlign(TGF_TextAlign value);
    void SetMargin(int value);
    void SetColor(const QColor &value);

    // Qt-style setter names, used by uic-generated form code.
    void setText(const QString &text) { SetText(text); }
    void setBorder(TGF_Border value) { SetBorder(value); }
    void setTextAlign(TGF_TextAlign value) { SetTextAlign(value); }
    void setMargin(int value) { SetMargin(value); }
    void setColor(const QColor &value) { SetColor(value); }

signals:
    void OnClick(QObject *Sender);
    void OnDblClick(QObject *Sender);
    void OnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString FText;
    TGF_Border FBorder = tfbLowered;
    TGF_TextAlign FTextAlign = tfaLeft;
    int FMargin = 4;
    QColor FColor;
    bool FClicked = false;   // a left press began a click that a release inside completes
};

namespace Gtextfield {

// Puts TGTextField on the Designer widget box.
void Register();

// A line of the classic canvas: axis-parallel, start point drawn, end
// point left out (a QPainter line would include it).
void CanvasLine(QPainter &p, int x0, int y0, int x1, int y1, const QColor &color);

// The one-pixel frame of the text field and the buttons: left and top edges
// from (0, H-1) up to (0, 0) and on to (W, 0); right and bottom edges from
// (W-1, 1) down to (W-1, H-1) and on to (0, H-1).
void DrawFrame(QPainter &p, int w, int h, const QColor &leftTop, const QColor &rightBottom);

// Halving by arithmetic shift, rounding toward minus infinity for odd and
// negative values alike.
constexpr int Half(int v)
{
    return v >> 1;
}

}   // namespace Gtextfield
