#include "controls/editor/Progedit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include "controls/Gtextfield.h"
#include "controls/editor/Nscrollbar.h"
#include "controls/palette.h"
#include "platform/keyb_layout.h"

namespace {

// The forms' font families, mapped to metric-compatible ones where the
// application has not chosen others.
void SubstituteFonts()
{
    const std::pair<const char *, const char *> substitutes[] = {
        {"Courier New", "Liberation Mono"},
        {"MS Sans Serif", "Liberation Sans"},
    };
    for (const auto &[family, substitute] : substitutes)
        if (QFont::substitutes(QLatin1String(family)).isEmpty())
            QFont::insertSubstitution(QLatin1String(family), QLatin1String(substitute));
}

// The status fields, left to right: each one's least width and the gap after
// it. A field grows past its least width to hold what it shows.
struct StatusPlace {
    int width, gap;
};
constexpr StatusPlace StatusPlaces[] = {{58, 0}, {32, 0}, {24, 1}, {22, 0}};
constexpr int StatusLeft = -1;   // the first field's left edge
// Room between a field's text and its frame, on each side.
constexpr int StatusPadding = 3;
// The horizontal bar ends this far from the panel's right edge.
constexpr int HorzBarRightGap = 31;

QFont EditorFont()
{
    QFont f(QStringLiteral("Courier New"), 10);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

}   // namespace

QColor TProgEdit::ToQColor(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

TProgEdit::TProgEdit(QWidget *parent) : QWidget(parent)
{
    SubstituteFonts();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(MinWidth, MinHeight);
    setAttribute(Qt::WA_InputMethodEnabled);

    FStatusPanel = new QFrame(this);
    FStatusPanel->setFrameShape(QFrame::NoFrame);
    FStatusPanel->setAutoFillBackground(true);

    FVertBar = new TNScrollBar(this);
    FVertBar->SetKind(TNScrollBar::sbkVertical);
    FVertBar->SetMax(0);
    FHorzBar = new TNScrollBar(FStatusPanel);
    FHorzBar->SetKind(TNScrollBar::sbkHorizontal);
    FHorzBar->SetMax(0);
    for (TNScrollBar *bar : {FVertBar, FHorzBar}) {
        connect(bar, &TNScrollBar::OnScroll, this, &TProgEdit::OnBarScroll);
        connect(bar, &TNScrollBar::OnMouseDown, this, &TProgEdit::OnBarMouseDown);
    }

    QFont fieldFont(QStringLiteral("MS Sans Serif"));
    fieldFont.setPixelSize(13);
    for (TGTextField **field : {&FPosField, &FCountField, &FModeField, &FLangField}) {
        auto *f = new TGTextField(FStatusPanel);
        f->SetTextAlign(TGTextField::tfaCenter);
        f->setFont(fieldFont);
        *field = f;
    }

    setFont(EditorFont());
    FCaretTimer = new QTimer(this);
    connect(FCaretTimer, &QTimer::timeout, this, [this] {
        FCaretVisible = !FCaretVisible;
        update(FModel.Metrics().CaretX, FModel.Metrics().CaretY, 2, FModel.Metrics().CharH - 2);
    });

    // The layout field follows the keyboard group as the server reports it.
    if (auto *layouts = KeybLayout::TKeybLayoutWatcher::Instance())
        connect(layouts, &KeybLayout::TKeybLayoutWatcher::Changed, FLangField, &TGTextField::setText);

    FModel.SetView(this);
    resize(320, 200);
    UpdateFontDXDY();
    UpdateParams(0);
}

TProgEdit::~TProgEdit()
{
    if (FModel.AskSaveOnDestroy)
        SaveQuestion();
    FModel.SetView(nullptr);
    FModel.ClearUNDO();
}

void TProgEdit::UpdateFontDXDY()
{
    const QFontMetrics fm(font());
    const EditMetrics &mm = FModel.Metrics();
    FModel.SetMetrics(std::max(1, fm.horizontalAdvance(QLatin1Char('0'))), std::max(1, fm.height()), mm.AreaWidth,
                      mm.AreaHeight);
}

void TProgEdit::MeasureArea(EditModel &model)
{
    UpdateFontDXDY();
    // The bars' sizes are fixed, so the area is right also before a hidden
    // editor has laid out its children.
    model.SetMetrics(model.Metrics().CharW, model.Metrics().CharH, width() - BarThickness, height() - StatusHeight);
}

void TProgEdit::RepaintLines(int first, int count)
{
    const int h = FModel.Metrics().CharH;
    update(QRect(0, (first - FModel.Start().Line) * h, FModel.Metrics().AreaWidth, count * h));
}

void TProgEdit::RepaintAll()
{
    update();
}

void TProgEdit::SyncScrollBars()
{
    const auto apply = [](TNScrollBar *bar, const TNScrollRange &r) {
        bar->SetMax(r.Max);
        bar->SetPage(r.Page);
        bar->SetPos(r.Pos);
    };
    apply(FVertBar, FModel.VertRange());
    apply(FHorzBar, FModel.HorzRange());
}

void TProgEdit::SetCaret()
{
    const EditModel &m = FModel;
    const QRect old(m.Metrics().CaretX, m.Metrics().CaretY, 2, m.Metrics().CharH);
    int x = (m.Cursor().Col - m.Start().Col) * m.Metrics().CharW + TextMargin;
    if (x < 0)
        x -= m.Metrics().CharW;
    FModel.SetCaretXY(x, (m.Cursor().Line - m.Start().Line) * m.Metrics().CharH + 1);
    if (FCaretOn) {
        FCaretVisible = true;
        FCaretTimer->start();
        update(old);
        update(m.Metrics().CaretX, m.Metrics().CaretY, 2, m.Metrics().CharH);
    }
}

void TProgEdit::UpdateTextFields()
{
    const EditModel &m = FModel;
    FPosField->PrtF("%d : %d", m.Cursor().Line + 1, m.Cursor().Col + 1);
    FCountField->PrtF("%d", m.LineCount());
    FCountField->SetColor(ToQColor(m.Modified ? 0xA0B0FF : 0xC0C0C0));
    FModeField->SetText(m.OverwriteMode ? "Upd" : "Ins");
    FModeField->SetColor(ToQColor(m.OverwriteMode ? 0x00FFFF : 0x70E070));
    FLangField->SetText(KeybLayout::CurrentName());
    PlaceStatusFields();
}

void TProgEdit::PlaceStatusFields()
{
    const EditModel &m = FModel;
    const QFontMetrics fm(FPosField->font());
    const auto fit = [&](int index, std::initializer_list<QString> texts) {
        int w = StatusPlaces[index].width;
        for (const QString &t : texts)
            w = std::max(w, fm.horizontalAdvance(t) + 2 * (StatusPadding + 1));
        return w;
    };
    // The position field is as wide as the text's last line number needs, so
    // moving through the text does not resize it line by line; the mode field
    // holds either mode's name.
    const int widths[] = {
        fit(0, {FPosField->Text(), QStringLiteral("%1 : %2").arg(m.LineCount()).arg(m.Cursor().Col + 1)}),
        fit(1, {FCountField->Text()}),
        fit(2, {QStringLiteral("Ins"), QStringLiteral("Upd")}),
        fit(3, {FLangField->Text()}),
    };
    TGTextField *fields[] = {FPosField, FCountField, FModeField, FLangField};
    int left = StatusLeft;
    for (int i = 0; i < 4; ++i) {
        const QRect g(left, 0, widths[i], StatusHeight);
        if (fields[i]->geometry() != g)
            fields[i]->setGeometry(g);
        left += widths[i] + StatusPlaces[i].gap;
    }
    const QRect bar(left, 0, std::max(0, width() - HorzBarRightGap - left), BarThickness);
    if (FHorzBar->geometry() != bar)
        FHorzBar->setGeometry(bar);
}

bool TProgEdit::InfoAboutWordWanted() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TProgEdit::OnInfoAboutWord));
}

