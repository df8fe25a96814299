#pragma once
// A tarvix-slave child on 127.0.0.1 for the main window's tests and
// benchmark: started with port 0, its "PORT n" line read, its "--log" lines
// collected, and ended by its own PID when the object goes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

class SlaveProcess {
public:
    explicit SlaveProcess(const QStringList &extraArgs = {}, int seconds = 120)
    {
        QStringList args{QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--seconds"),
                         QString::number(seconds)};
        args += extraArgs;
        proc_.setProgram(QStringLiteral(TARVIX_SLAVE_PATH));
        proc_.setArguments(args);
        proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc_.start();
        if (!proc_.waitForStarted(5000))
            return;
        QElapsedTimer t;
        t.start();
        while (port_ == 0 && t.elapsed() < 5000) {
            proc_.waitForReadyRead(100);
            Collect();
        }
    }
    ~SlaveProcess()
    {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.terminate();   // SIGTERM to this child's PID only
            if (!proc_.waitForFinished(2000)) {
                proc_.kill();
                proc_.waitForFinished(2000);
            }
        }
    }
    SlaveProcess(const SlaveProcess &) = delete;
    SlaveProcess &operator=(const SlaveProcess &) = delete;

    quint16 Port() const { return port_; }
    qint64 Pid() const { return proc_.processId(); }

    // Request lines seen so far ("01 06 00 00 12 34"), without "REQ ".
    QStringList Requests()
    {
        Collect();
        return requests_;
    }
    // The last few request lines, for failure messages.
    QString Tail()
    {
        const QStringList r = Requests();
        return r.mid(std::max<qsizetype>(0, r.size() - 4)).join(QLatin1Char('|'));
    }
    // Waits up to `ms` for a request line equal to `frame`.
    bool WaitForRequest(const QString &frame, int ms)
    {
        QElapsedTimer t;
        t.start();
        do {
            if (Requests().contains(frame))
                return true;
            // Keep the GUI thread serving the exchange thread's display calls.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            proc_.waitForReadyRead(2);
        } while (t.elapsed() < ms);
        return Requests().contains(frame);
    }

private:
    void Collect()
    {
        buffer_ += proc_.readAllStandardOutput();
        int nl;
        while ((nl = buffer_.indexOf('\n')) >= 0) {
            const QString line = QString::fromLatin1(buffer_.left(nl)).trimmed();
            buffer_.remove(0, nl + 1);
            if (line.startsWith(QLatin1String("PORT ")))
                port_ = quint16(line.mid(5).toUInt());
            else if (line.startsWith(QLatin1String("REQ ")))
                requests_ << line.mid(4);
        }
    }

    QProcess proc_;
    QByteArray buffer_;
    QStringList requests_;
    quint16 port_ = 0;
};
