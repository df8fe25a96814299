#include "view/grid_menu.h"

#include <QActionGroup>
#include <QMenu>

namespace {

// The orders as tarvix-poll's --word-order and --byte-swap name them.
const char *const kOrderEntries[] = {"AB CD (word order big)", "CD AB (word order little)",
                                     "BA DC (big, bytes swapped)", "DC BA (little, bytes swapped)"};

int CheckedIndex(const QActionGroup *group)
{
    const QAction *a = group->checkedAction();
    return a ? group->actions().indexOf(a) : 0;
}

}   // namespace

GridMenu::GridMenu(QWidget *parent) : QObject(parent), menu_(new QMenu(parent))
{
    QStringList formats, orders, notations;
    for (int f = 0; f < kValueFormatCount; ++f)
        formats << QString::fromLatin1(ValueFormatName(static_cast<ValueFormat>(f)));
    for (const char *o : kOrderEntries)
        orders << QString::fromLatin1(o);
    for (int n = 0; n < kAddressNotationCount; ++n)
        notations << QString::fromLatin1(AddressNotationName(static_cast<AddressNotation>(n)));
    formats_ = AddGroup(QStringLiteral("Format"), formats);
    orders_ = AddGroup(QStringLiteral("Register order"), orders);
    notations_ = AddGroup(QStringLiteral("Addresses"), notations);
    Show({});
}

QActionGroup *GridMenu::AddGroup(const QString &title, const QStringList &entries)
{
    QMenu *sub = menu_->addMenu(title);
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (const QString &e : entries) {
        QAction *a = sub->addAction(e);
        a->setCheckable(true);
        group->addAction(a);
    }
    connect(group, &QActionGroup::triggered, this, [this] { emit Chosen(Choice()); });
    return group;
}

void GridMenu::Show(const GridViewChoice &choice)
{
    formats_->actions().at(static_cast<int>(choice.format) % kValueFormatCount)->setChecked(true);
    for (int k = 0; k < 4; ++k)
        if (kRegisterOrders[k] == choice.order)
            orders_->actions().at(k)->setChecked(true);
    notations_->actions().at(static_cast<int>(choice.notation) % kAddressNotationCount)->setChecked(true);
}

GridViewChoice GridMenu::Choice() const
{
    GridViewChoice c;
    c.format = static_cast<ValueFormat>(CheckedIndex(formats_));
    c.order = kRegisterOrders[CheckedIndex(orders_)];
    c.notation = static_cast<AddressNotation>(CheckedIndex(notations_));
    return c;
}
