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
//   nothing, the area keeps the size set in FCharW, FCharH, FAreaWidth and
//   FAreaHeight, and questions are answered "no".
// - Commands (blocks, clipboard, search and replace, keys) are free functions
//   taking EditModel& (edit_blocks.h, edit_search.h, edit_keys.h). Each opens
//   an EditCommand, which says what it needs (a writable text, a shown
//   block) and refuses the command when that is missing. They change the
//   text only through the edit path below: ReplaceSubStr for in-line edits,
//   SplitLine, JoinLines, InsertLines, RemoveLines and SetLineText for the
//   others. The edit path moves the block corners (edit_corners.h), hides a
//   block the edit emptied, stores lines without trailing spaces, moves the
//   text's version (Modified) and notes the change for the window. A
//   text-changing command brackets its change with CreateUNDO(UndoNames::...,
//   UndoType::...) and CloseUNDO() (edit_undo.h).
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

// A text position: line index, then column, both from 0.
struct TPE_Pos {
    int Line = 0;
    int Col = 0;
    bool operator==(const TPE_Pos &) const = default;
};

// Search options, in this order: whole words, case-sensitive, within the
// block, from the cursor.
struct SearchParams {
    bool WholeWords = false;
    bool CaseSensitive = false;
    bool InBlock = false;
    bool FromCursor = false;
    bool operator==(const SearchParams &) const = default;
};

// What the model asks of its window. Every call has a do-nothing default.
class EditView {
public:
    virtual ~EditView() = default;
    // Sets model.FCharW, FCharH (the font's cell) and FAreaWidth, FAreaHeight
    // (the text area in pixels).
    virtual void MeasureArea(EditModel &) {}
    // Repaints the rows of lines first ... first + count - 1 (no erase).
    virtual void RepaintLines(int /*first*/, int /*count*/) {}
    virtual void RepaintAll() {}
    // The bar mirrors FVertRange / FHorzRange changed: copy them to the bars.
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
    static constexpr std::uint8_t KeepMaxLineLen = 1;   // bit 0: keep FMaxLineLen
    static constexpr std::uint8_t KeepBarsAtEnd = 2;   // bit 1: a bar at its end stays there
    // The SaveQuestion text.
    static constexpr const char SaveQuestionText[] = "Файл не сохранен, сохранить ?";

    EditModel();
    ~EditModel();
    EditModel(const EditModel &) = delete;
    EditModel &operator=(const EditModel &) = delete;

    void SetView(EditView *view) { FView = view; }
    EditView *View() const { return FView; }

    // ---- state, in the editor's member order ----
    int FUpdateDepth = 0;
    bool FEditChanged = false;
    TPE_Block FMouseBlockKind = pbNone;
    EditLines FEditLines;   // the text; never empty after UpdateParams
    int FCursorLine = 0;
    int FCursorCol = 0;
    int FStartLine = 0;   // first visible line
    int FStartCol = 0;   // first visible column
    int FAreaWidth = 0;
    int FAreaHeight = 0;
    int FMaxLineLen = 0;
    int FVisLines = 0;   // whole lines that fit the area
    int FVisCols = 0;   // columns that fit, minus 1
    int FCharW = 8;
    int FCharH = 13;
    bool FBlockShown = false;
    TPE_Block FBlockKind = pbNone;
    int FBlockStartLine = 0;
    int FBlockStartCol = 0;
    int FBlockEndLine = 0;
    int FBlockEndCol = 0;
    int FFoundLine = 0;
    int FFoundCol = 0;
    int FFoundLen = 0;   // 0: no found marker
    int HighlightLine = -1;
    bool ReadOnly = false;
    bool OverwriteMode = false;
    bool AutoIndent = true;
    bool Modified = false;   // the text is not the one last loaded or saved
    int TabSize = 6;
    bool AskSaveOnDestroy = false;
    bool FPrefixK = false;
    bool FPrefixQ = false;
    bool FSkipChar = false;
    bool FCtrlAlone = false;
    QChar BlockFillChar = QLatin1Char(' ');
    bool FMouseSelecting = false;
    int FCaretX = 0;   // last caret position in pixels (placing dialogs)
    int FCaretY = 0;
    int UndoLimit = 32;
    EditUndo FUndoList;   // the records, oldest first, and the open mark
    int InfoAboutWordDelay = 0;   // ms; 0 reports at once
    std::unique_ptr<QTimer> FIAWTimer;   // created at first use
    int FIAWLine = 0;
    int FIAWCol = 0;
    QString FIAWWord;
    QString FFindText;
    QString FReplaceText;
    SearchParams FSearchOptions;
    TPE_Pos FSearchPos;
    bool FReplaceMode = false;
    bool PromptOnReplace = true;
    bool FReplaceAllChosen = false;
    bool FReplaceAllConfirmed = false;
    int FReplaceCount = 0;
    std::uint8_t CommentStyle = 1;   // 0 none, 1 "//", 2 ";"
    QString FileName;
    bool ContextMenuEnabled = true;
    bool SwitchKeybLayoutOnCtrl = false;
    // Mirrors of the vertical and horizontal scroll bars (position model only).
    TNScrollRange FVertRange;
    TNScrollRange FHorzRange;
    // Encoding and line break of the file the text came from.
    EditFileFormat FFileFormat;

