#include "controls/editor/edit_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype ReadPiece = 1 << 20;

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// ---- Windows-1251 ----

// Bytes 0x80..0xFF; 0 for 0x98, which the code page leaves unassigned.
constexpr std::array<char16_t, 128> CodePageHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

bool IsCarried(char16_t c)
{
    return c >= EditFile::CarriedBase && c <= EditFile::CarriedBase + 0x7F;
}

char16_t Carry(unsigned char byte)
{
    return char16_t(EditFile::CarriedBase + (byte - 0x80));
}

char16_t CodePageChar(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    const char16_t c = CodePageHigh[byte - 0x80];
    return c ? c : Carry(byte);
}

// The code page byte of a character; -1 when it has none.
int CodePageByte(char16_t c)
{
    static const std::array<unsigned char, 0x10000> table = [] {
        std::array<unsigned char, 0x10000> t{};
        for (int b = 0x80; b < 0x100; ++b)
            if (CodePageHigh[b - 0x80])
                t[CodePageHigh[b - 0x80]] = static_cast<unsigned char>(b);
        return t;
    }();
    if (c < 0x80)
        return c;
    if (IsCarried(c))
        return 0x80 + (c - EditFile::CarriedBase);
    return table[c] ? table[c] : -1;
}

// ---- UTF-8 ----

// Decodes UTF-8 into out: Char(c) for each UTF-16 unit, Valid() for each
// multi-byte character, Bad() for each byte that is not part of one (its
// Char is the carrying character). A sequence cut at the end of a piece is
// kept for the next one; Finish() treats what is left as single bytes.
class Utf8Decoder {
public:
    template <class Out> void Feed(const unsigned char *p, qsizetype n, Out &out)
    {
        if (FCarryLen > 0) {
            // The cut sequence with the first bytes of this piece: it ends
            // within them, since no sequence is longer than four bytes.
            unsigned char tmp[7];
            std::memcpy(tmp, FCarry, size_t(FCarryLen));
            const qsizetype add = std::min<qsizetype>(n, 3);
            std::memcpy(tmp + FCarryLen, p, size_t(add));
            const qsizetype total = FCarryLen + add;
            const qsizetype oldCarry = FCarryLen;
            FCarryLen = 0;
            const qsizetype used = Run(tmp, total, false, out);
            if (used < oldCarry) {   // still cut: the piece was that short
                Keep(tmp + used, total - used);
                return;
            }
            p += used - oldCarry;
            n -= used - oldCarry;
        }
        const qsizetype used = Run(p, n, false, out);
        Keep(p + used, n - used);
    }
    template <class Out> void Finish(Out &out)
    {
        const qsizetype n = FCarryLen;
        FCarryLen = 0;
        Run(FCarry, n, true, out);
    }

private:
    void Keep(const unsigned char *p, qsizetype n)
    {
        Q_ASSERT(n <= 3);
        std::memcpy(FCarry, p, size_t(n));
        FCarryLen = n;
    }

