// The resident memory that loading a large text takes: a generated program
// text (about 52 bytes a line) is written to a file, and a child process
// that has done nothing else loads it into the editor's model. The child's
// peak resident set (VmHWM) is set against the file's size, once for a text
// of ASCII lines and once with Cyrillic comments (two bytes a letter in the
// file, one UTF-16 unit in memory). The load time is printed beside it.
//
//   editor_load_memory_bench [megabytes (200)]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "controls/editor/edit_model.h"

namespace {

// A field of /proc/self/status in KiB ("VmHWM:", "VmRSS:").
long StatusKiB(const char *field)
{
    long kib = -1;
    if (std::FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t n = std::strlen(field);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, field, n) == 0)
                kib = std::atol(line + n);
        std::fclose(f);
    }
    return kib;
}

// Writes lines until the file holds `bytes` bytes; never holds the text whole.
bool WriteProgramText(const QString &name, qint64 bytes, bool cyrillic)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray piece;
    for (qint64 i = 0, written = 0; written < bytes; ++i) {
        switch (i % 4) {
        case 0:
            piece += cyrillic ? "// блок " + QByteArray::number(i) + ": цикл по регистрам\n"
                              : "// block " + QByteArray::number(i) + ": the loop over the registers\n";
            break;
        case 1: piece += "    value = read_register(base + " + QByteArray::number(i % 977) + ", count);  \n"; break;
        case 2: piece += "    if (value > limit) { store(value, \"over\"); total += value; }\n"; break;
        default: piece += "label_" + QByteArray::number(i) + ":  mov r1, [r2 + 4]  ; next step\n"; break;
        }
        if (piece.size() >= (1 << 20) || written + piece.size() >= bytes) {
            if (f.write(piece) != piece.size())
                return false;
            written += piece.size();
            piece.clear();
        }
    }
    return true;
}

struct Figures {
    long baseKiB = 0;   // resident before the load
    long peakKiB = 0;   // peak resident at the end
    double ms = 0;
    int lines = 0;
};

// Loads the file in a child process and returns its figures.
bool MeasureLoad(const QString &name, Figures &out)
{
    int pipeFd[2];
    if (pipe(pipeFd) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::close(pipeFd[0]);
        Figures f;
        f.baseKiB = StatusKiB("VmRSS:");
        QElapsedTimer t;
        t.start();
        {
            EditModel m;
            if (!m.LoadFromFile(name))
                _exit(1);
            f.ms = double(t.nsecsElapsed()) / 1e6;
            f.lines = m.LineCount();
            f.peakKiB = StatusKiB("VmHWM:");
        }
        const bool ok = ::write(pipeFd[1], &f, sizeof f) == ssize_t(sizeof f);
        _exit(ok ? 0 : 1);
    }
    ::close(pipeFd[1]);
    const bool got = ::read(pipeFd[0], &out, sizeof out) == ssize_t(sizeof out);
    ::close(pipeFd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    QTemporaryDir dir;
    std::printf("%-28s %10s %10s %10s %12s %8s %10s\n", "text", "file MB", "lines", "base MB", "peak RSS MB",
                "x size", "load ms");
    for (const bool cyrillic : {false, true}) {
        const QString name = dir.filePath(QStringLiteral("text.txt"));
        if (!WriteProgramText(name, megabytes * 1000 * 1000, cyrillic))
            return 1;
        const double fileMB = double(QFile(name).size()) / 1e6;
        Figures f;
        if (!MeasureLoad(name, f))
            return 1;
        const double peakMB = double(f.peakKiB) * 1024.0 / 1e6;
        std::printf("%-28s %10.1f %10d %10.1f %12.1f %8.2f %10.0f\n",
                    cyrillic ? "program, Cyrillic comments" : "program, ASCII", fileMB, f.lines,
                    double(f.baseKiB) * 1024.0 / 1e6, peakMB, peakMB / fileMB, f.ms);
        QFile::remove(name);
    }
    return 0;
}
