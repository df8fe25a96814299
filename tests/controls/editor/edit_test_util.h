// Helpers of the editor tests: a view that records what the model asks of
// its window, a model with a measured text area, dialogs answered from a
// script, and key presses.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

#include "controls/editor/edit_dialogs.h"
#include "controls/editor/edit_keys.h"
#include "controls/editor/edit_model.h"
#include "controls/editor/editor_dialog.h"

class RecordingView : public EditView {
public:
    void MeasureArea(EditModel &m) override { m.SetMetrics(8, 13, AreaWidth, AreaHeight); }
    void RepaintLines(int first, int count) override { Lines.append({first, count}); }
    void RepaintAll() override { ++All; }
    void SyncScrollBars() override { ++BarSyncs; }
    void PlaceCaret() override { ++CaretMoves; }
    void UpdateTextFields() override { ++FieldRefreshes; }
    void ChangeStart() override { ++StartChanges; }
    void ChangeCursor() override { ++CursorChanges; }
    void ChangeText() override { ++TextChanges; }
    void Undone() override { ++Undos; }
    bool InfoAboutWordWanted() const override { return WantWords; }
    void InfoAboutWord(int line, int col, const QString &word) override
    {
        Words.append(QStringLiteral("%1:%2:%3").arg(line).arg(col).arg(word));
    }
    bool AskYesNo(const QString &text, const QString &caption) override
    {
        Questions.append(caption + QLatin1Char('|') + text);
        return Answer;
    }
    void Reset()
    {
        Lines.clear();
        All = StartChanges = CursorChanges = TextChanges = Undos = 0;
        BarSyncs = CaretMoves = FieldRefreshes = 0;
        Words.clear();
    }

    // 81 columns of 8 pixels (80 visible, FVisCols 80) and 10 lines of 13.
    int AreaWidth = 81 * 8;
    int AreaHeight = 10 * 13 + 5;
    QList<QPair<int, int>> Lines;
    int All = 0;
    int StartChanges = 0;
    int CursorChanges = 0;
    int TextChanges = 0;
    int Undos = 0;
    int BarSyncs = 0;
    int CaretMoves = 0;
    int FieldRefreshes = 0;
    bool WantWords = false;
    QStringList Words;
    QStringList Questions;
    bool Answer = false;
};

// A model with the recording view, holding the given lines.
struct TestEditor {
    explicit TestEditor(const QStringList &lines = {})
    {
        m.SetView(&view);
        if (!lines.isEmpty())
            m.ReplaceText(EditLines(lines));
        m.MarkSaved();
        m.UpdateParams(0);
        view.Reset();
    }
    QStringList Text() const { return m.Lines().toStringList(); }
    EditModel m;
    RecordingView view;
};

// Puts the lines into the model and gives it an 80 x 20 cell text area.
inline void SetLines(EditModel &m, const QStringList &lines)
{
    m.ReplaceText(EditLines(lines));
    m.MarkSaved();
    const EditMetrics &mm = m.Metrics();
    m.SetMetrics(mm.CharW, mm.CharH, 81 * mm.CharW, 20 * mm.CharH);
    m.UpdateParams(0);
}

inline QStringList Lines(const EditModel &m)
{
    return m.Lines().toStringList();
}

inline void SetBlock(EditModel &m, TPE_Block kind, int sl, int sc, int el, int ec)
{
    m.SetBlock(EditBlock{kind, true, {sl, sc}, {el, ec}});
}

// Dialogs answered without a window; every question is counted.
class ScriptedDialogs : public EditDialogs {
public:
    std::function<int(SearchDialogFields &)> search = [](SearchDialogFields &) { return int(mrCancel); };
    std::function<int(SearchDialogFields &)> replace = [](SearchDialogFields &) { return int(mrCancel); };
    QList<int> promptAnswers;   // taken in order; Cancel when they run out
    int lineNoResult = mrCancel;
    int lineNoValue = 1;
    int fillResult = mrCancel;
    QString fillText;
    int prompts = 0;
    int questions = 0;
    QStringList messages;

    int AskSearch(SearchDialogFields &f) override
    {
        ++questions;
        return search(f);
    }
    int AskReplace(SearchDialogFields &f) override
    {
        ++questions;
        return replace(f);
    }
    int AskReplacePrompt(const QString &) override
    {
        ++prompts;
        return promptAnswers.isEmpty() ? int(mrCancel) : promptAnswers.takeFirst();
    }
    int AskLineNo(int, int &value) override
    {
        ++questions;
        value = lineNoValue;
        return lineNoResult;
    }
    int AskFillChar(QString &text) override
    {
        ++questions;
        text = fillText;
        return fillResult;
    }
    void Inform(const QString &text, const QString &) override { messages << text; }
};

// One key press, with the text the key produces.
inline void Press(EditModel &m, EditDialogs &d, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  const QString &text = QString())
{
    EditKeys::KeyEvent(m, d, key, mods, text);
}

// Typing: each character as its own key press.
inline void Type(EditModel &m, EditDialogs &d, const QString &text)
{
    for (QChar c : text)
        Press(m, d, c == QLatin1Char(' ') ? int(Qt::Key_Space) : int(c.toUpper().unicode()), Qt::NoModifier,
              QString(c));
}
