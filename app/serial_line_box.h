#pragma once
// The "Line…" box of the connection dialog's serial panel: how the serial
// line is driven beyond rate and parity (reply end, local echo, transmitter
// delays, request gap). OK keeps what it shows; Cancel keeps what was.

#include <QDialog>

#include "engine/serial_line_options.h"

class QComboBox;
class QSpinBox;

class TSerialLineBox : public QDialog {
    Q_OBJECT
public:
    explicit TSerialLineBox(QWidget *parent = nullptr);

    void SetOptions(const SerialLineOptions &o);
    SerialLineOptions Options() const;

    QComboBox *ReplyEndBox;
    QComboBox *EchoBox;
    QSpinBox *TxBeforeEdit;
    QSpinBox *TxAfterEdit;
    QSpinBox *RequestGapEdit;

private:
    SerialLineOptions kept_;   // the parts the box does not show
};

// Runs the box modally over `parent` on `o`; true (and `o` changed) on OK.
bool EditSerialLineOptions(QWidget *parent, SerialLineOptions &o);
