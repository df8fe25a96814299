// Helpers shared by the editor command tests: a model with a given text and
// a text area of its own, dialogs answered from a script, and key presses.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "controls/editor/edit_dialogs.h"
#include "controls/editor/edit_keys.h"
#include "controls/editor/edit_model.h"
#include "controls/editor/editor_dialog.h"

// Puts the lines into the model and gives it an 80 x 20 cell text area.
inline void SetLines(EditModel &m, const QStringList &lines)
{
    m.FEditLines = EditLines(lines);
    m.FAreaWidth = 81 * m.FCharW;
    m.FAreaHeight = 20 * m.FCharH;
    m.UpdateParams(0);
}

inline QStringList Lines(const EditModel &m)
{
    return m.FEditLines.toStringList();
}

inline void SetBlock(EditModel &m, TPE_Block kind, int sl, int sc, int el, int ec)
{
    m.FBlockKind = kind;
    m.FBlockStartLine = sl;
    m.FBlockStartCol = sc;
    m.FBlockEndLine = el;
    m.FBlockEndCol = ec;
    m.FBlockShown = true;
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
