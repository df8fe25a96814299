#include "app/serial_line_box.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// A delay field in microseconds whose lowest value (-1) stands for the
// classic wait.
QSpinBox *DelayEdit(QWidget *parent)
{
    auto *s = new QSpinBox(parent);
    s->setRange(-1, 1000000);
    s->setSingleStep(100);
    s->setSpecialValueText(QStringLiteral("as today"));
    return s;
}

}   // namespace

TSerialLineBox::TSerialLineBox(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Serial Line"));
    auto *form = new QFormLayout;
    ReplyEndBox = new QComboBox(this);
    ReplyEndBox->addItems({QStringLiteral("gap (as today)"), QStringLiteral("length")});
    ReplyEndBox->setToolTip(QStringLiteral("End a reply at the length its function code and byte count announce, "
                                           "or at a silence of 30 to 100 ms"));
    EchoBox = new QComboBox(this);
    EchoBox->addItems({QStringLiteral("off"), QStringLiteral("on"), QStringLiteral("auto")});
    EchoBox->setToolTip(QStringLiteral("Drop the request's own bytes that an RS-485 adapter hands back"));
    TxBeforeEdit = DelayEdit(this);
    TxAfterEdit = DelayEdit(this);
    RequestGapEdit = new QSpinBox(this);
    RequestGapEdit->setRange(0, 10000);
    form->addRow(QStringLiteral("End of reply:"), ReplyEndBox);
    form->addRow(QStringLiteral("Echo:"), EchoBox);
    form->addRow(QStringLiteral("Transmitter on before sending, µs:"), TxBeforeEdit);
    form->addRow(QStringLiteral("Transmitter off after sending, µs:"), TxAfterEdit);
    form->addRow(QStringLiteral("Least gap before a request, ms:"), RequestGapEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetOptions(SerialLineOptions{});
}

void TSerialLineBox::SetOptions(const SerialLineOptions &o)
{
    kept_ = o;
    ReplyEndBox->setCurrentIndex(int(o.End));
    EchoBox->setCurrentIndex(int(o.Echo));
    TxBeforeEdit->setValue(o.TxDelayBeforeUs);
    TxAfterEdit->setValue(o.TxDelayAfterUs);
    RequestGapEdit->setValue(int(o.RequestGapMs));
}

SerialLineOptions TSerialLineBox::Options() const
{
    SerialLineOptions o = kept_;
    o.End = ReplyEnd(ReplyEndBox->currentIndex());
    o.Echo = EchoMode(EchoBox->currentIndex());
    o.TxDelayBeforeUs = TxBeforeEdit->value();
    o.TxDelayAfterUs = TxAfterEdit->value();
    o.RequestGapMs = uint32_t(RequestGapEdit->value());
    return o;
}

bool EditSerialLineOptions(QWidget *parent, SerialLineOptions &o)
{
    TSerialLineBox box(parent);
    box.SetOptions(o);
    if (box.exec() != QDialog::Accepted)
        return false;
    o = box.Options();
    return true;
}