    // The length of the valid sequence at p (n bytes available), 0 when the
    // bytes are not one, -1 when they may become one with more bytes.
    static int SequenceAt(const unsigned char *p, qsizetype n)
    {
        const unsigned char b = p[0];
        int len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0)
                lo = 0xA0;
            if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0)
                lo = 0x90;
            if (b == 0xF4)
                hi = 0x8F;
        } else {
            return 0;
        }
        for (int k = 1; k < len; ++k) {
            if (k >= n)
                return -1;
            const unsigned char c = p[k];
            if (k == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF))
                return 0;
        }
        return len;
    }

    // Decodes p[0..n); returns how many bytes were used (all when last).
    template <class Out> static qsizetype Run(const unsigned char *p, qsizetype n, bool last, Out &out)
    {
        qsizetype i = 0;
        while (i < n) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                out.Char(b);
                ++i;
                continue;
            }
            const int len = SequenceAt(p + i, n - i);
            if (len < 0 && !last)
                return i;
            if (len <= 0) {
                out.Bad();
                out.Char(Carry(b));
                ++i;
                continue;
            }
            char32_t cp = 0;
            if (len == 2)
                cp = ((b & 0x1F) << 6) | (p[i + 1] & 0x3F);
            else if (len == 3)
                cp = ((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
            else
                cp = ((b & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            out.Valid();
            if (cp >= EditFile::CarriedBase && cp <= char32_t(EditFile::CarriedBase + 0x7F)) {
                // A character of the carrying range: carried as its bytes,
                // so that it reads back as itself.
                for (int k = 0; k < len; ++k)
                    out.Char(Carry(p[i + k]));
            } else if (cp >= 0x10000) {
                out.Char(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
                out.Char(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                out.Char(char16_t(cp));
            }
            i += len;
        }
        return i;
    }

    unsigned char FCarry[4] = {};
    qsizetype FCarryLen = 0;
};

// ---- the first pass: encoding and line breaks ----

struct Scan {
    qint64 Valid = 0;   // multi-byte UTF-8 characters
    qint64 Bad = 0;   // bytes that are not UTF-8
    qint64 Lf = 0;   // LF alone
    qint64 CrLf = 0;
    qint64 Cr = 0;   // any CR
    bool LastCr = false;
    Utf8Decoder Utf8;

    void Feed(const unsigned char *p, qsizetype n)
    {
        for (const unsigned char *q = p, *end = p + n; q < end; ++q) {
            if (*q == '\n') {
                if (LastCr)
                    ++CrLf;
                else
                    ++Lf;
            }
            LastCr = *q == '\r';
            Cr += LastCr;
        }
        Counter c{*this};
        Utf8.Feed(p, n, c);
    }
    void Finish()
    {
        Counter c{*this};
        Utf8.Finish(c);
    }
    // The encoding and the main break of the LF kinds.
    void Decide(bool bom, EditFileFormat &format) const
    {
        format.Bom = bom;
        format.Encoding = bom || Bad == 0 || (Valid > 0 && Valid >= Bad) ? EditEncoding::Utf8
                                                                           : EditEncoding::Windows1251;
        format.LineBreak = CrLf > Lf ? QByteArray("\r\n") : QByteArray("\n");
    }

    struct Counter {
        Scan &s;
        void Char(char16_t) {}
        void Valid() { ++s.Valid; }
        void Bad() { ++s.Bad; }
    };
};

// ---- the second pass: lines ----

// Builds the lines chunk by chunk: the characters of a chunk's lines stand
// in one buffer, each line followed by a NUL, and each line is a string on
// its part of that shared buffer. A line that is changed later gets a
// buffer of its own; the shared one goes when its last line does.
class LineBuilder {
public:
    LineBuilder(EditLines &out, bool crBreaks, bool mainCrLf) : FOut(out), FCrBreaks(crBreaks), FMainCrLf(mainCrLf)
    {
        Grow(ReadPiece);
    }

    void Char(char16_t c)
    {
        if (c == u'\n' && !FCrBreaks) {
            bool crLf = false;
            if (FUsed > FLineStart && FData[FUsed - 1] == u'\r') {
                --FUsed;
                crLf = true;
            }
            EndLine(crLf != FMainCrLf ? EditFile::OtherBreak : 0);
        } else if (c == u'\r' && FCrBreaks) {
            EndLine(0);
        } else {
            Put(c);
            FAfterBreak = false;
        }
    }
    void Valid() {}
    void Bad() {}

    // Returns whether the text ended with a line break.
    bool Finish()
    {
        const bool finalBreak = FAfterBreak;
        if (!finalBreak)
            EndLine(0);
        Flush();
        return finalBreak;
    }

private:
    // FBuf is kept at its full capacity while a chunk is built; FUsed
    // characters of it are the chunk's.
    void Put(char16_t c)
    {
        if (FUsed == FBuf.size())
            Grow(FUsed + FUsed / 2 + 64);
        FData[FUsed++] = c;
    }
    void Grow(qsizetype capacity)
    {
        FBuf.resize(FUsed);
        FBuf.reserve(capacity);
        FBuf.resize(FBuf.capacity());
        FData = reinterpret_cast<char16_t *>(FBuf.data());
    }

    void EndLine(std::uint8_t tag)
    {
        FStarts.append(FLineStart);
        FLengths.append(FUsed - FLineStart);
        FTags.append(tag);
        FAnyTag = FAnyTag || tag != 0;
        Put(0);
        FLineStart = FUsed;
        FAfterBreak = true;
        if (FStarts.size() >= EditLines::ChunkLines)
            Flush();
    }

    void Flush()
    {
        Q_ASSERT(FLineStart == FUsed);
        FBuf.resize(FUsed);
        FBuf.squeeze();
        QStringList lines;
        lines.reserve(FStarts.size());
        QString::DataPointer &shared = FBuf.data_ptr();
        for (qsizetype k = 0; k < FStarts.size(); ++k) {
            if (FLengths.at(k) == 0) {
                lines.append(QString());
                continue;
            }
            shared.d_ptr()->ref();
            lines.append(QString(QString::DataPointer(shared.d_ptr(), shared.data() + FStarts.at(k), FLengths.at(k))));
        }
        FOut.AppendChunk(std::move(lines), FAnyTag ? FTags : QList<std::uint8_t>());
        // The next chunk's buffer, about as large as this one's.
        FBuf = QString();
        const qsizetype next = FLineStart + FLineStart / 8 + 64;
        FUsed = 0;
        Grow(next);
        FStarts.clear();
        FLengths.clear();
        FTags.clear();
        FAnyTag = false;
        FLineStart = 0;
    }

    EditLines &FOut;
    const bool FCrBreaks;
    const bool FMainCrLf;
    QString FBuf;
    char16_t *FData = nullptr;
    qsizetype FUsed = 0;
    qsizetype FLineStart = 0;
    bool FAfterBreak = false;
    QList<qsizetype> FStarts;
    QList<qsizetype> FLengths;
    QList<std::uint8_t> FTags;
    bool FAnyTag = false;
};

// A source of bytes read from a position on: a byte array in pieces or a file.
class Source {
public:
    virtual ~Source() = default;
    // Up to max bytes from the current position; 0 at the end, -1 on an error (errno).
    virtual qsizetype Read(char *buf, qsizetype max) = 0;
    virtual bool Seek(qint64 pos) = 0;
};

class BytesSource : public Source {
public:
    BytesSource(const QByteArray &bytes, qsizetype piece) : FBytes(bytes), FPiece(std::max<qsizetype>(1, piece)) {}
    qsizetype Read(char *buf, qsizetype max) override
    {
        const qsizetype n = std::min({max, FPiece, FBytes.size() - FPos});
        std::memcpy(buf, FBytes.constData() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    bool Seek(qint64 pos) override
    {
        FPos = std::min<qsizetype>(pos, FBytes.size());
        return true;
    }

private:
    const QByteArray &FBytes;
    const qsizetype FPiece;
    qsizetype FPos = 0;
};

class FileSource : public Source {
public:
    explicit FileSource(int fd) : FFd(fd) {}
    qsizetype Read(char *buf, qsizetype max) override
    {
        for (;;) {
            const ssize_t got = ::read(FFd, buf, size_t(max));
            if (got < 0 && errno == EINTR)
                continue;
            return got;
        }
    }
    bool Seek(qint64 pos) override { return ::lseek(FFd, off_t(pos), SEEK_SET) == off_t(pos); }

private:
    int FFd;
};

// Runs every piece from pos to the end through feed; false with errno on an error.
template <class Feed> bool EachPiece(Source &src, qint64 pos, QByteArray &buf, Feed feed)
{
    if (!src.Seek(pos))
        return false;
    for (;;) {
        const qsizetype got = src.Read(buf.data(), buf.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        feed(reinterpret_cast<const unsigned char *>(buf.constData()), got);
    }
}

// Both passes over a source. False with errno when it could not be read.
bool DecodeSource(Source &src, qsizetype piece, EditLines &lines, EditFileFormat &format)
{
    QByteArray buf(piece, Qt::Uninitialized);
    char head[3];
    qsizetype headLen = 0;
    if (!src.Seek(0))
        return false;
    while (headLen < 3) {
        const qsizetype got = src.Read(head + headLen, 3 - headLen);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        headLen += got;
    }
    const bool bom = headLen == 3 && std::memcmp(head, Utf8Bom, 3) == 0;
    const qint64 start = bom ? 3 : 0;

    Scan scan;
    if (!EachPiece(src, start, buf, [&scan](const unsigned char *p, qsizetype n) { scan.Feed(p, n); }))
        return false;
    scan.Finish();
    EditFileFormat f;
    scan.Decide(bom, f);
    // Without an LF, a file breaks its lines at CR.
    const bool crBreaks = scan.Lf == 0 && scan.CrLf == 0 && scan.Cr > 0;
    if (crBreaks)
        f.LineBreak = "\r";

    EditLines out;
    LineBuilder builder(out, crBreaks, f.LineBreak == "\r\n");
    bool ok = false;
    if (f.Encoding == EditEncoding::Utf8) {
        Utf8Decoder utf8;
        ok = EachPiece(src, start, buf, [&](const unsigned char *p, qsizetype n) { utf8.Feed(p, n, builder); });
        utf8.Finish(builder);
    } else {
        ok = EachPiece(src, start, buf, [&](const unsigned char *p, qsizetype n) {
            for (qsizetype i = 0; i < n; ++i)
                builder.Char(CodePageChar(p[i]));
        });
    }
    if (!ok)
        return false;
    f.FinalBreak = builder.Finish();
    lines = std::move(out);
    format = f;
    return true;
}

// ---- encoding ----

// Encodes lines into a sink, a megabyte at a time: sink(bytes) returns false
// to stop. lossless is cleared for a character the code page has no place for.
template <class Sink> bool EncodeTo(const EditLines &lines, const EditFileFormat &format, bool &lossless, Sink sink)
{
    const bool codePage = format.Encoding == EditEncoding::Windows1251;
    QByteArray other;
    if (format.LineBreak == "\n")
        other = "\r\n";
    else if (format.LineBreak == "\r\n")
        other = "\n";
    else
        other = format.LineBreak;
    QByteArray out;
    out.reserve(ReadPiece + 4096);
    if (format.Bom && !codePage)
        out += Utf8Bom;
    lossless = true;
    const int n = lines.size();
    for (int i = 0; i < n; ++i) {
        const QString &line = lines.at(i);
        const char16_t *p = reinterpret_cast<const char16_t *>(line.constData());
        const qsizetype len = line.size();
        for (qsizetype k = 0; k < len; ++k) {
            const char16_t c = p[k];
            if (c < 0x80) {
                out += char(c);
            } else if (IsCarried(c)) {
                out += char(0x80 + (c - EditFile::CarriedBase));
            } else if (codePage) {
                const int b = CodePageByte(c);
                lossless = lossless && b >= 0;
                out += b >= 0 ? char(b) : '?';
            } else if (c < 0x800) {
                out += char(0xC0 | (c >> 6));
                out += char(0x80 | (c & 0x3F));
            } else if (c >= 0xD800 && c <= 0xDBFF && k + 1 < len && p[k + 1] >= 0xDC00 && p[k + 1] <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (p[k + 1] - 0xDC00);
                out += char(0xF0 | (cp >> 18));
                out += char(0x80 | ((cp >> 12) & 0x3F));
                out += char(0x80 | ((cp >> 6) & 0x3F));
                out += char(0x80 | (cp & 0x3F));
                ++k;
            } else {
                // A surrogate without its partner (half of a character an
                // edit split) has no UTF-8: the replacement character.
                const char16_t u = (c >= 0xD800 && c <= 0xDFFF) ? char16_t(0xFFFD) : c;
                out += char(0xE0 | (u >> 12));
                out += char(0x80 | ((u >> 6) & 0x3F));
                out += char(0x80 | (u & 0x3F));
            }
            if (out.size() >= ReadPiece) {
                if (!sink(out))
                    return false;
                out.clear();
            }
        }
        if (i + 1 < n || format.FinalBreak)
            out += lines.BreakTag(i) == EditFile::OtherBreak ? other : format.LineBreak;
    }
    return out.isEmpty() || sink(out);
}

}   // namespace

namespace EditFile {

EditLines Decode(const QByteArray &bytes, EditFileFormat &format, qsizetype piece)
{
    BytesSource src(bytes, piece);
    EditLines lines;
    DecodeSource(src, std::max<qsizetype>(1, std::min(piece, ReadPiece)), lines, format);
    return lines;
}

QByteArray Encode(const EditLines &lines, const EditFileFormat &format, bool *lossless)
{
    QByteArray all;
    bool fits = true;
    EncodeTo(lines, format, fits, [&all](const QByteArray &bytes) {
        all += bytes;
        return true;
    });
    if (lossless)
        *lossless = fits;
    return all;
}

bool Fits(const EditLines &lines, const EditFileFormat &format)
{
    if (format.Encoding != EditEncoding::Windows1251)
        return true;
    for (int i = 0; i < lines.size(); ++i)
        for (const QChar c : lines.at(i))
            if (CodePageByte(c.unicode()) < 0)
                return false;
    return true;
}

bool Read(const QString &name, EditLines &lines, EditFileFormat &format, QString *reason)
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
    FileSource src(fd);
    const bool ok = DecodeSource(src, ReadPiece, lines, format);
    const int err = errno;
    ::close(fd);
    return ok || fail(ErrnoText(err));
}

bool Write(const QString &name, const EditLines &lines, const EditFileFormat &format, QString *reason)
{
    // QSaveFile writes a temporary file beside the target, keeps the target's
    // permissions, follows a symbolic link and renames over the target only
    // when everything was written and synced.
    QSaveFile file(name);
    auto fail = [&file, reason] {
        if (reason)
            *reason = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    bool lossless = true;
    const bool written = EncodeTo(lines, format, lossless,
                                  [&file](const QByteArray &bytes) { return file.write(bytes) == bytes.size(); });
    if (!written) {
        fail();
        file.cancelWriting();
        return false;
    }
    return file.commit() || fail();
}

}   // namespace EditFile
