#include "controls/editor/edit_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";
constexpr char CodePage[] = "windows-1251";

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

}   // namespace

namespace EditFile {

QStringList Decode(const QByteArray &bytes, EditFileFormat &format)
{
    format = EditFileFormat();
    QByteArrayView data(bytes);
    if (data.startsWith(QByteArrayView(Utf8Bom))) {
        format.Bom = true;
        data = data.sliced(3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError()) {
        QStringDecoder cp(CodePage);
        text = cp.decode(bytes);
        format.Encoding = EditEncoding::Windows1251;
        format.Bom = false;
    }

    QStringList lines;
    bool breakSeen = false;
    qsizetype from = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.append(text.mid(from, i - from));
        int len = 1;
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            len = 2;
        if (!breakSeen) {
            format.LineBreak = len == 2 ? QByteArray("\r\n") : QByteArray(1, char(c.unicode()));
            breakSeen = true;
        }
        i += len - 1;
        from = i + 1;
    }
    format.FinalBreak = n > 0 && from == n;
    if (!format.FinalBreak)
        lines.append(text.mid(from));
    return lines;
}

QByteArray Encode(const QStringList &lines, const EditFileFormat &format, bool *lossless)
{
    const QString breakText = QString::fromLatin1(format.LineBreak);
    QString text = lines.join(breakText);
    if (format.FinalBreak && !lines.isEmpty())
        text += breakText;
    if (lossless)
        *lossless = true;
    if (format.Encoding == EditEncoding::Windows1251) {
        QStringEncoder cp(CodePage);
        QByteArray out = cp.encode(text);
        if (lossless)
            *lossless = !cp.hasError();
        return out;
    }
    QByteArray out = format.Bom ? QByteArray(Utf8Bom) : QByteArray();
    out += text.toUtf8();
    return out;
}

bool Read(const QString &name, QStringList &lines, EditFileFormat &format, QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QByteArray path = QFile::encodeName(name);
    if (path.isEmpty())
        return fail(QStringLiteral("no file name"));
    // Non-blocking, so that a FIFO or a device cannot hold the open; only a
    // regular file is read.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(ErrnoText(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file"));
    }
    QByteArray bytes;
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0) {
            bytes.append(buf, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return fail(ErrnoText(err));
        }
        break;
    }
    ::close(fd);
    lines = Decode(bytes, format);
    return true;
}

bool Write(const QString &name, const QByteArray &bytes, QString *reason)
{
    // QSaveFile writes a temporary file beside the target, keeps the target's
    // permissions, follows a symbolic link and renames over the target only
    // when everything was written and synced.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}

}   // namespace EditFile
