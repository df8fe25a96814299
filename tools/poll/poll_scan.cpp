#include "tools/poll/poll_scan.h"

#include <cstdio>
#include <ctime>
#include <memory>

#include "engine/Modbus_thread_unit.h"
#include "engine/modbus_frames.h"
#include "engine/register_values.h"
#include "tools/poll/console_host.h"
#include "tools/poll/poll_records.h"

namespace {

// The channel's message boxes go to standard error; there is no Display.
class BoxHost final : public ExchangeHost {
public:
    void Display(MODBUS_Thread &) override {}
    void MessageBox(const std::string &text, const std::string &caption, int) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    void ServeFor(int) override {}
    void CancelWaits() override {}
};

}   // namespace

int RunScan(const PollOptions &opt, LineWriter &out, const StopFlag &stop)
{
    // The channel settings as the exchange thread would take them.
    ExchangeRecord rec;
    TarvixSettings s;
    ExchangeChoice c;
    PollSettings(opt, s, c);
    FillExchangeRecord(s, c, rec);
    ChannelSettings cs = rec.Conn;
    cs.Line = opt.line;
    if (opt.connType != 2)
        cs.ReplyLimitMs = uint32_t(opt.timeoutMs);
    BoxHost host;
    std::unique_ptr<Channel> channel = OpenChannel(cs, stop, host);
    if (!channel)
        return 1;

    std::string found;
    int answered = 0, asked = 0;
    bool headerDone = false;
    const bool header = opt.connType != 2 && !opt.crcFraming;
    auto trace = std::make_unique<ExchangeFrames>();
    for (int slave = opt.scanFrom; slave <= opt.scanTo && stop.load() == 0 && !out.Ended(); ++slave) {
        uint8_t req[kMaxRequestFrame];
        const int len = BuildReadRequest(req, uint8_t(slave), FunctionCode(opt.cmd), opt.start, opt.count);
        trace->Reset();
        uint8_t status = channel->Exchange(req, len, *trace);
        ++asked;
        // Only a well-framed reply from the address asked counts: a late
        // answer of the address before must not stand for this one.
        if (status != ST_OK || trace->FrameLen < 2 || trace->Frame()[0] != slave)
            continue;
        status = CheckReplyFrame(trace->Frame(), trace->FrameLen, uint8_t(slave), FunctionCode(opt.cmd), opt.count);
        const int exception = status == ST_ADDR_CMD_ERROR
                                  ? ExceptionOfReply(trace->ReplyFrame, trace->ReplyLen, header, uint8_t(slave), opt.cmd)
                                  : -1;
        const bool bitRead = IsBitRead(FunctionCode(opt.cmd));
        uint16_t regs[kMaxRegCount] = {};
        uint8_t bits[kMaxBitCount] = {};
        if (status == ST_OK)
            for (int i = 0; i < opt.count; ++i) {
                if (bitRead)
                    bits[i] = ReplyBit(trace->Frame(), i);
                else
                    regs[i] = ReplyRegister(trace->Frame(), i);
            }
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const OutRecord r =
            ScanOutRecord(now, slave, status, exception, bitRead ? nullptr : regs, opt.count, opt, bitRead ? bits : nullptr);
        std::string text;
        if (opt.format == OutputFormat::Csv && !headerDone) {
            text = CsvHeader(r, ValueColumns(opt));
            headerDone = true;
        }
        out.Write(text + FormatRecord(r, opt.format));
        if (exception >= 0)
            ReportException(slave, exception);
        ++answered;
        found += ' ' + std::to_string(slave);
    }
    channel->Close();
    out.Flush();
    if (out.Ended())
        return 0;   // the reader went away (or the output failed: the caller tells)
    std::fprintf(stderr, "tarvix-poll: scan %d-%d: %d of %d addresses answered%s%s\n", opt.scanFrom, opt.scanTo,
                 answered, asked, answered ? ":" : "", found.c_str());
    return answered > 0 ? 0 : 1;
}
