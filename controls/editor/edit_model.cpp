#include "controls/editor/edit_model.h"

#include <QTimer>
#include <algorithm>

namespace {

// The line without its trailing spaces.
QString TrimRight(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
    return s;
}

}   // namespace

void EditChanges::AddRows(int first, int count)
{
    if (count <= 0 || RepaintAll)
        return;
    // Rows scattered over many places: one repaint of the window is cheaper.
    if (Rows.size() >= 32) {
        Rows.clear();
        RepaintAll = true;
        return;
    }
    for (auto &r : Rows) {
        // Overlapping ranges become one.
        if (first < r.first + r.second && r.first < first + count) {
            const int last = std::max(r.first + r.second, first + count);
            r.first = std::min(r.first, first);
            r.second = last - r.first;
            return;
        }
    }
    Rows.append({first, count});
}

EditModel::EditModel()
{
    FEditLines.append(QString());
    // The bars start with nothing to scroll.
    FVertRange.SetMax(0);
    FHorzRange.SetMax(0);
}

EditModel::~EditModel() = default;

int EditModel::ColumnLimit(int line) const
{
    return std::max(MaxColumn, int(FEditLines.value(line).size()));
}

// ---- the window ----

void EditModel::RequestParams(std::uint8_t flags)
{
    FChanges.Params = true;
    FChanges.ParamsFlags &= flags;
}

void EditModel::EnsureParams()
{
    if (!FChanges.Params)
        return;
    const std::uint8_t flags = FChanges.ParamsFlags;
    FChanges.Params = false;
    FChanges.ParamsFlags = 0xFF;
    UpdateParams(flags);
}

void EditModel::NoteRows(int first, int count)
{
    FChanges.AddRows(first, count);
}

void EditModel::FlushView()
{
    EnsureParams();
    EditChanges c = std::move(FChanges);
    FChanges = EditChanges();
    if (!FView)
        return;
    if (c.Bars)
        FView->SyncScrollBars();
    if (c.Caret)
        FView->PlaceCaret();
    if (c.Fields)
        FView->UpdateTextFields();
    if (c.RepaintAll) {
        FView->RepaintAll();
    } else {
        for (const auto &r : c.Rows) {
            // Only rows that meet the window (one partly visible row below the last whole one).
            const int first = std::max(r.first, FStart.Line);
            const int end = std::min(r.first + r.second, FStart.Line + FMetrics.VisLines + 1);
            if (end > first)
                FView->RepaintLines(first, end - first);
        }
    }
    if (c.Start)
        FView->ChangeStart();
    if (c.Cursor)
        FView->ChangeCursor();
    if (c.Text)
        FView->ChangeText();
    if (c.Undone)
        FView->Undone();
    if (c.Word)
        OnIAWTimer();
    if (c.WordTimer && FView->InfoAboutWordWanted()) {
        if (!FIAWTimer) {
            FIAWTimer = std::make_unique<QTimer>();
            FIAWTimer->setSingleShot(true);
            FIAWTimer->callOnTimeout([this] { OnIAWTimer(); });
        }
        FIAWTimer->start(InfoAboutWordDelay);
    }
}

// ---- cursor and view ----

void EditModel::SetMetrics(int charW, int charH, int areaWidth, int areaHeight)
{
    FMetrics.CharW = charW;
    FMetrics.CharH = charH;
    FMetrics.AreaWidth = areaWidth;
    FMetrics.AreaHeight = areaHeight;
}

void EditModel::SetCaretXY(int x, int y)
{
    FMetrics.CaretX = x;
    FMetrics.CaretY = y;
}

void EditModel::SetCursor(int line, int col)
{
    Scope scope(*this);
    EnsureParams();
    RemoveFoundMarker();
    line = std::clamp(line, 0, std::max(0, LineCount() - 1));
    col = std::clamp(col, 0, ColumnLimit(line));
    int startLine = FStart.Line;
    int startCol = FStart.Col;
    bool moved = false;
    if (line != FCursor.Line) {
        FCursor.Line = line;
        startLine = StartLineFor(line);
        moved = true;
    }
    if (col != FCursor.Col) {
        FCursor.Col = col;
        startCol = StartColFor(col);
        moved = true;
    }
    if (!moved)
        return;
    SetStart(startLine, startCol);
    FChanges.Caret = FChanges.Cursor = FChanges.Fields = true;
    if (InfoAboutWordDelay > 0)
        FChanges.WordTimer = true;
    else
        FChanges.Word = true;
}

