// The program's settings file: what is read from "Tarvix.ini" and the exact
// bytes written back, against golden files.

#include "../special_files.h"
#include "app/cfgfile.h"
#include "app/tarvix_settings.h"
#include "tests/app/test_dir.h"

#include <functional>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>

// Readable failure messages for the settings struct.
void PrintTo(const TarvixSettings &s, std::ostream *os)
{
    *os << "{ConnType=" << s.ConnType << " SlaveAddr=" << s.SlaveAddr << " StartReg=" << s.StartReg
        << " RegCount=" << s.RegCount << " IPAddr=" << s.IPAddr << " Port=" << s.Port << " LocalPort=" << s.LocalPort
        << " ComPort=" << s.ComPort << " Baud=" << s.Baud << " Parity=" << s.Parity << " RS485=" << s.RS485
        << " DTR=" << s.DTR << "}";
}

namespace {

namespace fs = std::filesystem;

const fs::path kGolden = TARVIX_GOLDEN_DIR;

// Fields that hold none of their default values, so that a load that
// forgot a key shows.
TarvixSettings Junk()
{
    TarvixSettings s;
    s.ConnType = s.SlaveAddr = s.StartReg = s.RegCount = s.Port = s.LocalPort = -99;
    s.IPAddr = s.ComPort = s.Baud = "junk";
    s.Parity = !s.Parity;
    s.RS485 = !s.RS485;
    s.DTR = !s.DTR;
    return s;
}

class SettingsTest : public TempDirTest {};

TEST_F(SettingsTest, FirstStartCreatesAnEmptyFileAndTheFirstSaveFillsIt)
{
    TarvixSettings s = Junk();
    LoadTarvixSettings(s);
    EXPECT_EQ(s, TarvixSettings{});
    ASSERT_TRUE(fs::exists(kSettingsFileName));
    EXPECT_EQ(fs::file_size(kSettingsFileName), 0u);

    SaveTarvixSettings(s);
    EXPECT_EQ(ReadFile(kSettingsFileName), ReadFile(kGolden / "defaults.ini"));
}

TEST_F(SettingsTest, SaveWithoutChangesDoesNotRewrite)
{
    fs::copy_file(kGolden / "defaults.ini", kSettingsFileName);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, kSettingsFileName, old, 0), 0);
    struct stat before {};
    ASSERT_EQ(stat(kSettingsFileName, &before), 0);

    TarvixSettings s;
    LoadTarvixSettings(s);
    SaveTarvixSettings(s);

    struct stat after {};
    ASSERT_EQ(stat(kSettingsFileName, &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(ReadFile(kSettingsFileName), ReadFile(kGolden / "defaults.ini"));
}

// Each case: <name>.ini is loaded, the loaded values are checked, the edit is
// applied and the saved file must equal <name>.expected.ini byte for byte.
struct GoldenCase {
    const char *name;
    std::function<void(TarvixSettings &)> loaded;   // applied to the defaults
    std::function<void(TarvixSettings &)> edit;
};

TEST_F(SettingsTest, GoldenFilesRoundTrip)
{
    const GoldenCase cases[] = {
        // Keys match in any letter case and are rewritten as the program spells them.
        {"key_case",
         [](TarvixSettings &s) {
             s.ConnType = 0;
             s.SlaveAddr = 3;
         },
         [](TarvixSettings &s) { s.ConnType = 2; }},
        // "Port = COM7" is the key "Port " and stays; the real key is added.
        {"spaced_port",
         [](TarvixSettings &s) {
             s.Baud = "9600";
             s.ConnType = 2;
         },
         nullptr},
        // Numbers read like scanf's "%i" and are written back in decimal.
        {"numbers",
         [](TarvixSettings &s) {
             s.ConnType = 2;
             s.StartReg = 8;
             s.RegCount = 256;
             s.Port = 503;
             s.LocalPort = 7;
         },
         nullptr},
        // Only a value starting with "0" is off; an empty value is on.
        {"flags",
         [](TarvixSettings &s) {
             s.RS485 = true;
             s.DTR = false;
         },
         nullptr},
        // CR LF input; comments, unknown keys and sections, a 1500-character
        // line and a second [COM] section stay in place; texts are read to
        // their length limits.
        {"mixed",
         [](TarvixSettings &s) {
             s.ConnType = 0;
             s.SlaveAddr = 5;
             s.RegCount = 10;
             s.ComPort = "COM12";
             s.Baud = "9600";
             s.Parity = false;
             s.RS485 = true;
             s.DTR = true;
             s.IPAddr = std::string(99, 'a');
             s.Port = 1502;
         },
         [](TarvixSettings &s) {
             s.RegCount = 20;
             s.IPAddr = "127.0.0.1";
         }},
    };
    for (const GoldenCase &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(kSettingsFileName);
        fs::copy_file(kGolden / (std::string(c.name) + ".ini"), kSettingsFileName);
        TarvixSettings want;
        c.loaded(want);
        TarvixSettings s = Junk();
        LoadTarvixSettings(s);
        EXPECT_EQ(s, want);
        if (c.edit)
            c.edit(s);
        SaveTarvixSettings(s);
        EXPECT_EQ(ReadFile(kSettingsFileName), ReadFile(kGolden / (std::string(c.name) + ".expected.ini")));
    }
}

TEST_F(SettingsTest, LongTextsAreReadToTheirLimits)
{
    // The port name is read whole, however long.
    const std::string port = "/dev/serial/by-id/usb-Acme_Serial_Bridge_0042A7F3-if00-port0" + std::string(2000, 'p');
    WriteFile(kSettingsFileName,
              "[COM]\nPort=" + port + "\nBaud=1234567890123\n[TCPIP]\nIPAddr=" + std::string(150, '1') + "\n");
    TarvixSettings s;
    LoadTarvixSettings(s);
    EXPECT_EQ(s.ComPort, port);
    EXPECT_EQ(s.Baud, "123456789");
    EXPECT_EQ(s.IPAddr, std::string(99, '1'));
}

TEST_F(SettingsTest, ATextWithALineBreakIsNotSaved)
{
    fs::copy_file(kGolden / "defaults.ini", kSettingsFileName);
    TarvixSettings s;
    s.IPAddr = "127.0.0.1\n[MODBUS]";
    s.Port = 1502;
    SaveTarvixSettings(s);
    std::string want = ReadFile(kGolden / "defaults.ini");
    want.replace(want.find("Port=502"), 8, "Port=1502");
    EXPECT_EQ(ReadFile(kSettingsFileName), want);
}

TEST_F(SettingsTest, UnwritableDirectoryGivesDefaultsAndWritesNothing)
{
    // Nobody, root included, can create files in /proc.
    fs::current_path("/proc");
    TarvixSettings s = Junk();
    LoadTarvixSettings(s);
    EXPECT_EQ(s, TarvixSettings{});
    s.IPAddr = "127.0.0.1";
    SaveTarvixSettings(s);
    EXPECT_FALSE(fs::exists(fs::path("/proc") / kSettingsFileName));
}

// A settings name that is a FIFO, a link to a zero device, a directory or a
// file over the size bound is refused at once: the program gets its
// defaults, and a save leaves the name as it was.
TEST_F(SettingsTest, ANameThatIsNoPlainFileGivesDefaultsAndIsNeverWritten)
{
    using namespace special_files;
    const struct {
        const char *name;
        bool (*make)(const std::string &);
        int openResult;
    } cases[] = {
        {"fifo", MakeFifo, CFG_ERR_CREATE},
        {"zero device link", MakeZeroLink, CFG_ERR_CREATE},
        {"directory", [](const std::string &p) { return fs::create_directory(p); }, CFG_ERR_CREATE},
        {"over the bound",
         [](const std::string &p) {
             WriteFile(p, "[MODBUS]\nConnType=0\n");
             return truncate(p.c_str(), off_t(kCfgFileLimit) + 1) == 0;
         },
         CFG_ERR_TOO_LARGE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directory(c.name);
        fs::current_path(c.name);
        ASSERT_TRUE(c.make(kSettingsFileName));
        const std::string before = Describe(kSettingsFileName);
        {
            const Watchdog dog(3);
            EXPECT_EQ(CfgOpen(kSettingsFileName), c.openResult);
            TarvixSettings s = Junk();
            LoadTarvixSettings(s);
            EXPECT_EQ(s, TarvixSettings{});
            s.IPAddr = "127.0.0.1";
            SaveTarvixSettings(s);
        }
        EXPECT_EQ(Describe(kSettingsFileName), before);
        fs::current_path("..");
    }
}

}   // namespace