bool TProgEdit::AskYesNo(const QString &text, const QString &caption)
{
    FModel.FlushView();
    return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TProgEdit::OnBarScroll(QObject *, int)
{
    FModel.OnScrollBar(FVertBar->Pos(), FHorzBar->Pos());
}

void TProgEdit::OnBarMouseDown()
{
    setFocus(Qt::MouseFocusReason);
}

void TProgEdit::OnChangeFont()
{
    QFont f = font();
    if (!f.fixedPitch()) {
        f.setFixedPitch(true);
        setFont(f);   // comes back here once more, fixed
        return;
    }
    UpdateFontDXDY();
    UpdateParams(EditModel::KeepMaxLineLen);
    update();
}

void TProgEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    FStatusPanel->setGeometry(0, h - StatusHeight, w, StatusHeight);
    FVertBar->setGeometry(w - BarThickness, 0, BarThickness, h - StatusHeight);
    PlaceStatusFields();
    UpdateParams(EditModel::KeepMaxLineLen | EditModel::KeepBarsAtEnd);
}

void TProgEdit::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    UpdateParams(EditModel::KeepMaxLineLen);
    FCaretOn = true;
    FCaretVisible = true;
    const int flash = QApplication::cursorFlashTime();
    FCaretTimer->setInterval(flash > 0 ? flash / 2 : 500);
    if (flash > 0)
        FCaretTimer->start();
    SetCaret();
}

void TProgEdit::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    FCaretOn = false;
    FCaretTimer->stop();
    update(FModel.Metrics().CaretX, FModel.Metrics().CaretY, 2, FModel.Metrics().CharH);
}

void TProgEdit::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange: OnChangeFont(); break;
    case QEvent::KeyboardLayoutChange: UpdateTextFields(); break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange: update(); break;
    default: break;
    }
}

EditColors TProgEdit::Colors() const
{
    EditColors c;
    c.Font = palette().color(QPalette::Text);   // the font's colour, black by default
    c.Back = ToQColor(Color);
    c.Comment = ToQColor(CommentColor);
    c.BlockText = ToQColor(BlockTextColor);
    c.Block = ToQColor(BlockColor);
    c.HighlightText = ToQColor(HighlightTextColor);
    c.Highlight = ToQColor(HighlightColor);
    c.HighlightBlock = ToQColor(HighlightBlockColor);
    return c;
}

void TProgEdit::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    PaintText(p, event->rect());
}

void TProgEdit::PaintText(QPainter &p, const QRect &clip)
{
    const EditModel &m = FModel;
    UpdateFontDXDY();
    p.setFont(font());
    EditPaint::PaintText(p, m, Colors(), clip, m.Metrics().AreaWidth, m.Metrics().AreaHeight,
                         QFontMetrics(font()).ascent());
    if (FCaretOn && FCaretVisible)
        p.fillRect(QRect(m.Metrics().CaretX, m.Metrics().CaretY, 2, m.Metrics().CharH - 2), Qt::black);
}

namespace Progedit {

void Register()
{
    RegisterComponent(ControlEntry(QStringLiteral("TProgEdit"), QStringLiteral("Program text editor"),
                                   QStringLiteral("controls/editor/Progedit.h"), 320, 200,
                                   [](QWidget *parent) -> QWidget * { return new TProgEdit(parent); }));
}

}   // namespace Progedit