int EditModel::StartLineFor(int line) const
{
    if (line >= FStart.Line + FMetrics.VisLines)
        return line - FMetrics.VisLines + 1;
    return line < FStart.Line ? line : FStart.Line;
}

int EditModel::StartColFor(int col) const
{
    if (col >= FStart.Col + FMetrics.VisCols)
        return col - FMetrics.VisCols + 1;
    return col < FStart.Col ? col : FStart.Col;
}

void EditModel::ScrollToCursor()
{
    Scope scope(*this);
    EnsureParams();
    SetStart(StartLineFor(FCursor.Line), StartColFor(FCursor.Col));
}

void EditModel::ScrollLines(int lines)
{
    Scope scope(*this);
    EnsureParams();
    SetStartLine(std::clamp(FStart.Line + lines, 0, std::max(0, FVertRange.Max)));
}

void EditModel::SetCursorXY(int x, int y)
{
    if (FMetrics.CharW <= 0 || FMetrics.CharH <= 0)
        return;
    Scope scope(*this);
    EnsureParams();
    const int col = x / FMetrics.CharW + FStart.Col;
    const int line = y / FMetrics.CharH + FStart.Line;
    if (line >= 0 && line < LineCount())
        SetCursor(line, col);
}

void EditModel::SetStart(int line, int col)
{
    Scope scope(*this);
    EnsureParams();
    if (line < 0)
        line = 0;
    if (FVertRange.Max > 0 && line > FVertRange.Max)
        line = FVertRange.Max;
    col = std::clamp(col, 0, std::max(MaxColumn, FMetrics.MaxLineLen));
    if (line == FStart.Line && col == FStart.Col)
        return;
    FStart.Line = line;
    FStart.Col = col;
    UpdateParams(KeepMaxLineLen);
    NoteRepaintAll();
    FChanges.Start = true;
}

void EditModel::UpdateParams(std::uint8_t flags)
{
    Scope scope(*this);
    if (FEditLines.isEmpty())
        FEditLines.append(QString());
    if (!(flags & KeepMaxLineLen))
        FMetrics.MaxLineLen = FEditLines.MaxLength();
    if (FView)
        FView->MeasureArea(*this);
    FMetrics.VisCols = FMetrics.CharW > 0 ? FMetrics.AreaWidth / FMetrics.CharW - 1 : 0;
    FMetrics.VisLines = FMetrics.CharH > 0 ? FMetrics.AreaHeight / FMetrics.CharH : 0;
    const int count = LineCount();
    if (FStart.Line >= count)
        FStart.Line = count - 1;

    const bool keepEnd = (flags & KeepBarsAtEnd) != 0;
    bool atEnd = keepEnd && FVertRange.AtEnd();
    FVertRange.SetMax(count - FMetrics.VisLines);
    FVertRange.SetPage(FMetrics.VisLines);
    if (atEnd && FVertRange.Max < FStart.Line)
        SetStartLine(FVertRange.Max);
    FVertRange.SetPos(FStart.Line);

    atEnd = keepEnd && FHorzRange.AtEnd();
    FHorzRange.SetMax(std::max(FMetrics.MaxLineLen, FCursor.Col) - FMetrics.VisCols + 1);
    FHorzRange.SetPage(FMetrics.VisCols);
    if (atEnd && FHorzRange.Max < FStart.Col)
        SetStartCol(FHorzRange.Max);
    FHorzRange.SetPos(FStart.Col);

    if (FCursor.Line >= count)
        FCursor.Line = count - 1;
    FChanges.Bars = FChanges.Caret = FChanges.Fields = FChanges.Word = true;
}

void EditModel::OnScrollBar(int vertPos, int horzPos)
{
    if (vertPos == FStart.Line && horzPos == FStart.Col)
        return;
    Scope scope(*this);
    FStart.Line = std::max(0, vertPos);
    FStart.Col = std::clamp(horzPos, 0, std::max(MaxColumn, FMetrics.MaxLineLen));
    FVertRange.SetPos(FStart.Line);
    FHorzRange.SetPos(FStart.Col);
    FChanges.Caret = true;
    NoteRepaintAll();
}

