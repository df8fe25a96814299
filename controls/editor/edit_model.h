// EditModel: the text of the program editor and everything that changes it,
// without a window: the lines, the cursor and the view origin, the block
// corners, the found marker, the editing primitive (ReplaceSubStr), words,
// change notification, the update bracket, files and undo.
//
// How the editor's pieces drive it:
// - TProgEdit (Progedit.h) is the widget. It owns one EditModel (Model())
//   and is the model's EditView: the model calls the view back to measure the
//   text area, repaint lines, sync the scroll bars, place the caret, refresh
//   the status fields, ask a yes/no question and fire the widget's signals
//   (OnChangeStart, OnChangeCursor, OnChangeText, OnUNDO, OnInfoAboutWord).
//   Without a view (tests, tools) the model works alone: the calls do
//   nothing, the area keeps the size last given to SetMetrics, and
//   questions are answered "no".
// - The model keeps its state private. Commands (blocks, clipboard, search
//   and replace, keys) are free functions taking EditModel& (edit_blocks.h,
//   edit_search.h, edit_keys.h); each opens an EditCommand (edit_command.h),
//   which says what it needs (a writable text, a shown block) and which undo
//   record it makes, opening the record and closing it on every way out.
//   They read the model through its accessors and change it only through
//   named operations: cursor and view moves, SetBlock for marking, the
//   search and key state, and the edit path below (ReplaceSubStr for
//   in-line edits, SplitLine, JoinLines, InsertLines, RemoveLines,
//   SetLineText and ReplaceText for the others). The edit path moves the
//   block corners (edit_corners.h), hides a block the edit emptied, stores
//   lines without trailing spaces, moves the text's version (Modified) and
//   notes the change for the window.
// - What changed during one command (rows, cursor, view, bars, block,
//   status, events) is collected and handed to the view once, when the
//   outermost command or operation ends: one caret move, one status refresh
//   and the changed rows repainted per keystroke.
// - Dialogs of the commands (search, replace, prompt, go-to-line, fill) are
//   reached through a small interface of the command's own file that the
//   widget implements, so that tests answer them without a window. The
//   window is brought up to date (FlushView) before a dialog is shown.
// - Painting (edit_paint.h) reads the model and the widget's colours.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "controls/editor/edit_corners.h"
#include "controls/editor/edit_file.h"
#include "controls/editor/edit_lines.h"
#include "controls/editor/edit_undo.h"
#include "controls/editor/nscroll_range.h"

class QTimer;
class EditModel;

// Search options, in this order: whole words, case-sensitive, within the
// block, from the cursor.
struct SearchParams {
    bool WholeWords = false;
    bool CaseSensitive = false;
    bool InBlock = false;
    bool FromCursor = false;
    bool operator==(const SearchParams &) const = default;
};

// The text area as the window measured it, and what fits in it.
struct EditMetrics {
    int CharW = 8;   // one character cell, in pixels
    int CharH = 13;
    int AreaWidth = 0;   // the text area, in pixels
    int AreaHeight = 0;
    int VisLines = 0;   // whole lines that fit the area
    int VisCols = 0;   // columns that fit, minus 1
    int MaxLineLen = 0;   // the longest line's length
    int CaretX = 0;   // the last caret position in pixels (placing dialogs)
    int CaretY = 0;
};

// The search in progress and the options of the last one.
struct EditSearchState {
    QString FindText;
    QString ReplaceText;
    SearchParams Options;
    TPE_Pos Pos;   // where the next search starts
    bool ReplaceMode = false;
    bool ReplaceAllChosen = false;
    bool ReplaceAllConfirmed = false;
    int ReplaceCount = 0;   // replacements in the current run
};

// The keyboard's and the mouse's state between events.
struct EditKeyState {
    bool PrefixK = false;   // Ctrl+K waits for its second key
    bool PrefixQ = false;
    bool SkipChar = false;   // the next typed character is not typed
    bool CtrlAlone = false;   // Ctrl was pressed with no other key
    bool MouseSelecting = false;   // the left button is held in the text area
    TPE_Block MouseBlockKind = pbNone;   // the kind chosen at the last left press
};

// The found-text marker; Len 0: none.
struct EditFoundMarker {
    TPE_Pos Pos;
    int Len = 0;
};

