#include "tools/edit/key_help.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "controls/editor/edit_keys.h"

TKeyHelpWindow::TKeyHelpWindow(QWidget *parent) : QWidget(parent, Qt::Window), FTable(new QTableWidget(this))
{
    setWindowTitle(QStringLiteral("Справка по редактору"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FTable);
    // The rows are the editor's own key tables, so the help and the keys agree.
    const QStringList lines = EditKeys::KeyListLines();
    FTable->setColumnCount(2);
    FTable->setRowCount(int(lines.size()));
    FTable->setHorizontalHeaderLabels({QStringLiteral("Клавиши"), QStringLiteral("Команда")});
    for (int row = 0; row < lines.size(); ++row) {
        const QStringList cells = lines.at(row).split(QLatin1Char('\t'));
        for (int col = 0; col < 2; ++col) {
            auto *item = new QTableWidgetItem(cells.value(col));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            FTable->setItem(row, col, item);
        }
    }
    FTable->verticalHeader()->hide();
    FTable->horizontalHeader()->setStretchLastSection(true);
    FTable->resizeColumnsToContents();
    FTable->resizeRowsToContents();
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int width = FTable->columnWidth(0) + FTable->columnWidth(1) + 40;
    resize(std::max(width, 480), 560);
}
