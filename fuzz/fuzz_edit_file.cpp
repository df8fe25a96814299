// The editor's file loader and saver on arbitrary file contents: a file
// loaded and saved unchanged gives back its bytes; so does one loaded, given
// one typed character (at a place and of a kind the input chooses), that
// character undone, and saved. The bytes are also decoded in small pieces,
// which must give the lines of the whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "controls/editor/edit_keys.h"
#include "controls/editor/edit_model.h"
#include "fuzz/fuzz_dir.h"

namespace {

QByteArray ReadBack(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        __builtin_trap();
    return f.readAll();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString in = QString::fromStdString(FuzzDir() + "/in.txt");
    static const QString out = QString::fromStdString(FuzzDir() + "/out.txt");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    WriteInput(in.toStdString(), data, size);

    EditModel m;
    if (!m.LoadFromFile(in))
        __builtin_trap();
    if (!m.SaveToFile(out) || ReadBack(out) != bytes)
        __builtin_trap();

    // Pieces of 1 to 7 bytes give the same lines and format.
    EditFileFormat whole;
    const EditLines lines = EditFile::Decode(bytes, whole);
    EditFileFormat pieced;
    const EditLines again = EditFile::Decode(bytes, pieced, qsizetype(1 + size % 7));
    if (!(again == lines) || !(pieced == whole) || !(lines == m.Lines()))
        __builtin_trap();

    // One typed character and its undo. The place and the character come
    // from the input's first bytes.
    if (size >= 2) {
        const int line = data[0] % m.LineCount();
        const int col = data[1] % (m.Lines().at(line).size() + 2);
        static const char16_t typed[] = {u'x', u' ', u'\u00fc', u'\u4e2d', u'\t', u'(', u'\u0416'};
        m.SetCursor(line, col);
        EditKeys::KeyPress(m, QChar(typed[size % (sizeof typed / sizeof typed[0])]));
        if (m.UNDO() == 2)
            m.UNDO();
        // A character the code page cannot hold was typed and undone: the
        // text fits again, so no question is asked (the model answers no).
        if (!m.SaveToFile(out) || ReadBack(out) != bytes)
            __builtin_trap();
    }
    return 0;
}
