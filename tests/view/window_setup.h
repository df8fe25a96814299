#pragma once
// The main window set up for a poll of a slave on 127.0.0.1 over TCP, as
// the dialog's OK step would leave it, and bounded waits that keep the
// window's events flowing.

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include "engine/exchange_record.h"
#include "tests/support/wait_for.h"
#include "view/Tarvix_unit.h"
#include "view/gui_host.h"

inline GuiHost &HostOf(TTarvix_Form &form)
{
    return dynamic_cast<GuiHost &>(form.Host());
}

// The record of a poll of slave 1 at 127.0.0.1:`port`, with the image the
// read command fills (bits for 01 and 02, registers else) allocated.
inline void ConfigureTcp(TTarvix_Form &form, quint16 port, FunctionCode cmd, uint16_t start, uint16_t count,
                         uint32_t period)
{
    ExchangeRecord &r = form.Rec;
    r.Conn.Kind = ConnKind::Tcp;
    r.ConnTypeText = "Ethernet TCP";
    r.Conn.IPAddr = "127.0.0.1";
    r.Conn.TargetPort = port;
    r.Conn.CrcFraming = 0;
    r.SlaveAddr.store(1);
    r.ReadCmd.store(cmd);
    r.StartReg.store(start);
    r.RegCount.store(count);
    r.UpdatePeriod.store(period);
    if (IsBitRead(cmd))
        r.AllocBitValues(count);
    else
        r.AllocRegValues(count);
}

// WaitFor with the GUI thread's events handled between looks.
inline bool PumpUntil(const std::function<bool()> &pred, int ms)
{
    return WaitFor(pred, ms, [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    });
}

// Where a test keeps its pictures: TARVIX_PNG_DIR, else the current folder.
inline QString PngPath(const QString &name)
{
    const QByteArray dir = qgetenv("TARVIX_PNG_DIR");
    return QDir(dir.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(dir)).filePath(name);
}
