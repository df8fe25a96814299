// EditLines: the editor's list of text lines, with the interface of a
// QStringList (size, at, operator[], insert, removeAt, append ...). The lines
// are kept in chunks of a few hundred, each an implicitly shared QStringList,
// so that a copy of the whole list (an undo snapshot) costs one small list of
// chunk references, and a change after the copy copies only the chunk it
// touches. Thirty-two whole-text undo records of a large file thus cost far
// less than one copy of its text.
//
// Each line also carries a small break tag for the file layer: 0 for the
// text's own line break, another value for a line of a file that ended with
// a different one. A new line has tag 0; a changed line keeps its tag.
#pragma once

#include <QList>
#include <cstdint>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <iterator>

class EditLines {
public:
    // Chunks are cut to this many lines and split when they grow past twice as many.
    static constexpr int ChunkLines = 256;

    EditLines() = default;
    EditLines(const QStringList &lines) { Assign(lines); }
    EditLines(std::initializer_list<QString> lines) { Assign(QStringList(lines)); }

    int size() const { return FSize; }
    int count() const { return FSize; }
    int length() const { return FSize; }
    bool isEmpty() const { return FSize == 0; }
    bool empty() const { return FSize == 0; }

    const QString &at(int i) const;
    const QString &operator[](int i) const { return at(i); }
    // Detaches the chunk that holds line i. The reference is for a change
    // made at once (MaxLength measures the chunk again after this call).
    QString &operator[](int i);
    const QString &first() const { return at(0); }
    const QString &last() const { return at(FSize - 1); }
    const QString &front() const { return first(); }
    const QString &back() const { return last(); }
    // Line i, or an empty text when there is no such line.
    QString value(int i) const { return i >= 0 && i < FSize ? at(i) : QString(); }

    void append(const QString &line) { insert(FSize, line); }
    void append(const QStringList &lines);
    void push_back(const QString &line) { append(line); }
    void prepend(const QString &line) { insert(0, line); }
    EditLines &operator<<(const QString &line)
    {
        append(line);
        return *this;
    }
    // i from 0 to size().
    void insert(int i, const QString &line);
    void replace(int i, const QString &line) { (*this)[i] = line; }
    void removeAt(int i) { remove(i, 1); }
    void remove(int i, int n);
    void removeFirst() { removeAt(0); }
    void removeLast() { removeAt(FSize - 1); }
    QString takeAt(int i);
    void clear();

    // Lines from..from+n-1 (n < 0: to the end), as a plain list.
    QStringList mid(int from, int n = -1) const;
    QStringList toStringList() const { return mid(0); }
    QString join(QStringView separator) const;

    bool operator==(const EditLines &other) const;
    bool operator!=(const EditLines &other) const { return !(*this == other); }
    bool operator==(const QStringList &other) const;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = QString;
        using difference_type = int;
        using pointer = const QString *;
        using reference = const QString &;
        const_iterator() = default;
        const_iterator(const EditLines *lines, int i) : FLines(lines), FIndex(i) {}
        const QString &operator*() const { return FLines->at(FIndex); }
        const QString *operator->() const { return &FLines->at(FIndex); }
        const QString &operator[](int n) const { return FLines->at(FIndex + n); }
        const_iterator &operator++()
        {
            ++FIndex;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator t = *this;
            ++FIndex;
            return t;
        }
        const_iterator &operator--()
        {
            --FIndex;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator t = *this;
            --FIndex;
            return t;
        }
        const_iterator &operator+=(int n)
        {
            FIndex += n;
            return *this;
        }
        const_iterator &operator-=(int n)
        {
            FIndex -= n;
            return *this;
        }
        const_iterator operator+(int n) const { return const_iterator(FLines, FIndex + n); }
        const_iterator operator-(int n) const { return const_iterator(FLines, FIndex - n); }
        int operator-(const const_iterator &o) const { return FIndex - o.FIndex; }
        bool operator==(const const_iterator &o) const { return FIndex == o.FIndex; }
        auto operator<=>(const const_iterator &o) const { return FIndex <=> o.FIndex; }

    private:
        const EditLines *FLines = nullptr;
        int FIndex = 0;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, FSize); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // The break tag of line i (0 <= i < size), and setting it.
    std::uint8_t BreakTag(int i) const;
    void SetBreakTag(int i, std::uint8_t tag);
    // Appends lines as a chunk of their own (at most twice ChunkLines of
    // them), with their tags (empty: all 0). For a loader that builds its
    // lines chunk by chunk.
    void AppendChunk(QStringList lines, QList<std::uint8_t> tags = {});

    // The length of the longest line; 0 for no line. Each chunk remembers its
    // longest line until it changes, so after an edit only the changed chunk
    // is measured again.
    int MaxLength() const;

    // The number of chunks (for tests and measurements).
    int ChunkCount() const { return int(FChunks.size()); }

private:
    void Assign(const QStringList &lines);
    // The chunk holding line i (0 <= i < size) and the line's index in it.
    int ChunkOf(int i, int &inChunk) const;
    // Chunk starts from chunk c on are recomputed.
    void Restart(int c);

    // Chunk c changed: its longest line is measured again when asked for.
    void Touch(int c) const { FChunkMax[c] = -1; }

    struct Chunk {
        QStringList Lines;
        QList<std::uint8_t> Tags;   // empty while every tag is 0
        qsizetype size() const { return Lines.size(); }
    };

    QList<Chunk> FChunks;
    QList<int> FStarts;   // index of each chunk's first line
    mutable QList<int> FChunkMax;   // longest line of each chunk; -1 when not known
    int FSize = 0;
};
