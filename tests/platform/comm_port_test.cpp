// The termios comm port on pseudo-terminal pairs made here, the device path
// rules and the port discovery over a made-up sysfs tree.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/comm_port.h"
#include "platform/serial_ports.h"
#include "platform/ticks.h"

namespace {

// The master side of a pseudo-terminal pair; the slave side's path is Path().
struct Pty {
    int master = -1;
    std::string path;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            path = ::ptsname(master);
    }
    ~Pty() { CloseMaster(); }
    void CloseMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // Reads what the port wrote, up to `want` bytes within about 1 s.
    std::vector<uint8_t> Take(size_t want)
    {
        std::vector<uint8_t> got;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        for (int i = 0; i < 100 && got.size() < want; ++i) {
            uint8_t b[256];
            ssize_t n = ::read(master, b, sizeof b);
            if (n > 0)
                got.insert(got.end(), b, b + n);
            else
                SleepMs(10);
        }
        return got;
    }
};

uint64_t MsSince(uint64_t t0)
{
    return (PerfCounter() - t0) / 1000u;
}

}   // namespace

TEST(SerialDevicePath, NamesMapOntoDevicePaths)
{
    // The stable names Linux keeps for plugged adapters are long.
    const std::string kById = "/dev/serial/by-id/usb-Acme_Serial_Bridge_0042A7F3-if00-port0";
    ASSERT_EQ(kById.size(), 60u);
    const struct {
        std::string name;
        int err;
        std::string path;
    } cases[] = {
        {"COM1", 0, "/dev/ttyS0"},
        {"COM2", 0, "/dev/ttyS1"},
        {"COM12", 0, "/dev/ttyS11"},
        {"ttyUSB0", 0, "/dev/ttyUSB0"},
        {"ttyACM10", 0, "/dev/ttyACM10"},
        {"/dev/pts/7", 0, "/dev/pts/7"},
        {"COM0", 0, "/dev/COM0"},   // no COM0: an ordinary name
        {"COM", 0, "/dev/COM"},
        {"COM1x", 0, "/dev/COM1x"},
        {kById, 0, kById},
        {std::string(kSerialPathSize - 6, 'a'), 0, "/dev/" + std::string(kSerialPathSize - 6, 'a')},   // fits
        {std::string(kSerialPathSize - 5, 'a'), ENAMETOOLONG, ""},
        {"/" + std::string(kSerialPathSize - 2, 'p'), 0, "/" + std::string(kSerialPathSize - 2, 'p')},
        {"/" + std::string(kSerialPathSize - 1, 'p'), ENAMETOOLONG, ""},
        {std::string("tty\0S0", 6), EINVAL, ""},   // never cut at a NUL
        {"", ENOENT, ""},
    };
    for (const auto &c : cases) {
        char path[kSerialPathSize];
        EXPECT_EQ(SerialDevicePath(c.name, path), c.err) << c.name;
        EXPECT_EQ(std::string(path), c.path) << c.name;
    }
}

TEST(CommPortOpen, RefusesMissingNonTtyAndHeldDevices)
{
    auto port = MakeTtyCommPort();
    EXPECT_EQ(port->Open("/dev/tarvix-no-such-tty"), ENOENT);
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->Open("/dev/null"), ENOTTY);   // not a terminal: never written to
    EXPECT_FALSE(port->IsOpen());

    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ASSERT_EQ(port->Open(pty.path.c_str()), 0);
    EXPECT_TRUE(port->IsOpen());
    auto second = MakeTtyCommPort();
    EXPECT_EQ(second->Open(pty.path.c_str()), EBUSY);
    EXPECT_FALSE(second->IsOpen());
    // The refused open left the holder's port working.
    const uint8_t ping[] = {0x01, 0x02};
    EXPECT_EQ(port->Write(ping, 2), 2);
    EXPECT_EQ(pty.Take(2), std::vector<uint8_t>(ping, ping + 2));
    port->Close();
    EXPECT_EQ(second->Open(pty.path.c_str()), 0);
    EXPECT_EQ(port->SetLine(0, false), EINVAL);
}

