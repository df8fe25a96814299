#pragma once
// The register grid's context menu: the "Format", "Register order" and
// "Addresses" choices, each a group of exclusive entries. Another entry is
// one line: Menu()->addAction(...).

#include <QObject>

#include "engine/address_notation.h"
#include "engine/register_values.h"

class QActionGroup;
class QMenu;
class QWidget;

// How the grid reads and numbers the registers.
struct GridViewChoice {
    ValueFormat format = ValueFormat::Hex;
    RegisterOrder order;
    AddressNotation notation = AddressNotation::ZeroBased;
    friend bool operator==(const GridViewChoice &, const GridViewChoice &) = default;
};

class GridMenu : public QObject {
    Q_OBJECT
public:
    explicit GridMenu(QWidget *parent);

    QMenu *Menu() const { return menu_; }
    // Checks the entries of a choice (no signal).
    void Show(const GridViewChoice &choice);
    GridViewChoice Choice() const;

signals:
    // The user picked an entry: the whole choice as it now stands.
    void Chosen(const GridViewChoice &choice);

private:
    QActionGroup *AddGroup(const QString &title, const QStringList &entries);

    QMenu *menu_;
    QActionGroup *formats_;
    QActionGroup *orders_;
    QActionGroup *notations_;
};
