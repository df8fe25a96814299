// tarvix-poll's output records without a channel: typed values in each word
// order, the time stamp, CSV quoting, JSON escaping, exception names and the
// plain tab-separated line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "tests/support/register_value_cases.h"
#include "tools/poll/poll_records.h"

namespace {

struct ValueCase {
    ValueType type;
    WordOrder order;
    bool swap;
    std::vector<uint16_t> regs;
    OutputFormat format;
    std::vector<std::string> texts;
};

constexpr auto Big = WordOrder::HighFirst;
constexpr auto Little = WordOrder::LowFirst;
constexpr auto Tsv = OutputFormat::Tsv;
constexpr auto Csv = OutputFormat::Csv;
constexpr auto Json = OutputFormat::Jsonl;

TEST(PollFormat, TypedValuesInEachWordOrder)
{
    const ValueCase cases[] = {
        {ValueType::UInt16, Big, false, {0x0001, 0xABCD}, Tsv, {"0001", "ABCD"}},
        {ValueType::UInt16, Big, false, {0x0001, 0xABCD}, Csv, {"1", "43981"}},
        {ValueType::UInt16, Big, true, {0x1234}, Tsv, {"3412"}},
        {ValueType::Int16, Big, false, {0xFFFF, 0x8000, 0x7FFF}, Json, {"-1", "-32768", "32767"}},
        {ValueType::UInt32, Big, false, {0x1234, 0x5678, 0xFFFF, 0xFFFF}, Csv, {"305419896", "4294967295"}},
        {ValueType::UInt32, Little, false, {0x5678, 0x1234}, Csv, {"305419896"}},
        {ValueType::Int32, Big, false, {0xFFFF, 0xFFFE, 0x8000, 0x0000}, Tsv, {"-2", "-2147483648"}},
        {ValueType::Int32, Little, false, {0xFFFE, 0xFFFF, 0x0000, 0x8000}, Tsv, {"-2", "-2147483648"}},
        {ValueType::Float32, Big, false, {0x3FC0, 0x0000, 0xC120, 0x0000}, Csv, {"1.5", "-10"}},
        {ValueType::Float32, Little, false, {0x0000, 0x3FC0, 0x0000, 0xC120}, Json, {"1.5", "-10"}},
        {ValueType::Float32, Big, false, {0x4049, 0x0FDB}, Tsv, {"3.1415927"}},
        {ValueType::Float32, Big, true, {0xC03F, 0x0000}, Tsv, {"1.5"}},
        {ValueType::Float32, Little, true, {0x0000, 0xC03F}, Tsv, {"1.5"}},
        {ValueType::Float32, Big, false, {0x7F80, 0, 0xFF80, 0, 0x7FC0, 0}, Tsv, {"inf", "-inf", "nan"}},
        {ValueType::Float32, Big, false, {0x7F80, 0, 0x7FC0, 1}, Json, {"null", "null"}},
        {ValueType::Float64, Big, false, {0x3FF8, 0, 0, 0}, Csv, {"1.5"}},
        {ValueType::Float64, Little, false, {0, 0, 0, 0x3FF8}, Csv, {"1.5"}},
        {ValueType::Float64, Big, false, {0x4009, 0x21FB, 0x5444, 0x2D18}, Json, {"3.141592653589793"}},
        {ValueType::Float64, Little, true, {0x182D, 0x4454, 0xFB21, 0x0940}, Json, {"3.141592653589793"}},
    };
    for (const ValueCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << int(c.type) << (c.order == Big ? " big" : " little")
                                        << (c.swap ? " swapped" : "") << " format " << int(c.format));
        const ValueLayout layout{c.type, c.order, c.swap};
        EXPECT_EQ(ValueTexts(c.regs.data(), int(c.regs.size()), layout, c.format), c.texts);
    }
    EXPECT_EQ(ValueColumnNames(100, 8, ValueType::Float32), (std::vector<std::string>{"r100", "r102", "r104", "r106"}));
}

// The shared table of hand-worked registers, read by --type in its order
// (--word-order, --byte-swap) as csv texts.
TEST(PollFormat, SharedRegisterValueCases)
{
    const std::pair<ValueFormat, ValueType> types[] = {
        {ValueFormat::Unsigned, ValueType::UInt16}, {ValueFormat::Signed, ValueType::Int16},
        {ValueFormat::Long, ValueType::Int32},      {ValueFormat::UnsignedLong, ValueType::UInt32},
        {ValueFormat::Float, ValueType::Float32},   {ValueFormat::LongLong, ValueType::Int64},
        {ValueFormat::Double, ValueType::Float64}};
    int checked = 0;
    for (const RegisterValueCase &c : RegisterValueCases())
        for (const auto &[format, type] : types) {
            if (format != c.format)
                continue;
            SCOPED_TRACE(std::string(ValueFormatName(c.format)) + " " + RegisterOrderName(c.order) + " " + c.text);
            const std::vector<uint16_t> regs = CaseRegisters(c.registers);
            const ValueLayout layout{type, c.order.words, c.order.byteSwap};
            EXPECT_EQ(ValueTexts(regs.data(), int(regs.size()), layout, OutputFormat::Csv),
                      std::vector<std::string>{c.text});
            ++checked;
        }
    EXPECT_GT(checked, 40);
    // uint64, which the grid has not: 0xFFFEFFFFFFFFFFFF from the little word order.
    const uint16_t ones[] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFE};
    EXPECT_EQ(ValueTexts(ones, 4, {ValueType::UInt64, WordOrder::LowFirst, false}, OutputFormat::Csv),
              std::vector<std::string>{"18446462598732840959"});
}

