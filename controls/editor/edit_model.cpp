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

bool Before(int l1, int c1, int l2, int c2)
{
    return l1 < l2 || (l1 == l2 && c1 < c2);
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
            const int first = std::max(r.first, FStartLine);
            const int end = std::min(r.first + r.second, FStartLine + FVisLines + 1);
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

void EditModel::SetCursor(int line, int col)
{
    Scope scope(*this);
    EnsureParams();
    RemoveFoundMarker();
    line = std::clamp(line, 0, std::max(0, LineCount() - 1));
    col = std::clamp(col, 0, ColumnLimit(line));
    int startLine = FStartLine;
    int startCol = FStartCol;
    bool moved = false;
    if (line != FCursorLine) {
        FCursorLine = line;
        startLine = StartLineFor(line);
        moved = true;
    }
    if (col != FCursorCol) {
        FCursorCol = col;
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
    if (line >= FStartLine + FVisLines)
        return line - FVisLines + 1;
    return line < FStartLine ? line : FStartLine;
}

int EditModel::StartColFor(int col) const
{
    if (col >= FStartCol + FVisCols)
        return col - FVisCols + 1;
    return col < FStartCol ? col : FStartCol;
}

void EditModel::ScrollToCursor()
{
    Scope scope(*this);
    EnsureParams();
    SetStart(StartLineFor(FCursorLine), StartColFor(FCursorCol));
}

void EditModel::ScrollLines(int lines)
{
    Scope scope(*this);
    EnsureParams();
    SetStartLine(std::clamp(FStartLine + lines, 0, std::max(0, FVertRange.Max)));
}

void EditModel::SetCursorXY(int x, int y)
{
    if (FCharW <= 0 || FCharH <= 0)
        return;
    Scope scope(*this);
    EnsureParams();
    const int col = x / FCharW + FStartCol;
    const int line = y / FCharH + FStartLine;
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
    col = std::clamp(col, 0, std::max(MaxColumn, FMaxLineLen));
    if (line == FStartLine && col == FStartCol)
        return;
    FStartLine = line;
    FStartCol = col;
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
        FMaxLineLen = FEditLines.MaxLength();
    if (FView)
        FView->MeasureArea(*this);
    FVisCols = FCharW > 0 ? FAreaWidth / FCharW - 1 : 0;
    FVisLines = FCharH > 0 ? FAreaHeight / FCharH : 0;
    const int count = LineCount();
    if (FStartLine >= count)
        FStartLine = count - 1;

    const bool keepEnd = (flags & KeepBarsAtEnd) != 0;
    bool atEnd = keepEnd && FVertRange.AtEnd();
    FVertRange.SetMax(count - FVisLines);
    FVertRange.SetPage(FVisLines);
    if (atEnd && FVertRange.Max < FStartLine)
        SetStartLine(FVertRange.Max);
    FVertRange.SetPos(FStartLine);

    atEnd = keepEnd && FHorzRange.AtEnd();
    FHorzRange.SetMax(std::max(FMaxLineLen, FCursorCol) - FVisCols + 1);
    FHorzRange.SetPage(FVisCols);
    if (atEnd && FHorzRange.Max < FStartCol)
        SetStartCol(FHorzRange.Max);
    FHorzRange.SetPos(FStartCol);

    if (FCursorLine >= count)
        FCursorLine = count - 1;
    FChanges.Bars = FChanges.Caret = FChanges.Fields = FChanges.Word = true;
}

void EditModel::OnScrollBar(int vertPos, int horzPos)
{
    if (vertPos == FStartLine && horzPos == FStartCol)
        return;
    Scope scope(*this);
    FStartLine = std::max(0, vertPos);
    FStartCol = std::clamp(horzPos, 0, std::max(MaxColumn, FMaxLineLen));
    FVertRange.SetPos(FStartLine);
    FHorzRange.SetPos(FStartCol);
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
    if (FFoundLen == 0)
        return;
    Scope scope(*this);
    FFoundLen = 0;
    InvalidateLines(FFoundLine, 1);
}

void EditModel::SetFoundMarker(int len, const TPE_Pos *pos)
{
    Scope scope(*this);
    RemoveFoundMarker();
    if (!pos || len <= 0)
        return;
    SetCursor(pos->Line, pos->Col + len);
    if (pos->Line == FStartLine && FStartLine != 0)
        SetStartLine(FStartLine - 1);
    if (pos->Line >= FStartLine + FVisLines - 1)
        SetStartLine(FStartLine + 1);
    FFoundLine = pos->Line;
    FFoundCol = pos->Col;
    FFoundLen = len;
    InvalidateLines(FFoundLine, 1);
}

void EditModel::OnIAWTimer()
{
    if (FIAWTimer)
        FIAWTimer->stop();
    if (!FView || !FView->InfoAboutWordWanted())
        return;
    int start = FCursorCol;
    const QString word = GetWordOnCursor(start);
    if (word.isEmpty() && FIAWWord.isEmpty())
        return;
    if (FCursorLine == FIAWLine && start == FIAWCol && word == FIAWWord)
        return;
    FIAWLine = FCursorLine;
    FIAWCol = start;
    FIAWWord = word;
    FView->InfoAboutWord(FIAWLine, FIAWCol, FIAWWord);
}

// ---- the block ----

BlockCorners EditModel::Corners() const
{
    return {FBlockKind, FBlockStartLine, FBlockStartCol, FBlockEndLine, FBlockEndCol};
}

void EditModel::ApplyCorners(const BlockCorners &b)
{
    FBlockStartLine = b.StartLine;
    FBlockStartCol = b.StartCol;
    FBlockEndLine = b.EndLine;
    FBlockEndCol = b.EndCol;
}

bool EditModel::CheckBlock()
{
    if (FBlockStartLine >= LineCount() || FBlockStartLine < 0)
        return false;
    if (FBlockEndLine >= LineCount()) {
        if (FBlockKind == pbColumn) {
            // A rectangle keeps its columns; only its lines are cut to the text.
            FBlockEndLine = LineCount() - 1;
        } else {
            FBlockEndLine = LineCount();
            FBlockEndCol = 0;
        }
    }
    if (FBlockKind == pbColumn)
        return FBlockEndLine >= FBlockStartLine && FBlockStartCol < FBlockEndCol;
    if (FBlockKind == pbStream)
        return Before(FBlockStartLine, FBlockStartCol, FBlockEndLine, FBlockEndCol);
    return false;
}

void EditModel::SetCheckBlock()
{
    if (FBlockShown && !CheckBlock()) {
        Scope scope(*this);
        FBlockShown = false;
        NoteRepaintAll();
    }
}

// ---- the edit path ----

void EditModel::StoreLine(int line, QString text)
{
    FEditLines[line] = TrimRight(std::move(text));
}

void EditModel::EndEdit(const BlockCorners &moved, bool oneLine)
{
    ApplyCorners(moved);
    ClampToText();
    SetCheckBlock();
    Changed(oneLine);
}

void EditModel::ClampToText()
{
    const int last = std::max(0, LineCount() - 1);
    FCursorLine = std::min(FCursorLine, last);
    FStartLine = std::min(FStartLine, last);
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
    BlockCorners b = Corners();
    switch (kind) {
    case InLine::Replace: BlockMoves::ReplaceSubStr(b, line, col, count, inserted); break;
    case InLine::Typed: BlockMoves::TypedChar(b, line, col); break;
    case InLine::Overwrite: break;
    }
    ApplyCorners(b);
    SetCheckBlock();
    if (line == FCursorLine && col < FCursorCol) {
        const int base = col + count < FCursorCol ? FCursorCol - count : col;
        FCursorCol = std::clamp(base + inserted, 0, ColumnLimit(line));
    }
    if (line != FCursorLine)
        InvalidateLines(line, 1);
    Changed(true);
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
    BlockCorners b = Corners();
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
    BlockCorners b = Corners();
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
    BlockCorners b = Corners();
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
    BlockCorners b = Corners();
    BlockMoves::LinesRemoved(b, first, count);
    EndEdit(b, false);
}

void EditModel::SetLineText(int line, const QString &text)
{
    if (line < 0 || line >= LineCount())
        return;
    Scope scope(*this);
    StoreLine(line, text);
    SetCheckBlock();
    InvalidateLines(line, 1);
    Changed(line == FCursorLine);
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
        NoteRows(FCursorLine, 1);
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

EditLines &EditModel::GetText()
{
    if (FUpdateDepth++ == 0) {
        FEditChanged = false;
        FBracketText = FEditLines;
    }
    return FEditLines;
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

// ---- commands ----

EditCommand::EditCommand(EditModel &m, std::uint8_t needs) : FScope(m)
{
    if ((needs & Writable) && m.ReadOnly) {
        FAllowed = false;
        return;
    }
    if (needs & ShownBlock) {
        m.SetCheckBlock();
        if (!m.FBlockShown) {
            FAllowed = false;
            return;
        }
    }
    if (needs & Writable)
        m.ScrollToCursor();
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
    FStartLine = FStartCol = 0;
    FCursorLine = FCursorCol = 0;
    FBlockShown = false;
    FFoundLen = 0;
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
    if (!GetWordAtPos(FCursorLine, FCursorCol, end, from))
        return QString();
    start = from;
    return FEditLines.at(FCursorLine).mid(from, end - from);
}
