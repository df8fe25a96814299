// The settings library: matching rules, number reading, insertion rules,
// handles, line endings and the rewrite.

#include "app/cfgfile.h"
#include "tests/app/test_dir.h"

#include <algorithm>
#include <csignal>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// Opens a file holding `text` and closes it at the end of the scope.
struct Opened {
    explicit Opened(const std::string &text, const char *name = "t.ini")
    {
        WriteText(name, text);
        h = CfgOpen(name);
    }
    ~Opened()
    {
        if (h >= kCfgFirstHandle)
            CfgClose(h);
    }
    int Close()
    {
        int r = CfgClose(h);
        h = -1;
        return r;
    }
    static void WriteText(const char *name, const std::string &text)
    {
        std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
    }
    int h;
};

ino_t Inode(const char *name)
{
    struct stat st {};
    stat(name, &st);
    return st.st_ino;
}

class CfgTest : public TempDirTest {};

TEST_F(CfgTest, FindFollowsTheMatchingRules)
{
    const std::string s127(127, 'S'), s130(130, 'S');
    const std::string a126(126, 'a'), b127(127, 'b');
    const std::string text = "top=0\n"   // 0
                             "[Alpha]\n"   // 1
                             "key=1\n"   // 2
                             "KEY=2\n"   // 3
                             "Ke y=3\n"   // 4
                             "\xC3\xA4key=4\n"   // 5  (a national letter)
                             "[alpha]\n"   // 6
                             "key=9\n"   // 7
                             "[Beta\n"   // 8
                             "name=b\n"   // 9
                             "[Gamma]x\n"   // 10
                             "k=g\n"   // 11
                             "[" +
                             s130 +
                             "]\n"   // 12
                             "k=long\n"   // 13
                             + a126 + "=v\n"   // 14
                             + b127 +
                             "=v\n"   // 15
                             "[Trail ]\n"   // 16
                             "k=t\n";   // 17
    Opened f(text);
    ASSERT_EQ(f.h, kCfgFirstHandle);
    struct Case {
        const char *section;
        std::string key;
        int occurrence;
        int want;
    };
    const Case cases[] = {
        {nullptr, "top", 0, 0},
        {nullptr, "key", 0, CFG_ERR_NO_KEY},   // no section: only lines before the first header
        {"ALPHA", "key", 0, 2},
        {"alpha", "key", 1, 2},
        {"Alpha", "kEy", 2, 3},   // the second occurrence
        {"Alpha", "key", 3, CFG_ERR_NO_KEY},   // the second [alpha] section is never searched
        {"Alpha", "Ke y", 0, 4},
        {"Alpha", "Key", 5, CFG_ERR_NO_KEY},
        {"Alpha", "\xC3\xA4KEY", 0, 5},
        {"Alpha", "\xC3\x84KEY", 0, CFG_ERR_NO_KEY},   // only a..z are folded
        {"Beta", "name", 0, 9},
        {"gamma", "k", 0, 11},
        {s127.c_str(), "k", 0, 13},   // only 127 characters of a name count
        {s130.c_str(), "k", 0, CFG_ERR_NO_SECTION},
        {s127.c_str(), a126, 0, 14},   // "=" at position 127 still counts
        {s127.c_str(), b127, 0, CFG_ERR_NO_KEY},   // "=" at position 128 does not
        {"Trail", "k", 0, CFG_ERR_NO_SECTION},   // blanks are not trimmed
        {"Trail ", "k", 0, 17},
        {"Nope", "key", 0, CFG_ERR_NO_SECTION},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CfgFind(f.h, c.section, c.key.c_str(), c.occurrence), c.want)
            << (c.section ? c.section : "(none)") << " / " << c.key << " #" << c.occurrence;
    EXPECT_EQ(CfgFind(f.h, "alpha", nullptr, 0), 1);
    EXPECT_EQ(CfgFind(f.h, nullptr, nullptr, 0), -1);
}

