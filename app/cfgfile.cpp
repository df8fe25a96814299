#include "app/cfgfile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/regular_file.h"

namespace {

// Only this many characters after "[" make a section name, and "=" must
// occur within this many characters for a line to be a key line.
constexpr size_t kNameWindow = 127;
// Get number reads the value through a buffer of this size.
constexpr size_t kNumberBuffer = 32;

struct CfgFile {
    std::string path;   // full path; empty when the name has none
    bool hasPath = false;
    std::vector<std::string> lines;   // without line breaks
    bool modified = false;
    bool indexValid = false;
    std::vector<int> sectionIndex;   // line numbers of all header lines
};

// The handle table. No lock: the library is used from one thread only.
std::unique_ptr<CfgFile> g_slots[kCfgSlots];

CfgFile *FileOf(int handle)
{
    if (handle < kCfgFirstHandle || handle >= kCfgFirstHandle + kCfgSlots)
        return nullptr;
    return g_slots[handle - kCfgFirstHandle].get();
}

char Fold(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool EqualFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

bool IsHeader(const std::string &line)
{
    return !line.empty() && line[0] == '[';
}

std::string_view SectionName(const std::string &line)
{
    std::string_view rest = std::string_view(line).substr(1, kNameWindow);
    size_t close = rest.find(']');
    return close == std::string_view::npos ? rest : rest.substr(0, close);
}

// Position of the "=" that makes a key line, or npos.
size_t KeyEquals(const std::string &line)
{
    return std::string_view(line).substr(0, kNameWindow).find('=');
}

bool HasLineBreak(const char *text)
{
    return text && std::strpbrk(text, "\r\n") != nullptr;
}

void BuildIndex(CfgFile &f)
{
    if (f.indexValid)
        return;
    f.sectionIndex.clear();
    for (size_t i = 0; i < f.lines.size(); ++i)
        if (IsHeader(f.lines[i]))
            f.sectionIndex.push_back(int(i));
    f.indexValid = true;
}

// Full path of a name against the current directory; false when there is
// none (no name, or the current directory is unknown).
bool FullPath(const char *name, std::string &out)
{
    if (!name || !*name)
        return false;
    if (name[0] == '/') {
        out = name;
        return true;
    }
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd || cwd.get()[0] != '/')
        return false;
    out = cwd.get();
    if (out.back() != '/')
        out += '/';
    out += name;
    return true;
}

void SplitLines(const std::string &data, std::vector<std::string> &lines)
{
    size_t start = 0;
    while (start < data.size()) {
        size_t nl = data.find('\n', start);
        if (nl == std::string::npos) {
            lines.emplace_back(data, start);
            break;
        }
        size_t end = nl;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.emplace_back(data, start, end - start);
        start = nl + 1;
    }
}

// Reads the whole file into lines. A missing file is created empty; a file
// that exists but cannot be read, or is not a regular file (a FIFO would
// block, a device never end), is left alone and the load fails, as does a
// file over the size bound.
int Load(CfgFile &f)
{
    f.lines.clear();
    f.sectionIndex.clear();
    f.modified = false;
    f.indexValid = false;
    if (!f.hasPath)
        return CFG_OK;
    std::string data;
    switch (ReadRegularFile(f.path.c_str(), kCfgFileLimit, data)) {
    case FileRead::Ok: SplitLines(data, f.lines); return CFG_OK;
    case FileRead::Missing: {
        const int fd = open(f.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return CFG_ERR_CREATE;
        close(fd);
        return CFG_OK;
    }
    case FileRead::TooLarge: return CFG_ERR_TOO_LARGE;
    case FileRead::NotReadable:
    case FileRead::NotRegular: break;
    }
    return CFG_ERR_CREATE;
}

bool WriteAll(int fd, const std::string &data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Writes the lines to a temporary file beside the target and renames it over
// the target, so the target is either the old or the new file, never half of
// one. A symbolic link is followed: the file it points to is replaced.
bool Rewrite(const CfgFile &f)
{
    std::string target = f.path;
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(realpath(target.c_str(), nullptr), &std::free);
        if (real)
            target = real.get();
    }
    const bool exists = stat(target.c_str(), &st) == 0;
    // Never replace a FIFO or a device node (the name may have changed
    // since the load) with a plain file.
    if (exists && !S_ISREG(st.st_mode))
        return false;

    // A new name beside the target; created with 0666 so that the umask
    // applies to a file that did not exist before.
    const size_t slash = target.rfind('/');
    const std::string stem =
        target.substr(0, slash + 1) + "." + target.substr(slash + 1) + "." + std::to_string(getpid()) + ".";
    static unsigned counter = 0;
    std::string tmp;
    int fd = -1;
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
        tmp = stem + std::to_string(counter++);
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return false;
    if (exists && (st.st_uid != geteuid() || st.st_gid != getegid()))
        (void)!fchown(fd, st.st_uid, st.st_gid);   // best effort (needs privileges)

    std::string data;
    for (const std::string &line : f.lines) {
        data += line;
        // A line that ends in CR keeps it only when CR LF follows: a lone LF
        // would make its CR part of the line break at the next load.
        if (!line.empty() && line.back() == '\r')
            data += '\r';
        data += '\n';
    }
    bool ok = (!exists || fchmod(fd, st.st_mode & 07777) == 0) && WriteAll(fd, data) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

int FindIn(CfgFile &f, const char *section, const char *key, int occurrence)
{
    size_t start = 0;
    int header = -1;
    if (section) {
        BuildIndex(f);
        for (int h : f.sectionIndex) {
            if (EqualFolded(SectionName(f.lines[size_t(h)]), section)) {
                header = h;
                break;
            }
        }
        if (header < 0)
            return CFG_ERR_NO_SECTION;
        start = size_t(header) + 1;
    }
    if (!key)
        return header;
    for (size_t i = start; i < f.lines.size() && !IsHeader(f.lines[i]); ++i) {
        const std::string &line = f.lines[i];
        size_t eq = KeyEquals(line);
        if (eq == std::string::npos)
            continue;
        if (!EqualFolded(std::string_view(line).substr(0, eq), key))
            continue;
        if (occurrence >= 2) {
            --occurrence;
            continue;
        }
        return int(i);
    }
    return CFG_ERR_NO_KEY;
}

void InsertAt(CfgFile &f, int line, std::string text)
{
    if (line < 0)
        line = 0;
    if (size_t(line) > f.lines.size())
        line = int(f.lines.size());
    f.lines.insert(f.lines.begin() + line, std::move(text));
    f.modified = true;
    f.indexValid = false;
}

// The "%i" conversion of scanf: false when the text holds no number.
bool ScanInteger(const char *s, int32_t &out)
{
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    uint32_t base = 10;
    if (*s == '0') {
        if (s[1] == 'x' || s[1] == 'X') {
            base = 16;
            s += 2;
        } else {
            base = 8;
        }
    }
    uint32_t value = 0;
    bool any = false;
    for (;; ++s) {
        uint32_t d;
        if (*s >= '0' && *s <= '9')
            d = uint32_t(*s - '0');
        else if (*s >= 'a' && *s <= 'f')
            d = uint32_t(*s - 'a' + 10);
        else if (*s >= 'A' && *s <= 'F')
            d = uint32_t(*s - 'A' + 10);
        else
            break;
        if (d >= base)
            break;
        value = value * base + d;   // wraps modulo 2^32
        any = true;
    }
    if (!any)   // no digit, or "0x" without a hexadecimal digit
        return false;
    out = int32_t(negative ? 0u - value : value);
    return true;
}

}   // namespace

int CfgOpen(const char *fileName)
{
    int slot = 0;
    while (slot < kCfgSlots && g_slots[slot])
        ++slot;
    if (slot == kCfgSlots)
        return CFG_ERR_NO_SLOT;
    try {
        auto f = std::make_unique<CfgFile>();
        f->hasPath = FullPath(fileName, f->path);
        int r = Load(*f);
        if (r < 0)
            return r;
        g_slots[slot] = std::move(f);
    } catch (const std::bad_alloc &) {
        return CFG_ERR_MEMORY;
    }
    return kCfgFirstHandle + slot;
}

int CfgClose(int handle)
{
    CfgFile *f = FileOf(handle);
    if (!f)
        return CFG_ERR_HANDLE;
    int result = CFG_OK;
    if (f->hasPath && f->modified) {
        try {
            if (!Rewrite(*f))
                result = CFG_ERR_WRITE;
        } catch (const std::bad_alloc &) {
            result = CFG_ERR_WRITE;
        }
    }
    g_slots[handle - kCfgFirstHandle].reset();
    return result;
}

int CfgFind(int handle, const char *section, const char *key, int occurrence)
{
    CfgFile *f = FileOf(handle);
    if (!f)
        return CFG_ERR_HANDLE;
    try {
        return FindIn(*f, section, key, occurrence);
    } catch (const std::bad_alloc &) {
        return CFG_ERR_MEMORY;
    }
}

int CfgGetStr(int handle, const char *section, const char *key, const char *defText, char *dest, size_t capacity,
              int occurrence)
{
    int r = key ? CfgFind(handle, section, key, occurrence) : CFG_ERR_NO_KEY;
    if (r == CFG_ERR_NO_KEY && !FileOf(handle))
        r = CFG_ERR_HANDLE;
    std::string_view value = defText ? defText : "";
    if (r >= 0) {
        const std::string &line = FileOf(handle)->lines[size_t(r)];
        value = std::string_view(line).substr(KeyEquals(line) + 1);
        r = CFG_OK;
    }
    if (dest && capacity > 0) {
        size_t n = value.size() < capacity - 1 ? value.size() : capacity - 1;
        std::memcpy(dest, value.data(), n);
        dest[n] = '\0';
    }
    return r;
}

int CfgGetNum(int handle, const char *section, const char *key, int32_t defNum, void *dest, int destSize,
              int occurrence)
{
    if (destSize != 1 && destSize != 2 && destSize != 4)
        return CFG_ERR_RANGE;
    char text[kNumberBuffer];
    int r = CfgGetStr(handle, section, key, nullptr, text, sizeof text, occurrence);
    int32_t value = defNum;
    if (r != CFG_OK || !ScanInteger(text, value))
        value = defNum;
    if (dest) {
        if (destSize == 1) {
            int8_t v = int8_t(value);
            std::memcpy(dest, &v, 1);
        } else if (destSize == 2) {
            int16_t v = int16_t(value);
            std::memcpy(dest, &v, 2);
        } else {
            std::memcpy(dest, &value, 4);
        }
    }
    return r;
}

int32_t CfgGetInt(int handle, const char *section, const char *key, int32_t defNum, int occurrence)
{
    int32_t value = defNum;
    CfgGetNum(handle, section, key, defNum, &value, 4, occurrence);
    return value;
}

int CfgSetStr(int handle, const char *section, const char *key, const char *value, int occurrence)
{
    CfgFile *f = FileOf(handle);
    if (!f)
        return CFG_ERR_HANDLE;
    if (!key)
        return CFG_ERR_NO_KEY;
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return CFG_ERR_LINE_BREAK;
    try {
        std::string text = std::string(key) + "=" + (value ? value : "");
        int r = FindIn(*f, section, key, occurrence);
        if (r >= 0)
            return CfgReplaceLine(handle, r, text.c_str());
        if (r != CFG_ERR_NO_KEY && r != CFG_ERR_NO_SECTION)
            return r;
        f->lines.reserve(f->lines.size() + 3);
        if (!section || r == CFG_ERR_NO_KEY) {
            // After the last non-empty line of the section, so blank lines that
            // end it stay in front of the next header. Without a section the
            // key belongs before the first header, where it will be found again.
            int last = section ? FindIn(*f, section, nullptr, 0) : -1;
            for (size_t i = size_t(last + 1); i < f->lines.size() && !IsHeader(f->lines[i]); ++i)
                if (!f->lines[i].empty())
                    last = int(i);
            InsertAt(*f, last + 1, std::move(text));
        } else {
            if (!f->lines.empty() && !f->lines.back().empty())
                InsertAt(*f, INT_MAX, std::string());
            InsertAt(*f, INT_MAX, "[" + std::string(section) + "]");
            InsertAt(*f, INT_MAX, std::move(text));
        }
        return CFG_OK;
    } catch (const std::bad_alloc &) {
        return CFG_ERR_MEMORY;
    }
}

int CfgSetInt(int handle, const char *section, const char *key, int32_t value, int occurrence)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", int(value));
    return CfgSetStr(handle, section, key, text, occurrence);
}

const char *CfgLine(int handle, int line)
{
    CfgFile *f = FileOf(handle);
    if (!f || line < 0 || size_t(line) >= f->lines.size())
        return nullptr;
    return f->lines[size_t(line)].c_str();
}

int CfgLineCount(int handle)
{
    CfgFile *f = FileOf(handle);
    return f ? int(f->lines.size()) : CFG_ERR_HANDLE;
}

int CfgReplaceLine(int handle, int line, const char *text)
{
    CfgFile *f = FileOf(handle);
    if (!f)
        return CFG_ERR_HANDLE;
    if (line < 0 || size_t(line) >= f->lines.size())
        return CFG_ERR_RANGE;
    if (HasLineBreak(text))
        return CFG_ERR_LINE_BREAK;
    if (!text)
        text = "";
    std::string &old = f->lines[size_t(line)];
    if (old == text)
        return CFG_OK;
    try {
        // A header that appears or disappears changes the section index.
        if (IsHeader(old) || text[0] == '[')
            f->indexValid = false;
        old = text;
    } catch (const std::bad_alloc &) {
        return CFG_ERR_MEMORY;
    }
    f->modified = true;
    return CFG_OK;
}

int CfgInsertLine(int handle, int line, const char *text)
{
    CfgFile *f = FileOf(handle);
    if (!f)
        return CFG_ERR_HANDLE;
    if (HasLineBreak(text))
        return CFG_ERR_LINE_BREAK;
    try {
        InsertAt(*f, line, text ? text : "");
    } catch (const std::bad_alloc &) {
        return CFG_ERR_MEMORY;
    }
    return CFG_OK;
}