    int LineCount() const { return int(FEditLines.size()); }
    // The highest column a position on a line may take: the line's end when
    // it lies beyond MaxColumn, so a cap on padding never cuts a real line.
    int ColumnLimit(int line) const;

    // ---- cursor and view ----
    void SetCursor(int line, int col);
    void SetCursorLine(int line) { SetCursor(line, FCursorCol); }
    void SetCursorCol(int col) { SetCursor(FCursorLine, col); }
    // x, y in pixels of the text area; ignored when no line is there.
    void SetCursorXY(int x, int y);
    void SetStart(int line, int col);
    void SetStartLine(int line) { SetStart(line, FStartCol); }
    void SetStartCol(int col) { SetStart(FStartLine, col); }
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
    // Undo puts text back: a line or the whole text, no corners moved (the
    // record brings its own block).
    void RestoreLine(int line, const QString &text);
    void RestoreText(const EditLines &text);

    // The block: its corners as one value, true when they form a non-empty
    // block inside the text (an end line past the text is pulled back), and
    // the check that hides a shown block that is not.
    BlockCorners Corners() const;
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
    // The update bracket: the caller may change the returned list directly;
    // the last EndUpdate runs Changed(false) when it changed.
    EditLines &GetText();
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

    // ---- undo (EditUndo, edit_undo.cpp) ----
    void CreateUNDO(const QString &name, std::uint8_t type);
    void CreateUNDO(const char *name, std::uint8_t type) { CreateUNDO(QString::fromUtf8(name), type); }
    void CloseUNDO();
    void ClearUNDO();
    // The newest record's name; a null string when there is none.
    QString GetUNDO() const;
    // 0 nothing to undo, 1 a step taken back, 2 the cursor moved to the last change.
    int UNDO();
    void CtrlQ_P();
    TPE_UndoState CurrentUndoState() const;

private:
    // A text change happened: a new version, Modified follows, the change
    // noted for the window (the cursor line or everything).
    void TextChanged(bool oneLine);
    // The line is stored, trailing spaces removed.
    void StoreLine(int line, QString text);
    void ApplyCorners(const BlockCorners &b);
    // What every edit ends with: the moved corners, cursor and view cut to
    // the text, an emptied block hidden, Changed.
    void EndEdit(const BlockCorners &moved, bool oneLine);
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
    EditLines FBracketText;   // the text when the update bracket opened
    int FScopeDepth = 0;
    EditChanges FChanges;
    std::uint64_t FTextVersion = 0;
    std::uint64_t FSavedVersion = 0;
    std::uint64_t FNextVersion = 1;
};

// One command of the editor: an operation scope for the window, and what
// the command needs before it may run. A text-changing command needs a
// writable text (it is refused while ReadOnly is set, and brings the cursor
// into view first, so that nobody edits a line they cannot see); a block
// command needs a shown, valid block.
class EditCommand {
public:
    enum Need : std::uint8_t { Any = 0, Writable = 1, ShownBlock = 2, BlockEdit = Writable | ShownBlock };
    EditCommand(EditModel &m, std::uint8_t needs = Any);
    explicit operator bool() const { return FAllowed; }

private:
    EditModel::Scope FScope;
    bool FAllowed = true;
};