void EditModel::InvalidateLines(int first, int count)
{
    if (count <= 0 || !FView)
        return;
    Scope scope(*this);
    NoteRows(first, count);
}

void EditModel::RemoveFoundMarker()
{
    if (FFound.Len == 0)
        return;
    Scope scope(*this);
    FFound.Len = 0;
    InvalidateLines(FFound.Pos.Line, 1);
}

void EditModel::SetFoundMarker(int len, const TPE_Pos *pos)
{
    Scope scope(*this);
    RemoveFoundMarker();
    if (!pos || len <= 0)
        return;
    SetCursor(pos->Line, pos->Col + len);
    if (pos->Line == FStart.Line && FStart.Line != 0)
        SetStartLine(FStart.Line - 1);
    if (pos->Line >= FStart.Line + FMetrics.VisLines - 1)
        SetStartLine(FStart.Line + 1);
    FFound.Pos.Line = pos->Line;
    FFound.Pos.Col = pos->Col;
    FFound.Len = len;
    InvalidateLines(FFound.Pos.Line, 1);
}

void EditModel::OnIAWTimer()
{
    if (FIAWTimer)
        FIAWTimer->stop();
    if (!FView || !FView->InfoAboutWordWanted())
        return;
    int start = FCursor.Col;
    const QString word = GetWordOnCursor(start);
    if (word.isEmpty() && FIAWWord.isEmpty())
        return;
    const TPE_Pos at{FCursor.Line, start};
    if (at == FIAWPos && word == FIAWWord)
        return;
    FIAWPos = at;
    FIAWWord = word;
    FView->InfoAboutWord(at.Line, at.Col, FIAWWord);
}

// ---- the block ----

void EditModel::SetBlock(const EditBlock &block)
{
    const EditBlock &b = block;
    if (b == FBlock)
        return;
    Scope scope(*this);
    // Only a block shown before or after changes what the window shows.
    if (b.Shown || FBlock.Shown)
        NoteRepaintAll();
    FBlock = b;
}

bool EditModel::CheckBlock()
{
    if (FBlock.Start.Line >= LineCount() || FBlock.Start.Line < 0)
        return false;
    if (FBlock.End.Line >= LineCount()) {
        if (FBlock.Kind == pbColumn) {
            // A rectangle keeps its columns; only its lines are cut to the text.
            FBlock.End.Line = LineCount() - 1;
        } else {
            FBlock.End = {LineCount(), 0};
        }
    }
    return FBlock.HasText();
}

void EditModel::SetCheckBlock()
{
    if (FBlock.Shown && !CheckBlock()) {
        Scope scope(*this);
        FBlock.Shown = false;
        NoteRepaintAll();
    }
}

// ---- the edit path ----

void EditModel::StoreLine(int line, QString text)
{
    FEditLines[line] = TrimRight(std::move(text));
}

void EditModel::EndEdit(const EditBlock &moved, bool oneLine)
{
    FBlock = moved;
    ClampToText();
    SetCheckBlock();
    Changed(oneLine);
}

void EditModel::ClampToText()
{
    const int last = std::max(0, LineCount() - 1);
    FCursor.Line = std::min(FCursor.Line, last);
    FStart.Line = std::min(FStart.Line, last);
}

void EditModel::EditLine(int line, int col, int count, const QString &text, InLine kind)
{
    if (line < 0 || line >= LineCount())
        return;
    if (text.isEmpty() && count <= 0)
        return;
    // Padding beyond the cap is refused like a negative column.
    if (col < 0 || col > ColumnLimit(line))
        return;
    Scope scope(*this);
    if (count < 0)
        count = 0;
    QString s = FEditLines.at(line);
    if (count > 0 && col < s.size())
        s.remove(col, count);
    if (!text.isEmpty()) {
        if (s.size() < col)
            s.append(QString(col - s.size(), QLatin1Char(' ')));
        s.insert(col, text);
    }
    StoreLine(line, std::move(s));

    const int inserted = int(text.size());
    EditBlock b = FBlock;
    switch (kind) {
    case InLine::Replace: BlockMoves::ReplaceSubStr(b, line, col, count, inserted); break;
    case InLine::Typed: BlockMoves::TypedChar(b, line, col); break;
    case InLine::Overwrite: break;
    }
    if (line == FCursor.Line && col < FCursor.Col) {
        const int base = col + count < FCursor.Col ? FCursor.Col - count : col;
        FCursor.Col = std::clamp(base + inserted, 0, ColumnLimit(line));
    }
    if (line != FCursor.Line)
        InvalidateLines(line, 1);
    EndEdit(b, true);
}

