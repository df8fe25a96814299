#include "controls/editor/edit_lines.h"

#include <algorithm>

void EditLines::Assign(const QStringList &lines)
{
    FChunks.clear();
    FSize = int(lines.size());
    for (int i = 0; i < FSize; i += ChunkLines)
        FChunks.append(Chunk{lines.mid(i, ChunkLines), {}});
    FChunkMax = QList<int>(FChunks.size(), -1);
    Restart(0);
}

void EditLines::Restart(int c)
{
    FStarts.resize(FChunks.size());
    int start = c > 0 ? FStarts.at(c - 1) + int(FChunks.at(c - 1).size()) : 0;
    for (int k = c; k < FChunks.size(); ++k) {
        FStarts[k] = start;
        start += int(FChunks.at(k).size());
    }
}

int EditLines::ChunkOf(int i, int &inChunk) const
{
    Q_ASSERT(i >= 0 && i < FSize);
    // The last chunk whose start is at or before i.
    const auto it = std::upper_bound(FStarts.cbegin(), FStarts.cend(), i);
    const int c = int(it - FStarts.cbegin()) - 1;
    inChunk = i - FStarts.at(c);
    return c;
}

const QString &EditLines::at(int i) const
{
    int k = 0;
    const int c = ChunkOf(i, k);
    return FChunks.at(c).Lines.at(k);
}

QString &EditLines::operator[](int i)
{
    int k = 0;
    const int c = ChunkOf(i, k);
    Touch(c);
    return FChunks[c].Lines[k];
}

std::uint8_t EditLines::BreakTag(int i) const
{
    int k = 0;
    const Chunk &chunk = FChunks.at(ChunkOf(i, k));
    return chunk.Tags.isEmpty() ? 0 : chunk.Tags.at(k);
}

void EditLines::SetBreakTag(int i, std::uint8_t tag)
{
    int k = 0;
    const int c = ChunkOf(i, k);
    if (FChunks.at(c).Tags.isEmpty() && tag == 0)
        return;
    Chunk &chunk = FChunks[c];
    if (chunk.Tags.isEmpty())
        chunk.Tags = QList<std::uint8_t>(chunk.Lines.size(), 0);
    chunk.Tags[k] = tag;
}

void EditLines::AppendChunk(QStringList lines, QList<std::uint8_t> tags)
{
    Q_ASSERT(lines.size() <= 2 * ChunkLines);
    Q_ASSERT(tags.isEmpty() || tags.size() == lines.size());
    if (lines.isEmpty())
        return;
    FSize += int(lines.size());
    FChunks.append(Chunk{std::move(lines), std::move(tags)});
    FChunkMax.append(-1);
    Restart(int(FChunks.size()) - 1);
}

void EditLines::append(const QStringList &lines)
{
    for (const QString &line : lines)
        append(line);
}

void EditLines::insert(int i, const QString &line)
{
    Q_ASSERT(i >= 0 && i <= FSize);
    if (FChunks.isEmpty()) {
        FChunks.append(Chunk{QStringList{line}, {}});
        FChunkMax = {-1};
        FSize = 1;
        Restart(0);
        return;
    }
    int c = 0;
    int k = 0;
    if (i == FSize) {
        c = int(FChunks.size()) - 1;
        k = int(FChunks.at(c).size());
    } else {
        c = ChunkOf(i, k);
    }
    Chunk &chunk = FChunks[c];
    chunk.Lines.insert(k, line);
    if (!chunk.Tags.isEmpty())
        chunk.Tags.insert(k, 0);
    Touch(c);
    ++FSize;
    if (chunk.size() > 2 * ChunkLines) {
        const int half = int(chunk.size()) / 2;
        Chunk tail{chunk.Lines.mid(half), chunk.Tags.mid(half)};
        chunk.Lines.resize(half);
        if (!chunk.Tags.isEmpty())
            chunk.Tags.resize(half);
        FChunks.insert(c + 1, tail);
        FChunkMax.insert(c + 1, -1);
    }
    Restart(c);
}

void EditLines::remove(int i, int n)
{
    Q_ASSERT(i >= 0 && n >= 0 && i + n <= FSize);
    if (n <= 0)
        return;
    int k = 0;
    int c = ChunkOf(i, k);
    const int first = c;
    FSize -= n;
    while (n > 0) {
        Chunk &chunk = FChunks[c];
        const int take = std::min(n, int(chunk.size()) - k);
        chunk.Lines.remove(k, take);
        if (!chunk.Tags.isEmpty())
            chunk.Tags.remove(k, take);
        n -= take;
        if (chunk.Lines.isEmpty()) {
            FChunks.removeAt(c);
            FChunkMax.removeAt(c);
        } else {
            Touch(c);
            ++c;
        }
        k = 0;
    }
    Restart(first);
}

QString EditLines::takeAt(int i)
{
    QString line = at(i);
    removeAt(i);
    return line;
}

void EditLines::clear()
{
    FChunks.clear();
    FStarts.clear();
    FChunkMax.clear();
    FSize = 0;
}

QStringList EditLines::mid(int from, int n) const
{
    if (from < 0)
        from = 0;
    const int to = (n < 0 || from + n > FSize) ? FSize : from + n;
    QStringList out;
    if (from >= to)
        return out;
    out.reserve(to - from);
    int k = 0;
    int c = ChunkOf(from, k);
    for (int i = from; i < to; ++c, k = 0) {
        const QStringList &chunk = FChunks.at(c).Lines;
        const int take = std::min(int(chunk.size()) - k, to - i);
        out.append(chunk.mid(k, take));
        i += take;
    }
    return out;
}

QString EditLines::join(QStringView separator) const
{
    qsizetype total = 0;
    for (const Chunk &chunk : FChunks)
        for (const QString &line : chunk.Lines)
            total += line.size() + separator.size();
    QString out;
    out.reserve(total);
    bool firstLine = true;
    for (const Chunk &chunk : FChunks) {
        for (const QString &line : chunk.Lines) {
            if (!firstLine)
                out += separator;
            out += line;
            firstLine = false;
        }
    }
    return out;
}

bool EditLines::operator==(const EditLines &other) const
{
    if (FSize != other.FSize)
        return false;
    // Chunks shared with the other list compare equal at once.
    if (FStarts == other.FStarts) {
        for (int c = 0; c < FChunks.size(); ++c)
            if (FChunks.at(c).Lines != other.FChunks.at(c).Lines)
                return false;
        return true;
    }
    for (int i = 0; i < FSize; ++i)
        if (at(i) != other.at(i))
            return false;
    return true;
}

bool EditLines::operator==(const QStringList &other) const
{
    if (FSize != other.size())
        return false;
    for (int i = 0; i < FSize; ++i)
        if (at(i) != other.at(i))
            return false;
    return true;
}

int EditLines::MaxLength() const
{
    int longest = 0;
    for (int c = 0; c < FChunks.size(); ++c) {
        if (FChunkMax.at(c) < 0) {
            qsizetype m = 0;
            for (const QString &line : FChunks.at(c).Lines)
                m = std::max(m, line.size());
            FChunkMax[c] = int(m);
        }
        longest = std::max(longest, FChunkMax.at(c));
    }
    return longest;
}
