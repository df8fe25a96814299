#include "tools/poll/poll_records.h"

#include "engine/modbus_frames.h"

namespace {

OutField Number(const char *name, long long v)
{
    return OutField{name, std::to_string(v), false, false};
}

OutField Text(const char *name, std::string v)
{
    return OutField{name, std::move(v), true, false};
}

OutField Exception(int code)
{
    return code < 0 ? OutField{"exception", "", true, true} : Text("exception", ExceptionText(uint8_t(code)));
}

void AddValues(OutRecord &r, bool shown, const uint16_t *regs, const uint8_t *bits, int count,
               const PollOptions &opt)
{
    if (opt.cmd == 1 || opt.cmd == 2) {
        r.valueColumns = opt.count;
        r.valuesName = "bits";
        r.noValues = !shown || !bits;
        if (!r.noValues)
            r.values = BitTexts(bits, count, opt.format);
        return;
    }
    r.valueColumns = opt.count / RegistersPerValue(opt.layout.type);
    r.noValues = !shown || !regs;
    if (!r.noValues)
        r.values = ValueTexts(regs, count, opt.layout, opt.format);
}

}   // namespace

OutRecord ExchangeOutRecord(const ExchangeShown &x, const PollOptions &opt)
{
    char buf[16];
    OutRecord r;
    const bool tsv = opt.format == OutputFormat::Tsv;
    if (!tsv || opt.timestamp)
        r.fields.push_back(Text("time", IsoLocalTime(x.time)));
    r.fields.push_back(Number("request", x.request));
    r.fields.push_back(Text("status", StatusText(x.status, buf)));
    r.fields.push_back(Number("errors", x.errors));
    r.fields.push_back(Text("request_frame", HexFrame(x.req, x.reqLen)));
    r.fields.push_back(Text("reply_frame", HexFrame(x.reply, x.replyLen)));
    if (!tsv)
        r.fields.push_back(Exception(x.exception));
    AddValues(r, tsv || x.status == ST_OK, x.regs, x.bits, x.regCount, opt);
    return r;
}

OutRecord ScanOutRecord(const timespec &time, int slave, uint8_t status, int exception, const uint16_t *regs,
                        int regCount, const PollOptions &opt, const uint8_t *bits)
{
    char buf[16];
    OutRecord r;
    if (opt.format != OutputFormat::Tsv || opt.timestamp)
        r.fields.push_back(Text("time", IsoLocalTime(time)));
    r.fields.push_back(Number("slave", slave));
    r.fields.push_back(Text("status", StatusText(status, buf)));
    r.fields.push_back(Exception(exception));
    AddValues(r, status == ST_OK, regs, bits, regCount, opt);
    return r;
}

std::vector<std::string> ValueColumns(const PollOptions &opt)
{
    if (opt.cmd == 1 || opt.cmd == 2)
        return BitColumnNames(opt.start, opt.count, opt.cmd == 1 ? 'c' : 'd');
    return ValueColumnNames(opt.start, opt.count, opt.layout.type);
}

int ExceptionOfReply(const uint8_t *reply, int len, bool header, uint8_t slave, uint8_t cmd)
{
    const int off = header ? 6 : 0;
    const int need = header ? 9 : 5;   // address, function, code, and the header or the CRC
    if (!reply || len < need || reply[off] != slave || reply[off + 1] != (cmd | 0x80))
        return -1;
    return reply[off + 2];
}