// Bytes that a cooked terminal would translate or act on (CR, LF, ^C, XON,
// XOFF, DEL, 0xFF) pass unchanged both ways once the line is set.
TEST(CommPortIo, RawBytesBothWays)
{
    Pty pty;
    auto port = MakeTtyCommPort();
    ASSERT_EQ(port->Open(pty.path.c_str()), 0);
    for (bool even : {false, true}) {
        ASSERT_EQ(port->SetLine(even ? 14400 : 28800, even), 0);
        port->SetTimeouts(30, 1000);
        const std::vector<uint8_t> bytes = {0x0D, 0x0A, 0x03, 0x11, 0x13, 0x7F, 0xFF, 0x00, 0x04, 0x1A};
        ASSERT_EQ(port->Write(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
        port->WaitTxEmpty();
        EXPECT_EQ(pty.Take(bytes.size()), bytes);
        ASSERT_EQ(::write(pty.master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        uint8_t buf[64];
        int n = port->Read(buf, sizeof buf);
        EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), bytes);
        EXPECT_EQ(port->TakeLineErrors(), 0u);   // no counters on a pty: no errors
    }
}

// A read ends at a gap longer than the interval, at the total time-out, when
// the buffer is full, or at once when the far end is gone.
TEST(CommPortIo, ReadEndsAtGapTotalFullOrHangup)
{
    Pty pty;
    auto port = MakeTtyCommPort();
    ASSERT_EQ(port->Open(pty.path.c_str()), 0);
    ASSERT_EQ(port->SetLine(115200, false), 0);
    port->SetTimeouts(50, 400);
    uint8_t buf[16];

    // Nothing comes: the whole total time-out.
    uint64_t t0 = PerfCounter();
    EXPECT_EQ(port->Read(buf, sizeof buf), 0);
    EXPECT_GE(MsSince(t0), 395u);
    EXPECT_LT(MsSince(t0), 900u);

    // Two bursts 250 ms apart are two reads; bytes 2 ms apart are one.
    std::thread writer([&] {
        const uint8_t a[] = {1, 2, 3};
        for (uint8_t b : a) {
            (void)!::write(pty.master, &b, 1);
            SleepMs(2);
        }
        SleepMs(250);
        (void)!::write(pty.master, "\x04\x05", 2);
    });
    t0 = PerfCounter();
    int n = port->Read(buf, sizeof buf);
    uint64_t first = MsSince(t0);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_LT(first, 250u);   // ended by the 50 ms gap, not by the total
    n = port->Read(buf, sizeof buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), (std::vector<uint8_t>{4, 5}));
    writer.join();

    // A full buffer ends the read at once; the rest waits for the next one.
    ASSERT_EQ(::write(pty.master, "\x0A\x0B\x0C\x0D\x0E\x0F", 6), 6);
    SleepMs(20);
    EXPECT_EQ(port->Read(buf, 4), 4);
    EXPECT_EQ(port->Read(buf, sizeof buf), 2);
    EXPECT_EQ(buf[1], 0x0F);

    // The far end closed: nothing more, without waiting or spinning.
    pty.CloseMaster();
    t0 = PerfCounter();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(port->Read(buf, sizeof buf), 0);
    EXPECT_LT(MsSince(t0), 200u);
}

TEST(SerialPorts, ListsDevicesInOrderAndDropsAbsentUarts)
{
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("tarvix-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "class");
    fs::create_directories(root / "dev");
    // ttyS0: a UART slot of type 0 (no chip); ttyS1: a UART of type 4;
    // ttyS2: no type entry and no device node; ttyS3: no type entry, its node
    // there (a plain file stands for it); tty1: a console, no device.
    for (const char *name : {"ttyS0", "ttyUSB0", "tty1", "ttyS1", "ttyS2", "ttyACM0", "ttyS3"}) {
        fs::create_directories(root / "class" / name);
        if (std::string(name) != "tty1")
            fs::create_directories(root / "class" / name / "device");
    }
    std::ofstream(root / "class" / "ttyS0" / "type") << "0\n";
    std::ofstream(root / "class" / "ttyS1" / "type") << "4\n";
    std::ofstream(root / "dev" / "ttyS0") << "";   // never probed: its type says absent
    std::ofstream(root / "dev" / "ttyS3") << "";
    std::vector<std::string> found = ListSerialPortsIn((root / "class").string(), (root / "dev").string());
    // Order found: whatever the directory yields, minus the dropped ones.
    std::vector<std::string> expected;
    for (const auto &e : fs::directory_iterator(root / "class")) {
        std::string n = e.path().filename().string();
        if (n != "tty1" && n != "ttyS0" && n != "ttyS2")
            expected.push_back(n);
    }
    EXPECT_EQ(found.size(), 4u);
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(ListSerialPortsIn((root / "missing").string(), "/dev").empty());
    fs::remove_all(root);
}
