// Coils and discrete inputs end to end, tarvix-poll against two independent
// slaves: the libmodbus test peer and pymodbus's server. Bits the peer holds
// are read as it holds them; coils written are read back through the peer's
// own library (libmodbus's modbus_read_bits, pymodbus's client).

#include <gtest/gtest.h>

#include <modbus/modbus.h>

#include <string>

#include "tests/engine/engine_test_support.h"
#include "tests/support/shell_run.h"

namespace {

struct BitPeer {
    const char *name;
    bool (*coil)(int);
    bool (*input)(int);
};

// The peers' starting bits (see test_peer.cpp and pymodbus_peer.py).
const BitPeer kLibmodbus{"libmodbus", [](int a) { return a % 3 == 0; }, [](int a) { return a % 5 == 1; }};
const BitPeer kPymodbus{"pymodbus", [](int a) { return a % 4 == 1; }, [](int a) { return a % 3 == 2; }};

// The bits as tarvix-poll's tsv shows them: 0/1 characters in groups of eight.
std::string Groups(bool (*bit)(int), int start, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i && i % 8 == 0)
            s += ' ';
        s += bit(start + i) ? '1' : '0';
    }
    return s;
}

std::string LastField(const std::string &line)
{
    return line.substr(line.rfind('\t') + 1);
}

ShellResult Poll(int port, const std::string &args)
{
    return RunShell(PollPath() + " --tcp 127.0.0.1:" + std::to_string(port) + " --period 0 " + args, 30);
}

void ReadsAsThePeerHolds(const BitPeer &peer, int port)
{
    SCOPED_TRACE(peer.name);
    for (const auto &[start, count] : {std::pair<int, int>{0, 1}, {3, 7}, {8, 8}, {100, 9}, {5, 16}, {0, 2000}}) {
        SCOPED_TRACE(count);
        ShellResult r = Poll(port, "--cmd 1 --cycles 1 --start " + std::to_string(start) + " --count " +
                                       std::to_string(count));
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(r.out.size(), 1u);
        EXPECT_EQ(r.out[0].rfind("1\tOK\t0\t", 0), 0u) << r.out[0];
        EXPECT_EQ(LastField(r.out[0]), Groups(peer.coil, start, count));
        r = Poll(port, "--cmd 2 --cycles 1 --start " + std::to_string(start) + " --count " + std::to_string(count));
        ASSERT_EQ(r.out.size(), 1u) << r.err;
        EXPECT_EQ(LastField(r.out[0]), Groups(peer.input, start, count));
    }
}

TEST(BitPeers, Libmodbus)
{
    PeerProcess peer;
    ASSERT_TRUE(peer.Start(PeerPath(), {"--tcp", "0", "--seconds", "120"}));
    ReadsAsThePeerHolds(kLibmodbus, peer.Port());

    // Writes with 5 (one coil) and 15 (several), the read after each shows them.
    const struct {
        std::string args;
        int addr;
        std::string bits;
    } writes[] = {
        {"--write-coil 40=1", 40, "1"},
        {"--write-coil 41=0", 41, "0"},
        {"--write-coil 50=1,0,1,1,0,0,1,1,1,0", 50, "1011001110"},
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.args);
        const ShellResult r = Poll(peer.Port(), "--cmd 1 --cycles 2 --start 40 --count 20 " + w.args);
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(r.out.size(), 2u);
        EXPECT_EQ(r.out[1].rfind("3\tOK\t0\t", 0), 0u) << r.out[1];
    }
    modbus_t *ctx = modbus_new_tcp("127.0.0.1", peer.Port());
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(modbus_connect(ctx), 0);
    uint8_t bits[20] = {};
    ASSERT_EQ(modbus_read_bits(ctx, 40, 20, bits), 20);
    modbus_close(ctx);
    modbus_free(ctx);
    std::string got;
    for (uint8_t b : bits)
        got += b ? '1' : '0';
    // 40..49: 40 on, 41 off, 42..49 as they were; 50..59 as written.
    std::string want = "10";
    for (int a = 42; a < 50; ++a)
        want += kLibmodbus.coil(a) ? '1' : '0';
    EXPECT_EQ(got, want + "1011001110");
}

TEST(BitPeers, Pymodbus)
{
    PeerProcess peer;
    ASSERT_TRUE(peer.Start("/usr/bin/python3", {PYMODBUS_PEER_PY, "120"})) << peer.FirstLine();
    ASSERT_GT(peer.Port(), 0) << peer.FirstLine();
    ReadsAsThePeerHolds(kPymodbus, peer.Port());

    ShellResult r = Poll(peer.Port(), "--cmd 1 --cycles 2 --start 0 --count 12 --write-coil 2=1");
    ASSERT_EQ(r.code, 0) << r.err;
    // Coils written while registers are read.
    r = Poll(peer.Port(), "--cmd 3 --cycles 2 --count 1 --write-coil 8=1,1,0,0,1");
    ASSERT_EQ(r.code, 0) << r.err;
    r = RunShell("/usr/bin/python3 " PYMODBUS_PEER_PY " --read " + std::to_string(peer.Port()) + " 0 16", 30);
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.size(), 1u);
    // Coil 2 on, 8..12 as written, the rest as they were (a % 4 == 1).
    EXPECT_EQ(r.out[0], "0110010011001100");
}

}   // namespace
