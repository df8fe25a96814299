// TProgEdit: the program text editor control. A thin widget around an
// EditModel (edit_model.h), which holds the text, cursor, view origin, block,
// undo and files and needs no window: the widget measures the font, paints,
// keeps the caret, owns the two TNScrollBar bars and the status panel with its
// four TGTextField fields, routes events to the model and turns the model's
// notifications into Qt signals.
//
// Owners reach the model's properties (ReadOnly, TabSize, UndoLimit,
// FileName ...) and its state through Model(); the widget forwards the
// operations that owners call most.
#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

#include "controls/editor/edit_model.h"
#include "controls/editor/edit_paint.h"

class QFrame;
class QTimer;
class TGTextField;
class TNScrollBar;

class TProgEdit : public QWidget, public EditView {
    Q_OBJECT
    Q_PROPERTY(bool SwitchKeybLayoutOnCtrl READ SwitchKeybLayoutOnCtrl WRITE setSwitchKeybLayoutOnCtrl)

public:
    static constexpr int MinWidth = 200;
    static constexpr int MinHeight = 64;
    static constexpr int StatusHeight = 16;
    static constexpr int BarThickness = 16;
    // Left margin of the text, in pixels.
    static constexpr int TextMargin = 4;

    explicit TProgEdit(QWidget *parent = nullptr);
    ~TProgEdit() override;

    EditModel &Model() { return FModel; }
    const EditModel &Model() const { return FModel; }

    // Colours as 0x00BBGGRR values; they take effect at the next repaint.
    std::uint32_t CommentColor = 0xD00000;
    std::uint32_t BlockTextColor = 0xFFFFFF;
    std::uint32_t BlockColor = 0x800000;
    std::uint32_t HighlightTextColor = 0x000000;
    std::uint32_t HighlightColor = 0x00FFFF;
    std::uint32_t HighlightBlockColor = 0xFF0000;
    // The background (the control's Color), 0x00BBGGRR.
    std::uint32_t Color = 0xFFFFFF;
    static QColor ToQColor(std::uint32_t bgr);

    bool SwitchKeybLayoutOnCtrl() const { return FModel.SwitchKeybLayoutOnCtrl; }
    void setSwitchKeybLayoutOnCtrl(bool value) { FModel.SwitchKeybLayoutOnCtrl = value; }

    // Child controls.
    TNScrollBar *VertBar() const { return FVertBar; }
    TNScrollBar *HorzBar() const { return FHorzBar; }
    QFrame *StatusPanel() const { return FStatusPanel; }
    TGTextField *PosField() const { return FPosField; }
    TGTextField *CountField() const { return FCountField; }
    TGTextField *ModeField() const { return FModeField; }
    TGTextField *LangField() const { return FLangField; }

    // ---- the model's operations ----
    void SetCursor(int line, int col) { FModel.SetCursor(line, col); }
    void SetCursorLine(int line) { FModel.SetCursorLine(line); }
    void SetCursorCol(int col) { FModel.SetCursorCol(col); }
    void SetCursorXY(int x, int y) { FModel.SetCursorXY(x, y); }
    void SetStart(int line, int col) { FModel.SetStart(line, col); }
    void SetStartLine(int line) { FModel.SetStartLine(line); }
    void SetStartCol(int col) { FModel.SetStartCol(col); }
    void UpdateParams(std::uint8_t flags) { FModel.UpdateParams(flags); }
    void InvalidateLines(int first, int count) { FModel.InvalidateLines(first, count); }
    void ReplaceSubStr(int line, int col, int count, const QString &text)
    {
        FModel.ReplaceSubStr(line, col, count, text);
    }
    void InsertSubStr(int line, int col, const QString &text) { FModel.InsertSubStr(line, col, text); }
    void DeleteSubStr(int line, int col, int count) { FModel.DeleteSubStr(line, col, count); }
    int ReplaceAllWords(const QString &find, const QString &replacement)
    {
        return FModel.ReplaceAllWords(find, replacement);
    }
    void SetFoundMarker(int len, const TPE_Pos *pos) { FModel.SetFoundMarker(len, pos); }
    void Changed(bool oneLine) { FModel.Changed(oneLine); }
    const EditLines &Lines() const { return FModel.Lines(); }
    void ReplaceText(const EditLines &text) { FModel.ReplaceText(text); }
    void BeginUpdate() { FModel.BeginUpdate(); }
    void EndUpdate() { FModel.EndUpdate(); }
    bool LoadFromFile(const QString &name, QString *reason = nullptr) { return FModel.LoadFromFile(name, reason); }
    bool SaveToFile(const QString &name, QString *reason = nullptr) { return FModel.SaveToFile(name, reason); }
    bool Save(QString *reason = nullptr) { return FModel.Save(reason); }
    void SaveQuestion() { FModel.SaveQuestion(); }
    bool GetWordAtPos(int line, int col, int &end, int &start) const
    {
        return FModel.GetWordAtPos(line, col, end, start);
    }
    QString GetWordOnCursor(int &start) const { return FModel.GetWordOnCursor(start); }
    void ClearUNDO() { FModel.ClearUNDO(); }
    QString GetUNDO() const { return FModel.GetUNDO(); }
    int UNDO() { return FModel.UNDO(); }
    void CtrlQ_P() { FModel.CtrlQ_P(); }