// What the model asks of its window. Every call has a do-nothing default.
class EditView {
public:
    virtual ~EditView() = default;
    // Gives the model the font's cell and the text area (SetMetrics).
    virtual void MeasureArea(EditModel &) {}
    // Repaints the rows of lines first ... first + count - 1 (no erase).
    virtual void RepaintLines(int /*first*/, int /*count*/) {}
    virtual void RepaintAll() {}
    // The bar mirrors VertRange() / HorzRange() changed: copy them to the bars.
    virtual void SyncScrollBars() {}
    virtual void PlaceCaret() {}
    virtual void UpdateTextFields() {}
    // The five events.
    virtual void ChangeStart() {}
    virtual void ChangeCursor() {}
    virtual void ChangeText() {}
    virtual void Undone() {}
    virtual bool InfoAboutWordWanted() const { return false; }
    virtual void InfoAboutWord(int /*line*/, int /*col*/, const QString & /*word*/) {}
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString & /*text*/, const QString & /*caption*/) { return false; }
    // The editor's help (its key list) was asked for.
    virtual void HelpWanted() {}
};

// What one command changed, for the window: collected while it runs and
// applied once when it ends.
struct EditChanges {
    bool Params = false;   // UpdateParams is due
    std::uint8_t ParamsFlags = 0xFF;   // the flags every request for it had
    bool RepaintAll = false;
    QList<QPair<int, int>> Rows;   // (first line, count) to repaint
    bool Bars = false;
    bool Caret = false;
    bool Fields = false;
    bool Start = false;   // OnChangeStart
    bool Cursor = false;   // OnChangeCursor
    bool Text = false;   // OnChangeText
    bool Undone = false;   // OnUNDO
    bool Word = false;   // report the word at the cursor now
    bool WordTimer = false;   // (re)start the delayed word report
    void AddRows(int first, int count);
};

class EditModel {
public:
    // How far past a line's end the cursor and an edit may go: a cap on
    // padding, so that no edit makes a line longer than this by padding and
    // nothing overflows. Positions inside a longer line are never cut.
    static constexpr int MaxColumn = 1000000;
    // The UpdateParams flag bits.
    static constexpr std::uint8_t KeepMaxLineLen = 1;   // bit 0: keep FMetrics.MaxLineLen
    static constexpr std::uint8_t KeepBarsAtEnd = 2;   // bit 1: a bar at its end stays there
    // The SaveQuestion text.
    static constexpr const char SaveQuestionText[] = "Файл не сохранен, сохранить ?";

    EditModel();
    ~EditModel();
    EditModel(const EditModel &) = delete;
    EditModel &operator=(const EditModel &) = delete;

    void SetView(EditView *view) { FView = view; }
    EditView *View() const { return FView; }

    // ---- the properties the owner sets directly (they take effect at the
    // next operation or repaint that reads them) ----
    int HighlightLine = -1;
    bool ReadOnly = false;
    bool OverwriteMode = false;
    bool AutoIndent = true;
    bool Modified = false;   // the text is not the one last loaded or saved
    int TabSize = 6;
    bool AskSaveOnDestroy = false;
    QChar BlockFillChar = QLatin1Char(' ');
    int UndoLimit = 32;
    int InfoAboutWordDelay = 0;   // ms; 0 reports at once
    bool PromptOnReplace = true;
    std::uint8_t CommentStyle = 1;   // 0 none, 1 "//", 2 ";"
    QString FileName;
    bool ContextMenuEnabled = true;
    bool SwitchKeybLayoutOnCtrl = false;

    // ---- reading the state ----
    const EditLines &Lines() const { return FEditLines; }
    TPE_Pos Cursor() const { return FCursor; }
    TPE_Pos Start() const { return FStart; }   // the first visible line and column
    const EditBlock &Block() const { return FBlock; }
    const EditMetrics &Metrics() const { return FMetrics; }
    const EditFoundMarker &Found() const { return FFound; }
    // Mirrors of the vertical and horizontal scroll bars (position model only).
    const TNScrollRange &VertRange() const { return FVertRange; }
    const TNScrollRange &HorzRange() const { return FHorzRange; }
    // Encoding and line break of the file the text came from.
    const EditFileFormat &FileFormat() const { return FFileFormat; }
    void SetFileFormat(const EditFileFormat &format) { FFileFormat = format; }
    const EditUndo &UndoList() const { return FUndoList; }
    // The state that belongs to the search commands and to the keys; they
    // keep it here between their calls.
    EditSearchState &SearchState() { return FSearch; }
    const EditSearchState &SearchState() const { return FSearch; }
    EditKeyState &KeyState() { return FKeys; }
    const EditKeyState &KeyState() const { return FKeys; }

    // The window's measures: the font's cell and the text area in pixels
    // (the view's MeasureArea gives them), and the caret's last place.
    void SetMetrics(int charW, int charH, int areaWidth, int areaHeight);
    void SetCaretXY(int x, int y);

    int LineCount() const { return int(FEditLines.size()); }
    // The highest column a position on a line may take: the line's end when
    // it lies beyond MaxColumn, so a cap on padding never cuts a real line.
    int ColumnLimit(int line) const;

