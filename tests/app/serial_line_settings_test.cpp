// The serial line options in "Tarvix.ini": a file without their section
// reads as the classic line and is not rewritten with it; chosen options are
// written to [SerialLine] and read back; unknown texts keep the defaults.
#include "app/serial_line_settings.h"
#include "app/tarvix_settings.h"
#include "tests/app/test_dir.h"

namespace {

class SerialLineSettingsTest : public TempDirTest {};

const char kPlainFile[] = "[MODBUS]\nConnType=2\n\n[COM]\nPort=COM3\n";

}   // namespace

TEST_F(SerialLineSettingsTest, FileWithoutTheSectionStaysAsItIs)
{
    WriteFile(kSettingsFileName, kPlainFile);
    SerialLineOptions o;
    o.End = ReplyEnd::Length;
    LoadSerialLineSettings(o);
    EXPECT_EQ(o, SerialLineOptions{});
    SaveSerialLineSettings(o);
    EXPECT_EQ(ReadFile(kSettingsFileName), kPlainFile);
}

TEST_F(SerialLineSettingsTest, ChosenOptionsAreWrittenAndReadBack)
{
    WriteFile(kSettingsFileName, kPlainFile);
    SerialLineOptions o;
    o.End = ReplyEnd::Length;
    o.Echo = EchoMode::Auto;
    o.TxDelayBeforeUs = 250;
    o.TxDelayAfterUs = 0;
    o.RequestGapMs = 12;
    SaveSerialLineSettings(o);
    EXPECT_EQ(ReadFile(kSettingsFileName), std::string(kPlainFile) +
                                               "\n[SerialLine]\nReplyEnd=length\nEcho=auto\nTxDelayBefore=250\n"
                                               "TxDelayAfter=0\nRequestGap=12\n");
    SerialLineOptions back;
    LoadSerialLineSettings(back);
    EXPECT_EQ(back, o);
    // Back to the defaults: the section stays and says so.
    SaveSerialLineSettings(SerialLineOptions{});
    LoadSerialLineSettings(back);
    EXPECT_EQ(back, SerialLineOptions{});
    EXPECT_NE(ReadFile(kSettingsFileName).find("ReplyEnd=gap\nEcho=off\nTxDelayBefore=-1"), std::string::npos);
}

TEST_F(SerialLineSettingsTest, UnknownValuesKeepTheDefaults)
{
    WriteFile(kSettingsFileName, "[SerialLine]\nReplyEnd=fast\nEcho=ON\nTxDelayBefore=-7\nTxDelayAfter=x\n"
                                 "RequestGap=-3\n");
    SerialLineOptions o;
    LoadSerialLineSettings(o);
    EXPECT_EQ(o, SerialLineOptions{});
    for (const char *t : {"gap", "length"}) {
        ReplyEnd e{};
        ASSERT_TRUE(ParseReplyEnd(t, e));
        EXPECT_STREQ(ReplyEndName(e), t);
    }
    for (const char *t : {"off", "on", "auto"}) {
        EchoMode e{};
        ASSERT_TRUE(ParseEchoMode(t, e));
        EXPECT_STREQ(EchoModeName(e), t);
    }
}
