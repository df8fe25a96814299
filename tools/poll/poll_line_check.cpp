#include "tools/poll/poll_line_check.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/modbus_frames.h"
#include "engine/serial_channel.h"

namespace {

class CheckHost final : public ExchangeHost {
public:
    void Display(MODBUS_Thread &) override {}
    void MessageBox(const std::string &text, const std::string &, int) override
    {
        std::fprintf(stderr, "tarvix-poll: %s\n", text.c_str());
    }
    void ServeFor(int) override {}
    void CancelWaits() override {}
};

double Ms(uint32_t us)
{
    return us / 1000.0;
}

uint32_t Percentile(const std::vector<uint32_t> &sorted, double p)
{
    if (sorted.empty())
        return 0;
    const size_t i = std::min(sorted.size() - 1, size_t(std::ceil(p * double(sorted.size()))) - 1);
    return sorted[i];
}

}   // namespace

std::string LineCheckReport(const ChannelSettings &cs, const LineCheckRequest &req, const LineCheckCounts &c,
                            const SerialLineStats &st)
{
    char buf[256];
    std::string r;
    auto line = [&r, &buf] {
        r += buf;
        r += '\n';
    };
    std::snprintf(buf, sizeof buf, "line check: %d reads of %u registers from slave %u on %s at %d baud",
                  req.exchanges, req.count, req.slave, cs.ComPortName.c_str(), cs.BaudRate);
    line();
    std::snprintf(buf, sizeof buf, "echo: %s (%d of %d exchanges)", st.echoSeen > 0 ? "seen" : "not seen",
                  st.echoSeen, req.exchanges);
    line();
    std::snprintf(buf, sizeof buf,
                  "replies: %d good, %d no reply, %d CRC errors, %d line errors, %d echo mismatches, %d other",
                  c.good, c.noReply, c.crc, c.lineErrors, c.echoMismatch, c.other);
    line();
    std::vector<uint32_t> lat = st.latencyUs;
    std::sort(lat.begin(), lat.end());
    if (lat.empty())
        std::snprintf(buf, sizeof buf, "reply latency: no replies");
    else
        std::snprintf(buf, sizeof buf, "reply latency: p50 %.1f ms, p99 %.1f ms, max %.1f ms", Ms(Percentile(lat, 0.5)),
                      Ms(Percentile(lat, 0.99)), Ms(lat.back()));
    line();
    std::snprintf(buf, sizeof buf, "pauses inside replies: %d replies, longest %.1f ms", st.pausedReplies,
                  Ms(st.longestPauseUs));
    line();
    std::snprintf(buf, sizeof buf, "bytes left over: %lld", static_cast<long long>(st.leftoverBytes));
    line();

    // Suggestions: what the line showed it needs.
    std::string s;
    const bool standard = c.good > 0 && c.crc == 0 && c.other == 0;
    s += standard ? "--reply-end length" : "--reply-end gap";
    s += st.echoSeen > 0 ? " --echo on" : " --echo off";
    if (st.leftoverBytes > 0)
        s += " --request-gap " + std::to_string(std::max<uint32_t>(2, (st.longestPauseUs + 999) / 1000 + 2));
    if (c.good == 0)
        s = "none (no good reply: check the port, rate, parity and slave address)";
    r += "suggested: " + s;
    return r;
}

int RunLineCheck(ChannelSettings cs, const LineCheckRequest &req, std::FILE *out, const StopFlag &stop)
{
    if (cs.Line.Echo == EchoMode::Off)
        cs.Line.Echo = EchoMode::Auto;
    auto stats = std::make_shared<SerialLineStats>();
    cs.Line.Stats = stats;
    CheckHost host;
    auto channel = OpenSerialChannelWith(cs, host, SerialHooks{});
    if (!channel)
        return 1;
    uint8_t frame[16];
    const int len = BuildReadRequest(frame, req.slave, FunctionCode(req.cmd), req.start, req.count);
    LineCheckCounts c;
    int run = 0;
    for (; run < req.exchanges && stop.load(std::memory_order_relaxed) == 0; ++run) {
        ExchangeFrames trace;
        uint8_t st = channel->Exchange(frame, len, trace);
        if (st == ST_OK)
            st = CheckReplyFrame(trace.Frame(), trace.FrameLen, req.slave, FunctionCode(req.cmd), req.count);
        switch (st) {
        case ST_OK: ++c.good; break;
        case ST_NO_REPLY: ++c.noReply; break;
        case ST_COM_CRC_WRONG: ++c.crc; break;
        case ST_COM_LINE_ERRORS: ++c.lineErrors; break;
        case ST_ECHO_MISMATCH: ++c.echoMismatch; break;
        default: ++c.other; break;
        }
    }
    channel->Close();
    LineCheckRequest done = req;
    done.exchanges = run;
    std::fprintf(out, "%s\n", LineCheckReport(cs, done, c, *stats).c_str());
    return c.good > 0 ? 0 : 1;
}
