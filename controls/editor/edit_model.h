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
//   taking EditModel& (edit_blocks.h, edit_search.h, edit_keys.h). They read
//   and write the public members below directly. In-line edits go through
//   ReplaceSubStr / InsertSubStr / DeleteSubStr; structural edits (lines
//   split, joined, inserted, removed) change FEditLines directly and then run
//   Changed(false). A text-changing command returns at once when ReadOnly is
//   set, and brackets its change with CreateUNDO(UndoNames::..., UndoType::...)
//   and CloseUNDO() (edit_undo.h).
// - Dialogs of the commands (search, replace, prompt, go-to-line, fill) are
//   reached through a small interface of the command's own file that the
//   widget implements, so that tests answer them without a window.
// - Painting (edit_paint.h) reads the model and the widget's colours.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

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
};

class EditModel {
public:
    // The cursor column has no limit of its own beyond this one: columns are
    // clamped to it, so no edit can make a line longer than this and nothing
    // overflows. It is also the search's column limit.
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
    bool Modified = false;
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
    QList<TPE_UndoRecord> FUndoList;   // oldest first
    bool FUndoOpen = false;
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

    // ---- text ----
    // The primitive under every in-line edit: replaces count characters at
    // (line, col) by text, removes trailing spaces, moves stream-block
    // corners and the cursor, repaints and runs Changed(true).
    void ReplaceSubStr(int line, int col, int count, const QString &text);
    void InsertSubStr(int line, int col, const QString &text) { ReplaceSubStr(line, col, 0, text); }
    void DeleteSubStr(int line, int col, int count) { ReplaceSubStr(line, col, count, QString()); }
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

    // ---- undo (edit_undo.cpp) ----
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
    EditView *FView = nullptr;
    EditLines FBracketText;   // the text when the update bracket opened
};