// Every letter folds, in section and key names alike, and nothing beside
// the letters: the bytes next to A..Z and a..z in ASCII stay themselves.
TEST_F(CfgTest, NamesFoldEveryLetterAndNothingElse)
{
    const std::string lower = "abcdefghijklmnopqrstuvwxyz", upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Opened f("[" + lower + "]\n" + lower + "=1\n[`{|}~]\n`{|}~=2\n");
    struct Case {
        std::string section, key;
        int want;
    };
    const Case cases[] = {
        {upper, upper, 1},
        {lower, lower, 1},
        {"`{|}~", "`{|}~", 3},
        {"@[\\]^", "`{|}~", CFG_ERR_NO_SECTION},   // 0x40 0x5B..0x5E: one bit away, no letters
        {"`{|}~", "@[\\]^", CFG_ERR_NO_KEY},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CfgFind(f.h, c.section.c_str(), c.key.c_str()), c.want) << c.section << " / " << c.key;
}

TEST_F(CfgTest, GetStrCopiesTheValueOrTheDefault)
{
    Opened f("[S]\nk=a=b=c\nempty=\nsp = x\n");
    char buf[8];
    EXPECT_EQ(CfgGetStr(f.h, "S", "k", "d", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "a=b=c");
    EXPECT_EQ(CfgGetStr(f.h, "S", "empty", "d", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(CfgGetStr(f.h, "S", "sp", "d", buf, sizeof buf), CFG_ERR_NO_KEY);
    EXPECT_STREQ(buf, "d");
    EXPECT_EQ(CfgGetStr(f.h, "S", "sp ", "d", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, " x");
    EXPECT_EQ(CfgGetStr(f.h, "T", "k", nullptr, buf, sizeof buf), CFG_ERR_NO_SECTION);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(CfgGetStr(f.h, "S", "k", nullptr, buf, 4), 0);   // capacity counts the NUL
    EXPECT_STREQ(buf, "a=b");
    EXPECT_EQ(CfgGetStr(kCfgFirstHandle + 5, "S", "k", "dflt", buf, sizeof buf), CFG_ERR_HANDLE);
    EXPECT_STREQ(buf, "dflt");
}

TEST_F(CfgTest, GetNumReadsLikeScanfPercentI)
{
    struct Case {
        const char *value;
        int32_t want;
    };
    const Case cases[] = {
        {"0x100", 256}, {"0X1f", 31},   {"010", 8},        {"08", 0},
        {"0", 0},       {"abc", -5},    {"7 stations", 7}, {"  -12", -12},
        {"\t+42", 42},  {"-0x10", -16}, {"", -5},          {"0x", -5},
        {"0xg", -5},    {"- 5", -5},    {"4294967297", 1}, {"-2147483648", INT32_MIN},
    };
    std::string text = "[N]\n";
    for (const Case &c : cases)
        text += std::string("v") + std::to_string(&c - cases) + "=" + c.value + "\n";
    Opened f(text);
    for (const Case &c : cases) {
        std::string key = "v" + std::to_string(&c - cases);
        int32_t got = 99;
        EXPECT_EQ(CfgGetNum(f.h, "N", key.c_str(), -5, &got, 4), 0);
        EXPECT_EQ(got, c.want) << '"' << c.value << '"';
        EXPECT_EQ(CfgGetInt(f.h, "N", key.c_str(), -5), c.want) << '"' << c.value << '"';
    }
    EXPECT_EQ(CfgGetInt(f.h, "N", "missing", 77), 77);

    Opened g("[N]\nbig=0x12345\n", "g.ini");
    int8_t b = 0;
    int16_t w = 0;
    char untouched[4] = {1, 2, 3, 4};
    EXPECT_EQ(CfgGetNum(g.h, "N", "big", 0, &b, 1), 0);
    EXPECT_EQ(b, 0x45);
    EXPECT_EQ(CfgGetNum(g.h, "N", "big", 0, &w, 2), 0);
    EXPECT_EQ(w, 0x2345);
    EXPECT_EQ(CfgGetNum(g.h, "N", "big", 0, untouched, 3), CFG_ERR_RANGE);
    EXPECT_EQ(untouched[0], 1);
    EXPECT_EQ(CfgGetNum(g.h, "N", "none", 300, &w, 2), CFG_ERR_NO_KEY);
    EXPECT_EQ(w, 300);
}

TEST_F(CfgTest, SetStrReplacesOrInsertsAtTheRightPlace)
{
    Opened f("top=1\n"
             "\n"
             "[A]\n"
             "x=1\n"
             "\n"
             "[B]\n"
             "y=2\n"
             "\n"
             "\n"
             "[C]\n");
    EXPECT_EQ(CfgSetStr(f.h, "a", "X", "9"), 0);   // replaced, spelled as given
    EXPECT_EQ(CfgSetStr(f.h, "A", "z", "3"), 0);   // after the last non-empty line
    EXPECT_EQ(CfgSetStr(f.h, "B", "y", "5"), 0);
    EXPECT_EQ(CfgSetInt(f.h, "B", "n", -17), 0);
    EXPECT_EQ(CfgSetStr(f.h, "C", "w", ""), 0);   // empty section: after the header
    EXPECT_EQ(CfgSetStr(f.h, "D", "k", "v"), 0);   // new section after an empty line
    EXPECT_EQ(CfgSetStr(f.h, "D", "k", "v", 2), 0);   // too few occurrences: another line
    EXPECT_EQ(CfgSetStr(f.h, nullptr, "top2", "2"), 0);   // stays before the first header
    EXPECT_EQ(CfgSetStr(f.h, nullptr, "top", "0"), 0);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadFile("t.ini"), "top=0\n"
                                 "top2=2\n"
                                 "\n"
                                 "[A]\n"
                                 "X=9\n"
                                 "z=3\n"
                                 "\n"
                                 "[B]\n"
                                 "y=5\n"
                                 "n=-17\n"
                                 "\n"
                                 "\n"
                                 "[C]\n"
                                 "w=\n"
                                 "\n"
                                 "[D]\n"
                                 "k=v\n"
                                 "k=v\n");

    Opened empty("", "e.ini");
    EXPECT_EQ(CfgSetStr(empty.h, "S", "k", "v"), 0);   // no empty line in front
    EXPECT_EQ(empty.Close(), 0);
    EXPECT_EQ(ReadFile("e.ini"), "[S]\nk=v\n");
}

TEST_F(CfgTest, LineBreaksInStoredTextAreRefused)
{
    const std::string text = "[S]\nk=1\n";
    Opened f(text);
    struct stat before {};
    stat("t.ini", &before);
    EXPECT_EQ(CfgSetStr(f.h, "S", "k", "2\n[X]"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgSetStr(f.h, "S", "k", "2\r"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgSetStr(f.h, "S", "k\n", "2"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgSetStr(f.h, "S\r\nT", "k", "2"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgReplaceLine(f.h, 1, "k=2\n"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgInsertLine(f.h, 1, "a\nb"), CFG_ERR_LINE_BREAK);
    EXPECT_EQ(CfgLineCount(f.h), 2);
    EXPECT_STREQ(CfgLine(f.h, 1), "k=1");
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadFile("t.ini"), text);
    EXPECT_EQ(Inode("t.ini"), before.st_ino);
}

TEST_F(CfgTest, ReplaceAndInsertLines)
{
    Opened f("[A]\nk=1\n");
    EXPECT_EQ(CfgReplaceLine(f.h, 2, "x"), CFG_ERR_RANGE);
    EXPECT_EQ(CfgReplaceLine(f.h, -1, "x"), CFG_ERR_RANGE);
    EXPECT_EQ(CfgReplaceLine(f.h, 1, "k=1"), 0);   // same text: not modified
    const ino_t inode = Inode("t.ini");
    EXPECT_EQ(CfgInsertLine(f.h, -3, "first"), 0);
    EXPECT_EQ(CfgInsertLine(f.h, 2000000000, "last"), 0);
    EXPECT_EQ(CfgInsertLine(f.h, 2, "[B]"), 0);   // a header inserted before k=1
    EXPECT_EQ(CfgFind(f.h, "A", "k"), CFG_ERR_NO_KEY);
    EXPECT_EQ(CfgFind(f.h, "B", "k"), 3);
    EXPECT_EQ(CfgReplaceLine(f.h, 1, "[Q]"), 0);   // renaming a header is seen at once
    EXPECT_EQ(CfgFind(f.h, "Q", nullptr), 1);
    EXPECT_EQ(CfgFind(f.h, "A", nullptr), CFG_ERR_NO_SECTION);
    EXPECT_EQ(CfgReplaceLine(f.h, 2, "plain"), 0);   // and so is removing one
    EXPECT_EQ(CfgFind(f.h, "Q", "k"), 3);
    EXPECT_EQ(CfgReplaceLine(f.h, 2, "[N]"), 0);   // and writing one over a plain line
    EXPECT_EQ(CfgFind(f.h, "N", "k"), 3);
    EXPECT_EQ(CfgFind(f.h, "Q", "k"), CFG_ERR_NO_KEY);
    EXPECT_EQ(CfgReplaceLine(f.h, 2, "plain"), 0);
    EXPECT_EQ(CfgLineCount(f.h), 5);
    EXPECT_EQ(CfgLine(f.h, 5), nullptr);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadFile("t.ini"), "first\n[Q]\nplain\nk=1\nlast\n");
    EXPECT_NE(Inode("t.ini"), inode);

    Opened same("[A]\nk=1\n", "s.ini");
    const ino_t sameInode = Inode("s.ini");
    EXPECT_EQ(CfgSetStr(same.h, "A", "k", "1"), 0);
    EXPECT_EQ(same.Close(), 0);
    EXPECT_EQ(Inode("s.ini"), sameInode);   // nothing changed: not rewritten
}

// A search first builds the section index; a header then written over a
// plain line below the searched one must be found with the key under it.
TEST_F(CfgTest, HeaderWrittenOverAPlainLineAfterASearch)
{
    Opened f("[A]\nk=1\nx\nj=2\n");
    EXPECT_EQ(CfgFind(f.h, "A", "k"), 1);
    EXPECT_EQ(CfgReplaceLine(f.h, 2, "[N]"), 0);
    EXPECT_EQ(CfgFind(f.h, "N", "j"), 3);
    EXPECT_EQ(CfgFind(f.h, "A", "j"), CFG_ERR_NO_KEY);
    EXPECT_EQ(CfgFind(f.h, "A", "k"), 1);
}

TEST_F(CfgTest, HandleTableHas64Slots)
{
    std::vector<int> handles;
    for (int i = 0; i < kCfgSlots; ++i) {
        handles.push_back(CfgOpen("t.ini"));
        EXPECT_EQ(handles.back(), kCfgFirstHandle + i);
    }
    EXPECT_EQ(CfgOpen("t.ini"), CFG_ERR_NO_SLOT);
    EXPECT_EQ(CfgClose(1005), 0);
    EXPECT_EQ(CfgOpen("t.ini"), 1005);   // the lowest empty slot
    for (int h : handles)
        EXPECT_EQ(CfgClose(h), 0);

    char buf[4];
    int32_t n;
    for (int bad : {0, 999, 1000, 1064, -4}) {
        EXPECT_EQ(CfgClose(bad), CFG_ERR_HANDLE) << bad;
        EXPECT_EQ(CfgFind(bad, "S", "k"), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgGetStr(bad, "S", "k", nullptr, buf, sizeof buf), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgGetNum(bad, "S", "k", 0, &n, 4), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgGetInt(bad, "S", "k", 12), 12);
        EXPECT_EQ(CfgSetStr(bad, "S", "k", "v"), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgSetInt(bad, "S", "k", 1), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgLine(bad, 0), nullptr);
        EXPECT_EQ(CfgLineCount(bad), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgReplaceLine(bad, 0, "x"), CFG_ERR_HANDLE);
        EXPECT_EQ(CfgInsertLine(bad, 0, "x"), CFG_ERR_HANDLE);
    }
}

TEST_F(CfgTest, TwoHandlesOnOneFileAreIndependent)
{
    std::ofstream("t.ini") << "[S]\nk=0\n";
    int a = CfgOpen("t.ini"), b = CfgOpen("t.ini");
    ASSERT_GE(a, kCfgFirstHandle);
    ASSERT_GE(b, kCfgFirstHandle);
    EXPECT_EQ(CfgSetInt(a, "S", "k", 1), 0);
    EXPECT_EQ(CfgGetInt(b, "S", "k", -1), 0);
    EXPECT_EQ(CfgSetInt(b, "S", "k", 2), 0);
    EXPECT_EQ(CfgClose(b), 0);
    EXPECT_EQ(CfgClose(a), 0);   // closed last: decides the contents
    EXPECT_EQ(ReadFile("t.ini"), "[S]\nk=1\n");
}

TEST_F(CfgTest, LineEndingsAndLongLines)
{
    const std::string l1500(1500, 'L'), l1023(1023, 'M');
    Opened f("k=1\r\n" + l1500 + "\r\n" + l1023 + "\nx\ry=2\n\r\nlast");
    ASSERT_EQ(CfgLineCount(f.h), 6);
    EXPECT_EQ(CfgLine(f.h, 1), l1500);
    EXPECT_EQ(CfgLine(f.h, 2), l1023);
    EXPECT_STREQ(CfgLine(f.h, 3), "x\ry=2");
    EXPECT_STREQ(CfgLine(f.h, 4), "");
    EXPECT_STREQ(CfgLine(f.h, 5), "last");
    EXPECT_EQ(CfgSetStr(f.h, nullptr, "k", "2"), 0);
    EXPECT_EQ(f.Close(), 0);
    EXPECT_EQ(ReadFile("t.ini"), "k=2\n" + l1500 + "\n" + l1023 + "\nx\ry=2\n\nlast\n");

    // Lines that end in CR keep it through a rewrite, the last one too.
    Opened g("a=1\r\r\n; note\r\r\r\nb=2\r");
    EXPECT_EQ(CfgSetStr(g.h, nullptr, "c", "3"), 0);
    EXPECT_EQ(g.Close(), 0);
    Opened again(ReadFile("t.ini"));
    ASSERT_EQ(CfgLineCount(again.h), 4);
    EXPECT_STREQ(CfgLine(again.h, 0), "a=1\r");
    EXPECT_STREQ(CfgLine(again.h, 1), "; note\r\r");
    EXPECT_STREQ(CfgLine(again.h, 2), "b=2\r");
}

TEST_F(CfgTest, OpenCreatesAMissingFileOnly)
{
    int h = CfgOpen("new.ini");
    ASSERT_GE(h, kCfgFirstHandle);
    EXPECT_EQ(CfgLineCount(h), 0);
    EXPECT_EQ(CfgClose(h), 0);
    ASSERT_TRUE(fs::exists("new.ini"));
    EXPECT_EQ(fs::file_size("new.ini"), 0u);

    h = CfgOpen((dir_ / "new.ini").c_str());   // a full path is used as it is
    EXPECT_EQ(CfgSetStr(h, "S", "k", "v"), 0);
    EXPECT_EQ(CfgClose(h), 0);
    EXPECT_EQ(ReadFile("new.ini"), "[S]\nk=v\n");

    fs::create_directory("dir.ini");
    EXPECT_EQ(CfgOpen("dir.ini"), CFG_ERR_CREATE);
    EXPECT_EQ(CfgOpen(""), kCfgFirstHandle);   // no path: an empty file in memory
    EXPECT_EQ(CfgClose(kCfgFirstHandle), 0);

    if (geteuid() != 0) {   // root reads any file, so this needs a normal user
        std::ofstream("wo.ini") << "[S]\nk=1\n";
        fs::permissions("wo.ini", fs::perms::owner_write);
        EXPECT_EQ(CfgOpen("wo.ini"), CFG_ERR_CREATE);
        fs::permissions("wo.ini", fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ReadFile("wo.ini"), "[S]\nk=1\n");   // not truncated
    }
}

TEST_F(CfgTest, OpenFailsInADirectoryWhereNothingCanBeCreated)
{
    // Nobody, root included, can create files in /proc.
    fs::current_path("/proc");
    EXPECT_EQ(CfgOpen("cfgfile-test.ini"), CFG_ERR_CREATE);
    EXPECT_FALSE(fs::exists("/proc/cfgfile-test.ini"));
}

TEST_F(CfgTest, AFileWithoutPathKeepsChangesInMemoryOnly)
{
    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove(dir_ / "gone");   // the current directory has no name any more
    int h = CfgOpen("t.ini");
    ASSERT_GE(h, kCfgFirstHandle);
    EXPECT_EQ(CfgSetStr(h, "S", "k", "v"), 0);
    EXPECT_EQ(CfgGetInt(h, "S", "nothing", 5), 5);
    EXPECT_EQ(CfgClose(h), 0);
    fs::current_path(dir_);
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(CfgTest, RewriteKeepsPermissionsAndLinks)
{
    std::ofstream("t.ini") << "[S]\nk=1\n";
    fs::permissions("t.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("t.ini", "link.ini");
    int h = CfgOpen("link.ini");
    EXPECT_EQ(CfgSetInt(h, "S", "k", 2), 0);
    EXPECT_EQ(CfgClose(h), 0);
    EXPECT_TRUE(fs::is_symlink("link.ini"));
    EXPECT_EQ(ReadFile("t.ini"), "[S]\nk=2\n");
    EXPECT_EQ(fs::status("t.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A file removed while open is written anew with the umask's permissions.
    const mode_t mask = umask(027);
    h = CfgOpen("gone.ini");
    fs::remove("gone.ini");
    EXPECT_EQ(CfgSetInt(h, "S", "k", 3), 0);
    EXPECT_EQ(CfgClose(h), 0);
    umask(mask);
    EXPECT_EQ(ReadFile("gone.ini"), "[S]\nk=3\n");
    EXPECT_EQ(fs::status("gone.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(CfgTest, FailedRewriteLeavesTheOldFileIntact)
{
    const std::string old = "[S]\nk=1\n";
    std::ofstream("t.ini") << old;

    // A write that fails half-way: the file size limit stops the new contents
    // after a few bytes (for root too).
    int h = CfgOpen("t.ini");
    EXPECT_EQ(CfgSetStr(h, "S", "k", std::string(200, 'v').c_str()), 0);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int r = CfgClose(h);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r, CFG_ERR_WRITE);
    EXPECT_EQ(ReadFile("t.ini"), old);

    // The directory is gone by the time of the rewrite.
    fs::create_directory("sub");
    std::ofstream("sub/t.ini") << old;
    h = CfgOpen("sub/t.ini");
    EXPECT_EQ(CfgSetInt(h, "S", "k", 2), 0);
    fs::rename("sub", "moved");
    EXPECT_EQ(CfgClose(h), CFG_ERR_WRITE);
    EXPECT_EQ(ReadFile("moved/t.ini"), old);

    // The name became a FIFO after the load: the rewrite refuses it rather
    // than replace it with a plain file.
    h = CfgOpen("fifo.ini");
    ASSERT_GE(h, kCfgFirstHandle);
    EXPECT_EQ(CfgSetInt(h, "S", "k", 2), 0);
    fs::remove("fifo.ini");
    ASSERT_EQ(mkfifo("fifo.ini", 0600), 0);
    EXPECT_EQ(CfgClose(h), CFG_ERR_WRITE);
    EXPECT_TRUE(fs::is_fifo("fifo.ini"));

    // No temporary files are left behind.
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fifo.ini", "moved", "t.ini"}));
}

}   // namespace