    // ---- cursor and view ----
    void SetCursor(int line, int col);
    void SetCursorLine(int line) { SetCursor(line, FCursor.Col); }
    void SetCursorCol(int col) { SetCursor(FCursor.Line, col); }
    // x, y in pixels of the text area; ignored when no line is there.
    void SetCursorXY(int x, int y);
    void SetStart(int line, int col);
    void SetStartLine(int line) { SetStart(line, FStart.Col); }
    void SetStartCol(int col) { SetStart(FStart.Line, col); }
    // flags: KeepMaxLineLen, KeepBarsAtEnd.
    void UpdateParams(std::uint8_t flags);
    // A scroll bar was moved: the view follows the bars' positions.
    void OnScrollBar(int vertPos, int horzPos);
    void InvalidateLines(int first, int count);
    // A null pos or a length of 0 only removes the marker.
    void SetFoundMarker(int len, const TPE_Pos *pos);
    void RemoveFoundMarker();
    // Reports the word at the cursor through OnInfoAboutWord when it changed.
    void OnIAWTimer();

    // ---- the edit path: every change of the text goes through these ----
    // Each one moves the block corners as its kind of edit does
    // (edit_corners.h), hides a block that became empty or invalid, stores
    // lines without trailing spaces and runs Changed.
    //
    // In-line: replaces count characters at (line, col) by text (the line
    // padded to col first); a cursor right of col on that line moves with the
    // text. Typed characters move the corners their own way; an overwriting
    // one moves none.
    enum class InLine : std::uint8_t { Replace, Typed, Overwrite };
    void EditLine(int line, int col, int count, const QString &text, InLine kind);
    void ReplaceSubStr(int line, int col, int count, const QString &text)
    {
        EditLine(line, col, count, text, InLine::Replace);
    }
    void InsertSubStr(int line, int col, const QString &text) { ReplaceSubStr(line, col, 0, text); }
    void DeleteSubStr(int line, int col, int count) { ReplaceSubStr(line, col, count, QString()); }
    // Cuts the line at col; the rest goes to a new line below after indent
    // spaces (only the spaces when col is at or past the end: such a line
    // keeps them).
    void SplitLine(int line, int col, int indent);
    // Appends the next line to `line`, which is first padded to padTo. Kind:
    // Backspace (the joined line's cursor goes up) or Delete (the cursor
    // stays on `line`); the corners move accordingly.
    enum class Join : std::uint8_t { Backspace, Delete };
    void JoinLines(int line, int padTo, Join kind);
    void InsertLines(int at, const QStringList &lines);
    void RemoveLines(int first, int count);
    // Sets a line's text in place; the block's own commands (indent,
    // comment, fill ...) and pastes use it and move no corners.
    void SetLineText(int line, const QString &text);
    // The whole text replaced as one change: cursor and view cut to it, a
    // block it emptied hidden, Modified set. An owner that means a new text
    // (not an edit) clears the undo records and marks it saved after.
    void ReplaceText(const EditLines &text);

    // Marking: the block becomes this value, as given (MarkBlock orders
    // its corners first, Ctrl+K B and K do not); the window repaints when
    // a block is shown before or after.
    void SetBlock(const EditBlock &block);
    // True when the block's corners form a non-empty block inside the text
    // (an end line past the text is pulled back), and the check that hides
    // a shown block that is not.
    bool CheckBlock();
    void SetCheckBlock();

    // The text's version: a new one for every change, the old one back when
    // a change is undone. Modified is false exactly while the version is the
    // one last loaded or saved. An owner that sets Modified itself moves that
    // mark: false declares the text saved, true declares it unsaved.
    std::uint64_t TextVersion() const { return FTextVersion; }
    void SetTextVersion(std::uint64_t version);
    void MarkSaved();

    // ---- the window ----
    // The changes collected so far go to the view now (before a dialog is
    // shown, and when the outermost operation ends).
    void FlushView();
    const EditChanges &PendingChanges() const { return FChanges; }
    void NoteRepaintAll() { FChanges.RepaintAll = true; }
    void NoteUndone() { FChanges.Undone = true; }
    void NoteFields() { FChanges.Fields = true; }
    // Scrolls the view as SetCursor would, so that the cursor is in it.
    void ScrollToCursor();
    // The mouse wheel: the view moves by lines, the cursor stays.
    void ScrollLines(int lines);
    // Opens an operation: the window hears of its changes when the last one ends.
    class Scope {
    public:
        explicit Scope(EditModel &m) : FModel(m) { ++m.FScopeDepth; }
        ~Scope()
        {
            if (--FModel.FScopeDepth == 0)
                FModel.FlushView();
        }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        EditModel &FModel;
    };
    // Case-sensitive whole-word replacement in every line; no undo record.
    int ReplaceAllWords(const QString &find, const QString &replacement);
    void Changed(bool oneLine);
    // The update bracket: edits inside it are only noted; the last
    // EndUpdate runs Changed(false) once when the text changed.
    void BeginUpdate();
    void EndUpdate();

