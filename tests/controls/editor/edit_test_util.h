// Helpers of the editor tests: a view that records what the model asks of
// its window, and a model with a measured text area.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "controls/editor/edit_model.h"

class RecordingView : public EditView {
public:
    void MeasureArea(EditModel &m) override
    {
        m.FCharW = 8;
        m.FCharH = 13;
        m.FAreaWidth = AreaWidth;
        m.FAreaHeight = AreaHeight;
    }
    void RepaintLines(int first, int count) override { Lines.append({first, count}); }
    void RepaintAll() override { ++All; }
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
            m.FEditLines = EditLines(lines);
        m.UpdateParams(0);
        view.Reset();
    }
    QStringList Text() const { return m.FEditLines.toStringList(); }
    EditModel m;
    RecordingView view;
};
