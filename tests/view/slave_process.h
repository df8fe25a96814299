#pragma once
// A tarvix-slave child on 127.0.0.1 for the main window's tests and
// benchmark: started with port 0 (the engine tests' PeerProcess), its
// "--log" request lines collected, ended by its own PID when the object goes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include "tests/engine/engine_test_support.h"

class SlaveProcess {
public:
    // `program`: tarvix-slave, or the libmodbus test peer (PeerPath()).
    explicit SlaveProcess(const QStringList &extraArgs = {}, int seconds = 120,
                          const std::string &program = SlavePath())
    {
        std::vector<std::string> args{"--tcp", "0", "--seconds", std::to_string(seconds)};
        for (const QString &a : extraArgs)
            args.push_back(a.toStdString());
        if (peer_.Start(program, args))
            port_ = quint16(peer_.Port());
    }

    quint16 Port() const { return port_; }

    // Request lines seen so far ("01 06 00 00 12 34"), without "REQ ".
    QStringList Requests()
    {
        QStringList out;
        for (const std::string &line : peer_.Lines(0))
            if (line.rfind("REQ ", 0) == 0)
                out << QString::fromStdString(line.substr(4));
        return out;
    }
    // The last few request lines, for failure messages.
    QString Tail()
    {
        const QStringList r = Requests();
        return r.mid(std::max<qsizetype>(0, r.size() - 4)).join(QLatin1Char('|'));
    }
    // Waits up to `ms` for a request line equal to `frame`, while the GUI
    // thread goes on serving the exchange thread's display calls.
    bool WaitForRequest(const QString &frame, int ms)
    {
        QElapsedTimer t;
        t.start();
        do {
            if (Requests().contains(frame))
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            peer_.Lines(2);
        } while (t.elapsed() < ms);
        return Requests().contains(frame);
    }

private:
    PeerProcess peer_;
    quint16 port_ = 0;
};