    // Measures the cell of the character "0" in the font.
    void UpdateFontDXDY();
    // Places the caret at the cursor and stores FCaretX, FCaretY.
    void SetCaret();
    // Refreshes the four status fields.
    void UpdateTextFields() override;

    // ---- EditView ----
    void MeasureArea(EditModel &model) override;
    void RepaintLines(int first, int count) override;
    void RepaintAll() override;
    void SyncScrollBars() override;
    void PlaceCaret() override { SetCaret(); }
    void ChangeStart() override { emit OnChangeStart(this); }
    void ChangeCursor() override { emit OnChangeCursor(this); }
    void ChangeText() override { emit OnChangeText(this); }
    void Undone() override { emit OnUNDO(this); }
    bool InfoAboutWordWanted() const override;
    void InfoAboutWord(int line, int col, const QString &word) override { emit OnInfoAboutWord(this, line, col, word); }
    bool AskYesNo(const QString &text, const QString &caption) override;
    void HelpWanted() override { emit OnClickHelpAboutEdit(); }

    // The colours as the painter takes them.
    EditColors Colors() const;
    // The pop-up menu at (x, y) in the control's pixels, when ContextMenuEnabled.
    void DoContextMenu(int x, int y);

signals:
    void OnChangeStart(QObject *Sender);
    void OnChangeCursor(QObject *Sender);
    void OnChangeText(QObject *Sender);
    void OnUNDO(QObject *Sender);
    void OnInfoAboutWord(QObject *Sender, int Line, int Col, const QString &Word);
    // Before the editor handles a key or a typed character; a directly
    // connected handler may change it (0 or a null character: ignored).
    void OnKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift);
    void OnKeyUp(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift);
    void OnKeyPress(QObject *Sender, QChar &Key);
    // The context menu's "Справка по редактору" or F1: the owner shows the
    // editor's help (EditKeys::KeyListLines gives its key list).
    void OnClickHelpAboutEdit();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

    // Tab and Backtab are the editor's keys, never a focus move.
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // The wheel scrolls the view, three lines a notch; the cursor stays.
    void wheelEvent(QWheelEvent *event) override;

private:
    // Runs after a font change: fixed pitch again, cell re-measured, UpdateParams(1).
    void OnChangeFont();
    // Places the status fields in their order, each wide enough for its
    // text, and the horizontal bar after them.
    void PlaceStatusFields();
    void OnBarScroll(QObject *sender, int code);
    // A press on a scroll bar gives the focus back to the editor.
    void OnBarMouseDown();
    // The visible rows by runs of equally coloured cells (edit_paint.h), then the caret.
    void PaintText(QPainter &p, const QRect &clip);

    EditModel FModel;
    TNScrollBar *FVertBar = nullptr;
    QFrame *FStatusPanel = nullptr;
    TNScrollBar *FHorzBar = nullptr;
    TGTextField *FPosField = nullptr;
    TGTextField *FCountField = nullptr;
    TGTextField *FModeField = nullptr;
    TGTextField *FLangField = nullptr;
    int FWheelRest = 0;   // eighths of a degree not yet scrolled (fine-grained wheels)
    bool FCaretOn = false;   // the editor has the focus
    bool FCaretVisible = false;   // the blink phase
    QTimer *FCaretTimer = nullptr;
};

namespace Progedit {

// Puts TProgEdit on the Designer widget box.
void Register();

}   // namespace Progedit