void EditModel::SplitLine(int line, int col, int indent)
{
    if (line < 0 || line >= LineCount() || col < 0)
        return;
    Scope scope(*this);
    const QString s = FEditLines.at(line);
    const QString spaces(std::max(0, indent), QLatin1Char(' '));
    StoreLine(line, s.left(col));
    // A new line of spaces only keeps them: the cursor stands after them.
    FEditLines.insert(line + 1, col < s.size() ? TrimRight(spaces + s.mid(col)) : spaces);
    EditBlock b = FBlock;
    BlockMoves::EnterSplit(b, line, col, int(spaces.size()));
    EndEdit(b, false);
}

void EditModel::JoinLines(int line, int padTo, Join kind)
{
    if (line < 0 || line + 1 >= LineCount())
        return;
    Scope scope(*this);
    QString s = FEditLines.at(line);
    const int prevLen = int(s.size());
    if (s.size() < padTo)
        s.append(QString(padTo - s.size(), QLatin1Char(' ')));
    StoreLine(line, s + FEditLines.at(line + 1));
    FEditLines.removeAt(line + 1);
    EditBlock b = FBlock;
    if (kind == Join::Backspace)
        BlockMoves::BackspaceJoin(b, line + 1, prevLen);
    else
        BlockMoves::DeleteJoin(b, line, padTo);
    EndEdit(b, false);
}

void EditModel::InsertLines(int at, const QStringList &lines)
{
    if (lines.isEmpty() || at < 0 || at > LineCount())
        return;
    Scope scope(*this);
    if (lines.size() < 64) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            FEditLines.insert(at + int(i), TrimRight(lines.at(i)));
    } else {
        // Many lines go in with one splice: one pass over the text.
        QStringList all = FEditLines.toStringList();
        QStringList result;
        result.reserve(all.size() + lines.size());
        result.append(all.mid(0, at));
        for (const QString &l : lines)
            result.append(TrimRight(l));
        result.append(all.mid(at));
        FEditLines = EditLines(result);
    }
    EditBlock b = FBlock;
    BlockMoves::LinesInserted(b, at, int(lines.size()));
    EndEdit(b, false);
}

void EditModel::RemoveLines(int first, int count)
{
    if (first < 0 || first >= LineCount())
        return;
    count = std::min(count, LineCount() - first);
    if (count <= 0)
        return;
    Scope scope(*this);
    FEditLines.remove(first, count);
    if (FEditLines.isEmpty())
        FEditLines.append(QString());
    EditBlock b = FBlock;
    BlockMoves::LinesRemoved(b, first, count);
    EndEdit(b, false);
}

void EditModel::SetLineText(int line, const QString &text)
{
    if (line < 0 || line >= LineCount())
        return;
    Scope scope(*this);
    StoreLine(line, text);
    InvalidateLines(line, 1);
    EndEdit(FBlock, line == FCursor.Line);
}

void EditModel::ReplaceText(const EditLines &text)
{
    Scope scope(*this);
    FEditLines = text;
    if (FEditLines.isEmpty())
        FEditLines.append(QString());
    ClampToText();
    SetCheckBlock();
    Changed(false);
}

void EditModel::RestoreLine(int line, const QString &text)
{
    if (line < 0 || line >= LineCount())
        return;
    Scope scope(*this);
    FEditLines[line] = text;
    RequestParams(0);
    NoteRepaintAll();
    FChanges.Text = true;
}

void EditModel::RestoreText(const EditLines &text)
{
    Scope scope(*this);
    FEditLines = text;
    if (FEditLines.isEmpty())
        FEditLines.append(QString());
    ClampToText();
    RequestParams(0);
    NoteRepaintAll();
    FChanges.Text = true;
}

