// The editor's help in tarvix-edit: its key list, one row per key binding,
// in a window of its own that the user can keep open beside the text.
#pragma once

#include <QWidget>

class QTableWidget;

class TKeyHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit TKeyHelpWindow(QWidget *parent = nullptr);
    QTableWidget *Table() const { return FTable; }

private:
    QTableWidget *FTable;
};