TEST(PollFormat, QuotingEscapingAndNames)
{
    const struct {
        std::string text, csv, json;
    } cases[] = {
        {"OK", "OK", "\"OK\""},
        {"", "", "\"\""},
        {"a,b", "\"a,b\"", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\""},
        {"two\r\nlines", "\"two\r\nlines\"", "\"two\\r\\nlines\""},
        {"back\\slash\ttab\x01", "back\\slash\ttab\x01", "\"back\\\\slash\\ttab\\u0001\""},
        {"Ошибка", "Ошибка", "\"Ошибка\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CsvField(c.text), c.csv);
        EXPECT_EQ(JsonString(c.text), c.json);
    }
    const struct {
        uint8_t code;
        const char *text;
    } names[] = {
        {0x01, "01 Illegal Function"},
        {0x02, "02 Illegal Data Address"},
        {0x03, "03 Illegal Data Value"},
        {0x04, "04 Server Device Failure"},
        {0x05, "05 Acknowledge"},
        {0x06, "06 Server Device Busy"},
        {0x08, "08 Memory Parity Error"},
        {0x0A, "0A Gateway Path Unavailable"},
        {0x0B, "0B Gateway Target Device Failed to Respond"},
        {0x07, "07 Unknown Exception"},
        {0xFF, "FF Unknown Exception"},
    };
    for (const auto &n : names)
        EXPECT_EQ(ExceptionText(n.code), n.text);
}

TEST(PollFormat, ExceptionOfRawReply)
{
    const struct {
        std::vector<uint8_t> reply;
        bool header;
        int code;
    } cases[] = {
        {{0, 0, 0, 0, 0, 3, 1, 0x83, 0x02}, true, 2},
        {{1, 0x83, 0x0B, 0x12, 0x34}, false, 0x0B},
        {{1, 0x83, 0x0B, 0x12, 0x34, 0x00}, false, 0x0B},   // a stray byte after the CRC
        {{0, 0, 0, 0, 0, 3, 1, 0x84, 0x02}, true, -1},   // another function
        {{0, 0, 0, 0, 0, 3, 2, 0x83, 0x02}, true, -1},   // another slave
        {{0, 0, 0, 0, 0, 3, 1, 0x03, 0x02}, true, -1},   // not an exception
        {{0, 0, 0, 0, 0, 2, 1, 0x83}, true, -1},   // too short for a code
        {{1, 0x83, 0x02}, false, -1},   // no CRC
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExceptionOfReply(c.reply.data(), int(c.reply.size()), c.header, 1, 3), c.code)
            << testing::PrintToString(c.reply);
}

TEST(PollFormat, LocalTimeWithOffset)
{
    const timespec t{1, 412000000};
    const struct {
        const char *tz, *text;
    } cases[] = {
        {"UTC0", "1970-01-01T00:00:01.412+00:00"},
        {"CET-1", "1970-01-01T01:00:01.412+01:00"},
        {"<-0330>3:30", "1969-12-31T20:30:01.412-03:30"},
    };
    for (const auto &c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        EXPECT_EQ(IsoLocalTime(t), c.text) << c.tz;
    }
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(timespec{1, 999999999}), "1970-01-01T00:00:01.999+00:00");
}

