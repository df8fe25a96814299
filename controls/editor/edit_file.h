// Loading and saving the editor's text files. A file is read as UTF-8; a
// file that is not valid UTF-8 is read as Windows-1251. The encoding, the
// line break (the first one found: LF, CR LF or CR), a UTF-8 byte order mark
// and whether the last line ends with a break are remembered, so that
// saving an unchanged text gives the same bytes. Saving writes a temporary
// file beside the target and renames it over the target (keeping its
// permissions), so the target is the old or the new file, never half of one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class EditEncoding { Utf8, Windows1251 };

struct EditFileFormat {
    EditEncoding Encoding = EditEncoding::Utf8;
    QByteArray LineBreak = "\n";   // a new text gets the platform's line break
    bool FinalBreak = true;   // the last line ends with a line break
    bool Bom = false;   // UTF-8 with a byte order mark

    bool operator==(const EditFileFormat &) const = default;
};

namespace EditFile {

// Splits file bytes into lines and notes their format.
QStringList Decode(const QByteArray &bytes, EditFileFormat &format);
// The bytes of the lines in the given format. lossless is cleared when a
// character has no place in the format's code page.
QByteArray Encode(const QStringList &lines, const EditFileFormat &format, bool *lossless = nullptr);

// Reads a regular file (nothing else is opened, so nothing ever blocks).
// False, with the reason, when the file is missing, not a regular file or
// cannot be read; lines and format are then unchanged.
bool Read(const QString &name, QStringList &lines, EditFileFormat &format, QString *reason = nullptr);
// Writes atomically; false, with the reason, when the file was not written
// (the old file is then untouched).
bool Write(const QString &name, const QByteArray &bytes, QString *reason = nullptr);

}   // namespace EditFile
