#pragma once
// A small library for sectioned name=value text files ("[SECTION]" headers,
// "Name=Value" lines), read whole into memory and written back in place.
//
// A file is opened with CfgOpen, which returns a handle 1000..1063; reads and
// writes work on the in-memory lines; CfgClose writes the file back when a
// line changed and releases the handle. Lines the caller does not touch
// (comments, blank lines, other keys) keep their text and their place.
//
// Matching rules:
//  - A line starting with "[" is a section header; its name is the text after
//    "[" up to the first "]" (or the end of the line), of which only the first
//    127 characters count. Nothing is trimmed.
//  - A line is a key line when "=" occurs in its first 127 characters. Its
//    name is the text before the first "=", its value the whole rest.
//  - Names are compared with the letters a..z folded to upper case; every
//    other byte must match exactly.
//  - When a section name occurs more than once, only the first is used. An
//    occurrence number n >= 2 picks the n-th key line of a name in the
//    section; 0 or 1 picks the first.
//
// Files are UTF-8 bytes. Lines end at LF; the CR of a CR LF pair is dropped
// on reading; lines are written with LF. A rewrite goes to a temporary file
// in the same directory that is then renamed over the old file (which keeps
// its permissions), so a failed rewrite leaves the old file untouched.
//
// Threads: the handle table and the in-memory files have no lock. Use the
// library from one thread only (the program uses it from the GUI thread).

#include <cstddef>
#include <cstdint>

enum : int {
    CFG_OK = 0,
    CFG_ERR_RANGE = -1,   // line index out of range; number size not 1, 2 or 4
    CFG_ERR_MEMORY = -2,   // out of memory
    CFG_ERR_WRITE = -3,   // the file could not be rewritten
    CFG_ERR_HANDLE = -4,   // not the handle of an open file
    CFG_ERR_CREATE = -5,   // the file could be neither read nor created
    CFG_ERR_NO_SLOT = -6,   // all 64 handles are in use
    CFG_ERR_NO_SECTION = -7,   // no section of that name
    CFG_ERR_NO_KEY = -8,   // no such key (or fewer occurrences than asked)
    CFG_ERR_LINE_BREAK = -9,   // a text to be stored contains CR or LF
    CFG_ERR_TOO_LARGE = -10,   // the file is larger than kCfgFileLimit
};

inline constexpr int kCfgFirstHandle = 1000;
inline constexpr int kCfgSlots = 64;
// Files larger than this are refused (CFG_ERR_TOO_LARGE), never read.
inline constexpr size_t kCfgFileLimit = size_t{16} << 20;   // 16 MiB

// Opens a file: the name is made a full path against the current directory.
// A missing file is created empty. An existing file that cannot be read, or
// that is not a regular file (a FIFO, a device, a directory; links are
// followed), is neither created nor truncated: the open fails with
// CFG_ERR_CREATE. A file over kCfgFileLimit bytes fails with
// CFG_ERR_TOO_LARGE. A failed open leaves nothing to write back, so such a
// path is never rewritten. When the name cannot be made a full path, the
// handle holds an empty file without a path whose changes are dropped at
// close.
// Returns a handle, or CFG_ERR_MEMORY, CFG_ERR_CREATE, CFG_ERR_NO_SLOT,
// CFG_ERR_TOO_LARGE.
int CfgOpen(const char *fileName);

// Writes the file back when a line changed and releases the handle.
// Returns 0, CFG_ERR_WRITE when the rewrite failed (the file on disk is then
// unchanged and the changes are lost), or CFG_ERR_HANDLE.
int CfgClose(int handle);

// Line number of the occurrence-th key line of `key` in the first section
// named `section` (section may be null: the lines before the first header).
// With no key: the line number of the section header, or -1 when no section
// is given either. Failures: CFG_ERR_MEMORY, CFG_ERR_HANDLE,
// CFG_ERR_NO_SECTION, CFG_ERR_NO_KEY.
int CfgFind(int handle, const char *section, const char *key, int occurrence = 0);

// Copies the key's value (or defText, or "" when defText is null) into dest,
// at most capacity - 1 bytes and a NUL; dest is filled in every case when
// capacity > 0. Returns 0 when the key was found, else CfgFind's result.
int CfgGetStr(int handle, const char *section, const char *key, const char *defText, char *dest, size_t capacity,
              int occurrence = 0);

// Reads the key's value as an integer with the rules of scanf's "%i" (blanks
// skipped, optional sign, "0x" hexadecimal, leading "0" octal, else decimal,
// trailing text ignored; digits beyond 32 bits wrap). When the key is missing
// or holds no number, defNum is used. The value is stored into dest as a 1-,
// 2- or 4-byte integer (truncated). Returns 0 when the key was found, else
// CfgFind's result; CFG_ERR_RANGE (nothing stored) for another size.
int CfgGetNum(int handle, const char *section, const char *key, int32_t defNum, void *dest, int destSize,
              int occurrence = 0);

// CfgGetNum with a 4-byte destination; returns the value.
int32_t CfgGetInt(int handle, const char *section, const char *key, int32_t defNum, int occurrence = 0);

// Sets key=value: an existing key line is replaced (with the key spelled as
// given here); a missing key is inserted after the last non-empty line of its
// section; a missing section is appended, after an empty line when the file's
// last line is not empty. With no section the key goes after the last
// non-empty line before the first header (where CfgFind looks for it).
// A section, key or value holding CR or LF is refused with CFG_ERR_LINE_BREAK
// and nothing changes. A null key gives CFG_ERR_NO_KEY; a null value is "".
// Returns 0, CFG_ERR_MEMORY, CFG_ERR_HANDLE, CFG_ERR_LINE_BREAK or another
// failure of CfgFind.
int CfgSetStr(int handle, const char *section, const char *key, const char *value, int occurrence = 0);

// Sets the value in decimal.
int CfgSetInt(int handle, const char *section, const char *key, int32_t value, int occurrence = 0);

// The text of a line, without its line break; null for a bad handle or line
// number. The pointer stays valid until the file is next changed or closed.
const char *CfgLine(int handle, int line);

// Number of lines, or CFG_ERR_HANDLE.
int CfgLineCount(int handle);

// Replaces a line. The same text (exactly, letter case included) changes
// nothing and does not mark the file modified.
// Returns 0, CFG_ERR_RANGE, CFG_ERR_MEMORY, CFG_ERR_HANDLE, CFG_ERR_LINE_BREAK.
int CfgReplaceLine(int handle, int line, const char *text);

// Inserts a line before `line`; a line number at or past the end appends, a
// negative one inserts at the start.
// Returns 0, CFG_ERR_MEMORY, CFG_ERR_HANDLE, CFG_ERR_LINE_BREAK.
int CfgInsertLine(int handle, int line, const char *text);
