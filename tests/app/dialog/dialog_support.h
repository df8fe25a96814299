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
#include <string>
#include <vector>

#include "tests/support/child_process.h"

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

// The simulator as a child process on 127.0.0.1; ended by its process id
// when the object goes.
class SlaveProcess {
public:
    explicit SlaveProcess(const QStringList &args)
    {
        std::vector<std::string> a;
        for (const QString &arg : args)
            a.push_back(arg.toStdString());
        peer_.Start(SlavePath(), a);
    }
    int port() const { return peer_.Port(); }
    // The lines after the first ("REQ ..." with --log) printed so far.
    QList<QByteArray> requests()
    {
        QList<QByteArray> out;
        for (const std::string &line : peer_.Lines(0))
            out.append(QByteArray::fromStdString(line));
        return out;
    }

private:
    PeerProcess peer_;
};

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