int EditModel::ReplaceAllWords(const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return 0;
    Scope scope(*this);
    int replaced = 0;
    const qsizetype len = find.size();
    for (int line = 0; line < LineCount(); ++line) {
        qsizetype from = 0;
        for (;;) {
            const QString &s = FEditLines.at(line);
            const qsizetype at = s.indexOf(find, from, Qt::CaseSensitive);
            if (at < 0)
                break;
            const bool wordBefore = at > 0 && IsWordChar(s.at(at - 1));
            const bool wordAfter = at + len < s.size() && IsWordChar(s.at(at + len));
            if (wordBefore || wordAfter) {
                from = at + len;
                continue;
            }
            ReplaceSubStr(line, int(at), int(len), replacement);
            ++replaced;
            from = at + replacement.size();
        }
    }
    return replaced;
}

// ---- versions and Modified ----

void EditModel::SyncSavePoint()
{
    if (!Modified)
        FSavedVersion = FTextVersion;
    else if (FSavedVersion == FTextVersion)
        FSavedVersion = 0;   // declared unsaved: no version is the saved one
}

void EditModel::SetTextVersion(std::uint64_t version)
{
    SyncSavePoint();
    FTextVersion = version;
    Modified = FTextVersion != FSavedVersion;
    FChanges.Fields = true;
}

void EditModel::MarkSaved()
{
    FSavedVersion = FTextVersion;
    Modified = false;
    FChanges.Fields = true;
}

void EditModel::TextChanged(bool oneLine)
{
    SyncSavePoint();
    FTextVersion = FNextVersion++;
    Modified = true;
    RequestParams(0);
    if (oneLine)
        NoteRows(FCursor.Line, 1);
    else
        NoteRepaintAll();
    FChanges.Text = true;
}

void EditModel::Changed(bool oneLine)
{
    Scope scope(*this);
    RemoveFoundMarker();
    // Inside the update bracket a change is only noted: the bracket's end
    // refreshes once, so a run of many edits never measures the whole text
    // after each of them.
    if (FUpdateDepth > 0) {
        FEditChanged = true;
        return;
    }
    TextChanged(oneLine);
}

void EditModel::BeginUpdate()
{
    if (FUpdateDepth++ == 0) {
        FEditChanged = false;
        FBracketText = FEditLines;
    }
}

void EditModel::EndUpdate()
{
    if (FUpdateDepth <= 0)
        return;
    if (--FUpdateDepth > 0)
        return;
    Scope scope(*this);
    FEditChanged = FEditLines != FBracketText;
    FBracketText.clear();
    if (FEditChanged) {
        // Lines may have gone while the bracket was open.
        if (FEditLines.isEmpty())
            FEditLines.append(QString());
        ClampToText();
        SetCheckBlock();
        Changed(false);
        FEditChanged = false;
    }
}

// ---- files ----

bool EditModel::LoadFromFile(const QString &name, QString *reason)
{
    EditLines lines;
    EditFileFormat format;
    if (!EditFile::Read(name, lines, format, reason))
        return false;
    Scope scope(*this);
    ClearUNDO();
    FEditLines = std::move(lines);
    FFileFormat = format;
    FileName = name;
    FStart = FCursor = TPE_Pos{};
    FBlock.Shown = false;
    FFound.Len = 0;
    HighlightLine = -1;
    // A new version, and the loaded text is the saved one.
    FTextVersion = FNextVersion++;
    MarkSaved();
    UpdateParams(0);
    NoteRepaintAll();
    return true;
}

bool EditModel::SaveToFile(const QString &name, QString *reason)
{
    EditFileFormat format = FFileFormat;
    if (!FitsFileEncoding()) {
        if (!FView || !FView->AskYesNo(QString::fromUtf8(ReencodeQuestionText), name)) {
            if (reason)
                *reason = QStringLiteral("not saved: the text has characters that Windows-1251 cannot hold");
            return false;
        }
        format.Encoding = EditEncoding::Utf8;
        format.Bom = false;
    }
    if (!EditFile::Write(name, FEditLines, format, reason))
        return false;
    FFileFormat = format;
    return true;
}

bool EditModel::Save(QString *reason)
{
    if (FileName.isEmpty() || !Modified)
        return true;
    if (!SaveToFile(FileName, reason))
        return false;
    Scope scope(*this);
    MarkSaved();
    return true;
}

