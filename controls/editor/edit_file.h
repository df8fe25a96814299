// Loading and saving the editor's text files, so that saving an unchanged
// text gives back the file's bytes for every file:
// - Encoding: UTF-8, and Windows-1251 only for a file that is not UTF-8 at
//   all (bytes that are not UTF-8 and no more valid multi-byte characters
//   than such bytes; a byte order mark always means UTF-8). Exactly one
//   leading UTF-8 byte order mark is the file's; what follows it is text.
// - Bytes that the encoding cannot read (not UTF-8 in a UTF-8 file, 0x98 in
//   Windows-1251) are carried through as one private character each,
//   U+F780 + (byte - 0x80), and written back as that byte. A UTF-8 character
//   of that range is itself carried as its three bytes, so that no file
//   reads as a carried byte it does not hold. Characters of that range are
//   therefore always written as single bytes.
// - Line breaks: a file with an LF breaks its lines at each LF (LF or CR LF,
//   the more frequent one is the file's line break, a line that ended with
//   the other one keeps it through its break tag); a CR that is not before
//   an LF is then text. A file without an LF breaks its lines at CR.
//   Whether the last line ends with a break is noted too.
// Files are read and decoded in pieces, the lines built chunk by chunk with
// the characters of each chunk in one shared buffer, so that a large file
// never stands in memory as bytes, a whole UTF-16 text and lines at once.
// Saving writes a temporary file beside the target and renames it over the
// target (keeping its permissions), so the target is the old or the new
// file, never half of one.
#pragma once

#include <QByteArray>
#include <QString>

#include "controls/editor/edit_lines.h"

enum class EditEncoding { Utf8, Windows1251 };

struct EditFileFormat {
    EditEncoding Encoding = EditEncoding::Utf8;
    QByteArray LineBreak = "\n";   // the file's main line break; a new text gets LF
    bool FinalBreak = true;   // the last line ends with a line break
    bool Bom = false;   // UTF-8 with a byte order mark

    bool operator==(const EditFileFormat &) const = default;
};

namespace EditFile {

// The break tag of a line that ended with the other of LF and CR LF.
inline constexpr std::uint8_t OtherBreak = 1;
// The first of the private characters that carry undecodable bytes 0x80..0xFF.
inline constexpr char16_t CarriedBase = 0xF780;

// Splits file bytes into lines and notes their format; the bytes are decoded
// `piece` bytes at a time, as a file is read.
EditLines Decode(const QByteArray &bytes, EditFileFormat &format, qsizetype piece = 1 << 20);
// The bytes of the lines in the given format. lossless is cleared when a
// character has no place in the format's code page (it is written as '?').
QByteArray Encode(const EditLines &lines, const EditFileFormat &format, bool *lossless = nullptr);
// True when every character of the lines has a place in the format's encoding.
bool Fits(const EditLines &lines, const EditFileFormat &format);

// Reads a regular file (nothing else is opened, so nothing ever blocks).
// False, with the reason, when the file is missing, not a regular file or
// cannot be read; lines and format are then unchanged.
bool Read(const QString &name, EditLines &lines, EditFileFormat &format, QString *reason = nullptr);
// Writes the lines in the format atomically; false, with the reason, when
// the file was not written (the old file is then untouched).
bool Write(const QString &name, const EditLines &lines, const EditFileFormat &format, QString *reason = nullptr);

}   // namespace EditFile
