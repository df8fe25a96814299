#pragma once
// A label whose text carries a drop shadow: the text is painted once in the
// shadow colour, moved right and down by the shadow size, then once more in
// the label's own colour at its place.

#include <QColor>
#include <QFont>
#include <QLabel>

class TShadowLabel : public QLabel {
    Q_OBJECT
public:
    explicit TShadowLabel(const QString &text, QWidget *parent = nullptr);

    void setShadowColor(const QColor &c);
    QColor shadowColor() const { return shadow_; }
    void setShadowSize(int px);
    int shadowSize() const { return size_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor shadow_{Qt::magenta};
    int size_ = 2;
};

// The font of the program's name on the dialog and the About box: "Arial
// Black", 27 pixels high, italic, at its black weight.
QFont BannerFont();