void EditModel::SaveQuestion()
{
    if (!Modified || FileName.isEmpty() || !FView)
        return;
    FlushView();
    if (FView->AskYesNo(QString::fromUtf8(SaveQuestionText), FileName))
        Save();
}

// ---- words ----

bool EditModel::IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@');
}

bool EditModel::GetWordAtPos(int line, int col, int &end, int &start) const
{
    if (line < 0 || line >= LineCount() || col < 0)
        return false;
    const QString &s = FEditLines.at(line);
    const int n = int(s.size());
    int p = -1;
    if (col < n && IsWordChar(s.at(col)))
        p = col;
    else if (col - 1 < n && col - 1 >= 0 && IsWordChar(s.at(col - 1)))
        p = col - 1;
    if (p < 0)
        return false;
    start = p;
    while (start > 0 && IsWordChar(s.at(start - 1)))
        --start;
    end = p + 1;
    while (end < n && IsWordChar(s.at(end)))
        ++end;
    return true;
}

QString EditModel::GetWordOnCursor(int &start) const
{
    int end = 0;
    int from = 0;
    if (!GetWordAtPos(FCursor.Line, FCursor.Col, end, from))
        return QString();
    start = from;
    return FEditLines.at(FCursor.Line).mid(from, end - from);
}

// ---- undo ----

TPE_UndoState EditModel::CurrentUndoState() const
{
    return {FCursor, FStart, FBlock, Modified};
}

void EditModel::CreateUNDO(const char *name, std::uint8_t type)
{
    // A record opened inside an open one joins it: the outer command's
    // record holds the whole change.
    if (FUndoDepth++ > 0)
        return;
    FUndoList.Create(QString::fromUtf8(name), type, UndoLimit, CurrentUndoState(), FTextVersion,
                     FEditLines.value(FCursor.Line), FEditLines);
}

void EditModel::CloseUNDO()
{
    if (FUndoDepth <= 0)
        return;   // nothing open: a close without its open is refused
    if (--FUndoDepth == 0)
        FUndoList.Close(CurrentUndoState(), FTextVersion);
}

void EditModel::ClearUNDO()
{
    FUndoList.Clear();
}

QString EditModel::GetUNDO() const
{
    return FUndoList.Name();
}

void EditModel::RestoreState(const TPE_UndoState &s, std::uint64_t version)
{
    FCursor = {std::clamp(s.Cursor.Line, 0, LineCount() - 1), s.Cursor.Col};
    FStart = {std::clamp(s.Start.Line, 0, LineCount() - 1), s.Start.Col};
    FBlock = s.Block;
    FFound.Len = 0;
    SetTextVersion(version);
}

int EditModel::UNDO()
{
    if (FUndoList.isEmpty())
        return 0;
    Scope scope(*this);
    // A step back inside an open record closes it first.
    FUndoDepth = 0;
    FUndoList.Close(CurrentUndoState(), FTextVersion);
    const TPE_UndoRecord &r = FUndoList.last();
    // Where the change ended, as the cursor can stand there now: lines may
    // have gone since by a path that made no record.
    const int afterLine = std::clamp(r.After.Cursor.Line, 0, std::max(0, LineCount() - 1));
    const TPE_Pos after{afterLine, std::clamp(r.After.Cursor.Col, 0, ColumnLimit(afterLine))};
    if (FCursor == after) {
        if (r.LineOnly())
            RestoreLine(r.Before.Cursor.Line, r.LineSnapshot);
        else
            RestoreText(r.TextSnapshot);
        RestoreState(r.Before, r.BeforeVersion);
        FUndoList.DropNewest();
        UpdateParams(0);
        NoteUndone();
        return 1;
    }
    // The cursor is elsewhere: first only go back to where the change ended.
    const TPE_UndoState a = r.After;
    FBlock = a.Block;
    SetStart(a.Start.Line, a.Start.Col);
    SetCursor(a.Cursor.Line, a.Cursor.Col);
    UpdateParams(0);
    NoteRepaintAll();
    return 2;
}

void EditModel::CtrlQ_P()
{
    if (FUndoList.isEmpty())
        return;
    Scope scope(*this);
    const TPE_UndoState a = FUndoList.last().After;
    SetStart(a.Start.Line, a.Start.Col);
    SetCursor(a.Cursor.Line, a.Cursor.Col);
}
