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

int ClampCol(int col)
{
    return std::clamp(col, 0, EditModel::MaxColumn);
}

}   // namespace

EditModel::EditModel()
{
    FEditLines.append(QString());
    // The bars start with nothing to scroll.
    FVertRange.SetMax(0);
    FHorzRange.SetMax(0);
}

EditModel::~EditModel() = default;

// ---- cursor and view ----

void EditModel::SetCursor(int line, int col)
{
    RemoveFoundMarker();
    line = std::clamp(line, 0, std::max(0, LineCount() - 1));
    col = ClampCol(col);
    int startLine = FStartLine;
    int startCol = FStartCol;
    bool moved = false;
    if (line != FCursorLine) {
        FCursorLine = line;
        if (line >= FStartLine + FVisLines)
            startLine = line - FVisLines + 1;
        if (line < FStartLine)
            startLine = line;
        moved = true;
    }
    if (col != FCursorCol) {
        FCursorCol = col;
        if (col >= FStartCol + FVisCols)
            startCol = col - FVisCols + 1;
        if (col < FStartCol)
            startCol = col;
        moved = true;
    }
    if (!moved)
        return;
    SetStart(startLine, startCol);
    if (FView) {
        FView->PlaceCaret();
        FView->ChangeCursor();
        FView->UpdateTextFields();
    }
    if (FView && FView->InfoAboutWordWanted()) {
        if (InfoAboutWordDelay > 0) {
            if (!FIAWTimer) {
                FIAWTimer = std::make_unique<QTimer>();
                FIAWTimer->setSingleShot(true);
                FIAWTimer->callOnTimeout([this] { OnIAWTimer(); });
            }
            FIAWTimer->start(InfoAboutWordDelay);
        } else {
            OnIAWTimer();
        }
    }
}

void EditModel::SetCursorXY(int x, int y)
{
    if (FCharW <= 0 || FCharH <= 0)
        return;
    const int col = x / FCharW + FStartCol;
    const int line = y / FCharH + FStartLine;
    if (line >= 0 && line < LineCount())
        SetCursor(line, col);
}

void EditModel::SetStart(int line, int col)
{
    if (line < 0)
        line = 0;
    if (FVertRange.Max > 0 && line > FVertRange.Max)
        line = FVertRange.Max;
    col = ClampCol(col);
    if (line == FStartLine && col == FStartCol)
        return;
    FStartLine = line;
    FStartCol = col;
    UpdateParams(KeepMaxLineLen);
    if (FView) {
        FView->RepaintAll();
        FView->ChangeStart();
    }
}

void EditModel::UpdateParams(std::uint8_t flags)
{
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
    if (FView) {
        FView->SyncScrollBars();
        FView->PlaceCaret();
        FView->UpdateTextFields();
    }
    OnIAWTimer();
}

void EditModel::OnScrollBar(int vertPos, int horzPos)
{
    if (vertPos == FStartLine && horzPos == FStartCol)
        return;
    FStartLine = std::max(0, vertPos);
    FStartCol = ClampCol(horzPos);
    FVertRange.SetPos(FStartLine);
    FHorzRange.SetPos(FStartCol);
    if (FView) {
        FView->PlaceCaret();
        FView->RepaintAll();
    }
}

void EditModel::InvalidateLines(int first, int count)
{
    if (count <= 0 || !FView)
        return;
    // Only rows that meet the window (one partly visible row below the last whole one).
    if (first + count <= FStartLine || first > FStartLine + FVisLines)
        return;
    FView->RepaintLines(first, count);
}

void EditModel::RemoveFoundMarker()
{
    if (FFoundLen == 0)
        return;
    FFoundLen = 0;
    InvalidateLines(FFoundLine, 1);
}

void EditModel::SetFoundMarker(int len, const TPE_Pos *pos)
{
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

// ---- text ----

void EditModel::ReplaceSubStr(int line, int col, int count, const QString &text)
{
    if (line < 0 || line >= LineCount())
        return;
    if (text.isEmpty() && count <= 0)
        return;
    // Columns beyond the cursor's limit are outside the text like negative ones.
    if (col < 0 || col > MaxColumn)
        return;
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
    FEditLines[line] = TrimRight(std::move(s));

    const int inserted = int(text.size());
    if (FBlockKind == pbStream) {
        auto adjust = [&](int cornerLine, int &cornerCol) {
            if (cornerLine != line)
                return;
            if (count > 0 && cornerCol > col)
                cornerCol = std::max(col, cornerCol - count);
            if (inserted > 0 && cornerCol >= col)
                cornerCol += inserted;
        };
        adjust(FBlockStartLine, FBlockStartCol);
        adjust(FBlockEndLine, FBlockEndCol);
    }
    if (line == FCursorLine && col < FCursorCol) {
        const int base = col + count < FCursorCol ? FCursorCol - count : col;
        FCursorCol = ClampCol(base + inserted);
    }
    if (line != FCursorLine)
        InvalidateLines(line, 1);
    Changed(true);
}

int EditModel::ReplaceAllWords(const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return 0;
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

void EditModel::Changed(bool oneLine)
{
    RemoveFoundMarker();
    // Inside the update bracket a change is only noted: the bracket's end
    // refreshes once, so a run of many edits never measures the whole text
    // after each of them.
    if (FUpdateDepth > 0) {
        FEditChanged = true;
        return;
    }
    Modified = true;
    UpdateParams(0);
    if (FView) {
        if (oneLine)
            InvalidateLines(FCursorLine, 1);
        else
            FView->RepaintAll();
        FView->ChangeText();
    }
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
    FEditChanged = FEditLines != FBracketText;
    FBracketText.clear();
    if (FEditChanged) {
        Changed(false);
        if (FView)
            FView->RepaintAll();
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
    ClearUNDO();
    FEditLines = std::move(lines);
    FFileFormat = format;
    FileName = name;
    FStartLine = FStartCol = 0;
    FCursorLine = FCursorCol = 0;
    FBlockShown = false;
    FFoundLen = 0;
    HighlightLine = -1;
    Modified = false;
    UpdateParams(0);
    if (FView)
        FView->RepaintAll();
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
    Modified = false;
    if (FView)
        FView->UpdateTextFields();
    return true;
}

void EditModel::SaveQuestion()
{
    if (!Modified || FileName.isEmpty() || !FView)
        return;
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