// One exchange in each format; the tab-separated line is the one the tool
// has always printed.
TEST(PollFormat, RecordsOfAnExchange)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    const uint8_t req[] = {0, 0, 0, 0, 0, 6, 1, 3, 0, 0x10, 0, 3};
    const uint8_t reply[] = {0, 0, 0, 0, 0, 9, 1, 3, 6, 0, 0x10, 0, 0x11, 0, 0x12};
    const uint16_t regs[] = {0x10, 0x11, 0x12};
    ExchangeShown x;
    x.time = {1, 5000000};
    x.request = 1;
    x.req = req;
    x.reqLen = sizeof req;
    x.reply = reply;
    x.replyLen = sizeof reply;
    x.regs = regs;
    x.regCount = 3;
    PollOptions opt;
    opt.start = 16;
    opt.count = 3;
    const std::string frames = "00 00 00 00 00 06 01 03 00 10 00 03\t00 00 00 00 00 09 01 03 06 00 10 00 11 00 12";
    const struct {
        OutputFormat format;
        bool timestamp;
        uint8_t status;
        std::string line;
    } cases[] = {
        {Tsv, false, 0, "1\tOK\t0\t" + frames + "\t0010 0011 0012\n"},
        {Tsv, true, 0, "1970-01-01T00:00:01.005+00:00\t1\tOK\t0\t" + frames + "\t0010 0011 0012\n"},
        // A failed exchange still shows the image in tsv, as it always did.
        {Tsv, false, 255, "1\tNo Reply\t0\t" + frames + "\t0010 0011 0012\n"},
        {Csv, false, 0,
         "1970-01-01T00:00:01.005+00:00,1,OK,0,00 00 00 00 00 06 01 03 00 10 00 03,"
         "00 00 00 00 00 09 01 03 06 00 10 00 11 00 12,,16,17,18\r\n"},
        {Csv, false, 255,
         "1970-01-01T00:00:01.005+00:00,1,No Reply,0,00 00 00 00 00 06 01 03 00 10 00 03,"
         "00 00 00 00 00 09 01 03 06 00 10 00 11 00 12,,,,\r\n"},
        {Json, false, 0,
         "{\"time\":\"1970-01-01T00:00:01.005+00:00\",\"request\":1,\"status\":\"OK\",\"errors\":0,"
         "\"request_frame\":\"00 00 00 00 00 06 01 03 00 10 00 03\","
         "\"reply_frame\":\"00 00 00 00 00 09 01 03 06 00 10 00 11 00 12\",\"exception\":null,"
         "\"registers\":[16,17,18]}\n"},
        {Json, false, 255,
         "{\"time\":\"1970-01-01T00:00:01.005+00:00\",\"request\":1,\"status\":\"No Reply\",\"errors\":0,"
         "\"request_frame\":\"00 00 00 00 00 06 01 03 00 10 00 03\","
         "\"reply_frame\":\"00 00 00 00 00 09 01 03 06 00 10 00 11 00 12\",\"exception\":null,"
         "\"registers\":null}\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        opt.format = c.format;
        opt.timestamp = c.timestamp;
        x.status = c.status;
        EXPECT_EQ(FormatRecord(ExchangeOutRecord(x, opt), c.format), c.line);
    }
    // Before any good read the tsv line ends in an empty values field.
    opt.format = Tsv;
    opt.timestamp = false;
    x.status = 0;
    x.regs = nullptr;
    EXPECT_EQ(FormatRecord(ExchangeOutRecord(x, opt), Tsv), "1\tOK\t0\t" + frames + "\t\n");
    opt.format = Csv;
    EXPECT_EQ(CsvHeader(ExchangeOutRecord(x, opt), ValueColumnNames(16, 3, ValueType::UInt16)),
              "time,request,status,errors,request_frame,reply_frame,exception,r16,r17,r18\r\n");
}

// Bits in each format: 0/1 characters in groups of eight (tsv), one column
// c<address> or d<address> a bit (CSV), the array "bits" (JSON lines).
TEST(PollFormat, RecordsOfABitRead)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    const uint8_t bits[] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0};
    ExchangeShown x;
    x.time = {1, 0};
    x.request = 2;
    x.bits = bits;
    x.regCount = 10;
    PollOptions opt;
    opt.cmd = 1;
    opt.start = 7;
    opt.count = 10;
    opt.format = Tsv;
    EXPECT_EQ(FormatRecord(ExchangeOutRecord(x, opt), Tsv), "2\tOK\t0\t\t\t10110001 10\n");
    opt.format = Csv;
    EXPECT_EQ(FormatRecord(ExchangeOutRecord(x, opt), Csv),
              "1970-01-01T00:00:01.000+00:00,2,OK,0,,,,1,0,1,1,0,0,0,1,1,0\r\n");
    EXPECT_EQ(CsvHeader(ExchangeOutRecord(x, opt), ValueColumns(opt)),
              "time,request,status,errors,request_frame,reply_frame,exception,c7,c8,c9,c10,c11,c12,c13,c14,c15,"
              "c16\r\n");
    opt.cmd = 2;
    opt.count = 2;
    EXPECT_EQ(ValueColumns(opt), (std::vector<std::string>{"d7", "d8"}));
    opt.count = 10;
    opt.format = Json;
    EXPECT_EQ(FormatRecord(ExchangeOutRecord(x, opt), Json),
              "{\"time\":\"1970-01-01T00:00:01.000+00:00\",\"request\":2,\"status\":\"OK\",\"errors\":0,"
              "\"request_frame\":\"\",\"reply_frame\":\"\",\"exception\":null,\"bits\":[1,0,1,1,0,0,0,1,1,0]}\n");
    x.status = 255;
    EXPECT_NE(FormatRecord(ExchangeOutRecord(x, opt), Json).find(",\"bits\":null}\n"), std::string::npos);
}

}   // namespace