    // ---- files ----
    // False and nothing changed when the file is missing or unreadable.
    bool LoadFromFile(const QString &name, QString *reason = nullptr);
    // False, with the reason, when the file was not written.
    bool SaveToFile(const QString &name, QString *reason = nullptr);
    // Saves a modified text to FileName; Modified is cleared only when the
    // file was written. True when there was nothing to save or it was saved.
    bool Save(QString *reason = nullptr);
    void SaveQuestion();
    // A file is never re-encoded unasked: when the text has a character that
    // the file's code page cannot hold, SaveToFile asks this (Yes/No) and
    // saves as UTF-8 only on Yes; on No nothing is written.
    static constexpr const char ReencodeQuestionText[] =
        "В кодировке Windows-1251 нет некоторых символов текста. Сохранить файл в UTF-8 ?";
    // True when the text can be saved in the file's own encoding.
    bool FitsFileEncoding() const { return EditFile::Fits(FEditLines, FFileFormat); }

    // ---- words ----
    static bool IsWordChar(QChar c);
    bool GetWordAtPos(int line, int col, int &end, int &start) const;
    QString GetWordOnCursor(int &start) const;

    // ---- undo (the records are EditUndo's, edit_undo.h) ----
    // Opens a record before a change and closes it after; only the command
    // scope (EditCommand, edit_command.h) calls them. They nest: a record
    // opened while one is open joins it, and the outermost close ends it.
    void CreateUNDO(const char *name, std::uint8_t type);
    void CloseUNDO();
    // Records opened and not yet closed.
    int UndoDepth() const { return FUndoDepth; }
    void ClearUNDO();
    // The newest record's name; a null string when there is none.
    QString GetUNDO() const;
    // 0 nothing to undo, 1 a step taken back, 2 the cursor moved to the last change.
    int UNDO();
    void CtrlQ_P();
    TPE_UndoState CurrentUndoState() const;

private:
    // Puts back the state a record kept (cursor, view, block, Modified),
    // without the side effects of SetCursor.
    void RestoreState(const TPE_UndoState &s, std::uint64_t version);
    // Undo puts text back: a line or the whole text, no corners moved (the
    // record brings its own block).
    void RestoreLine(int line, const QString &text);
    void RestoreText(const EditLines &text);
    // A text change happened: a new version, Modified follows, the change
    // noted for the window (the cursor line or everything).
    void TextChanged(bool oneLine);
    // The line is stored, trailing spaces removed.
    void StoreLine(int line, QString text);
    // What every edit ends with: the moved corners, cursor and view cut to
    // the text, an emptied block hidden, Changed.
    void EndEdit(const EditBlock &moved, bool oneLine);
    // Cursor and view lines cut to the text after lines went.
    void ClampToText();
    // The first visible line (column) that shows this cursor line (column):
    // the view moves only as far as it must.
    int StartLineFor(int line) const;
    int StartColFor(int col) const;
    // The due UpdateParams, before anything reads the view's measures.
    void EnsureParams();
    void RequestParams(std::uint8_t flags);
    void NoteRows(int first, int count);
    // The owner's own writes to Modified move the saved mark.
    void SyncSavePoint();

    EditView *FView = nullptr;
    int FUpdateDepth = 0;   // the update bracket's nesting
    bool FEditChanged = false;   // the text changed inside the bracket
    EditLines FEditLines;   // the text; never empty after UpdateParams
    TPE_Pos FCursor;
    TPE_Pos FStart;   // the first visible line and column
    EditMetrics FMetrics;
    EditBlock FBlock;
    EditFoundMarker FFound;
    EditKeyState FKeys;
    EditUndo FUndoList;   // the records, oldest first, and the open mark
    int FUndoDepth = 0;   // records opened and not yet closed (CreateUNDO)
    std::unique_ptr<QTimer> FIAWTimer;   // created at first use
    TPE_Pos FIAWPos;   // what OnInfoAboutWord last reported
    QString FIAWWord;
    EditSearchState FSearch;
    TNScrollRange FVertRange;
    TNScrollRange FHorzRange;
    EditFileFormat FFileFormat;
    EditLines FBracketText;   // the text when the update bracket opened
    int FScopeDepth = 0;
    EditChanges FChanges;
    std::uint64_t FTextVersion = 0;
    std::uint64_t FSavedVersion = 0;
    std::uint64_t FNextVersion = 1;
};
