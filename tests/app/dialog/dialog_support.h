#pragma once
// Helpers of the dialog and window-flow tests: a temporary current directory
// with its own settings file, the simulator as a child process on loopback,
// and closing the message boxes that a test expects.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// Makes a fresh temporary directory the current directory for the life of
// the object, and restores the previous one afterwards.
class ScopedCurrentDir {
public:
    ScopedCurrentDir() : old_(QDir::currentPath())
    {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir::setCurrent(dir_.path()));
    }
    ~ScopedCurrentDir() { QDir::setCurrent(old_); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString &name) const { return dir_.filePath(name); }

private:
    QString old_;
    QTemporaryDir dir_;
};

inline QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The visible message boxes, newest last.
inline QList<QMessageBox *> VisibleBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
            boxes.append(b);
    return boxes;
}

// Waits up to `ms` for a visible message box, closes it with its OK button
// and returns its text; empty when none came.
inline QString CloseNextBox(int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        const QList<QMessageBox *> boxes = VisibleBoxes();
        if (!boxes.isEmpty()) {
            QMessageBox *b = boxes.last();
            const QString text = b->text();
            if (QAbstractButton *ok = b->button(QMessageBox::Ok))
                ok->click();
            else
                b->close();
            QCoreApplication::processEvents();
            return text;
        }
        QTest::qWait(10);
    }
    return {};
}

// Runs `action` (which shows a modal box and returns once it is closed) and
// closes the first box that appears meanwhile; returns that box's text.
inline QString TextOfModalBox(const std::function<void()> &action)
{
    QString text;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *m = QApplication::activeModalWidget();
        if (auto *b = qobject_cast<QMessageBox *>(m); b && !seen) {
            seen = true;
            text = b->text();
            b->button(QMessageBox::Ok)->click();
        }
    });
    poll.start();
    QTimer::singleShot(5000, [&] {   // never hang a test on a box that does not close
        if (QWidget *m = QApplication::activeModalWidget())
            m->close();
    });
    action();
    return text;
}

#ifdef TARVIX_SLAVE_PATH
// The simulator as a child process on 127.0.0.1, its output read through a
// pipe; ended by its process id when the object goes. A plain fork and exec
// keeps it usable under the thread sanitizer.
class SlaveProcess {
public:
    explicit SlaveProcess(const QStringList &args)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::vector<QByteArray> keep{QByteArrayLiteral(TARVIX_SLAVE_PATH)};
        for (const QString &a : args)
            keep.push_back(a.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &a : keep)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        QElapsedTimer t;
        t.start();
        while (pid_ > 0 && lines_.isEmpty() && t.elapsed() < 5000)
            Read(100);
        if (!lines_.isEmpty() && lines_.first().startsWith("PORT "))
            port_ = lines_.takeFirst().mid(5).toInt();
    }
    ~SlaveProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            QElapsedTimer t;
            t.start();
            while (waitpid(pid_, nullptr, WNOHANG) == 0) {
                if (t.elapsed() > 3000) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, nullptr, 0);
                    break;
                }
                usleep(10000);
            }
        }
        if (fd_ >= 0)
            close(fd_);
    }
    int port() const { return port_; }
    // The request lines ("REQ ...") printed so far with --log.
    QList<QByteArray> requests()
    {
        Read(0);
        return lines_;
    }

private:
    void Read(int ms)
    {
        pollfd p{fd_, POLLIN, 0};
        while (fd_ >= 0 && poll(&p, 1, ms) > 0) {
            char buf[4096];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0)
                break;
            buffer_.append(buf, n);
            ms = 0;
        }
        for (qsizetype nl; (nl = buffer_.indexOf('\n')) >= 0;) {
            lines_.append(buffer_.left(nl));
            buffer_.remove(0, nl + 1);
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    int port_ = 0;
    QByteArray buffer_;
    QList<QByteArray> lines_;
};
#endif

// A settings file for a TCP connection to the simulator on 127.0.0.1.
inline QByteArray LoopbackSettings(int port, int startReg, int count)
{
    return QStringLiteral("[MODBUS]\nConnType=0\nSlaveAddr=1\nStartReg=%1\nRegCount=%2\n\n"
                          "[TCPIP]\nIPAddr=127.0.0.1\nPort=%3\nLocalPort=0\n")
        .arg(startReg)
        .arg(count)
        .arg(port)
        .toLatin1();
}
