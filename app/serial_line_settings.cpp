#include "app/serial_line_settings.h"

#include <algorithm>
#include <cstring>

#include "app/cfgfile.h"
#include "app/tarvix_settings.h"

const char *ReplyEndName(ReplyEnd e)
{
    return e == ReplyEnd::Length ? "length" : "gap";
}

const char *EchoModeName(EchoMode e)
{
    return e == EchoMode::On ? "on" : e == EchoMode::Auto ? "auto" : "off";
}

bool ParseReplyEnd(const char *text, ReplyEnd &e)
{
    for (ReplyEnd v : {ReplyEnd::Gap, ReplyEnd::Length})
        if (std::strcmp(text, ReplyEndName(v)) == 0) {
            e = v;
            return true;
        }
    return false;
}

bool ParseEchoMode(const char *text, EchoMode &e)
{
    for (EchoMode v : {EchoMode::Off, EchoMode::On, EchoMode::Auto})
        if (std::strcmp(text, EchoModeName(v)) == 0) {
            e = v;
            return true;
        }
    return false;
}

void LoadSerialLineSettings(SerialLineOptions &o)
{
    const SerialLineOptions def;
    o = def;
    int h = CfgOpen(kSettingsFileName);
    char text[16];
    CfgGetStr(h, kSerialLineSection, "ReplyEnd", ReplyEndName(def.End), text, sizeof text);
    ParseReplyEnd(text, o.End);
    CfgGetStr(h, kSerialLineSection, "Echo", EchoModeName(def.Echo), text, sizeof text);
    ParseEchoMode(text, o.Echo);
    // Delays below -1 mean nothing: they read as the classic wait.
    o.TxDelayBeforeUs = std::max(-1, CfgGetInt(h, kSerialLineSection, "TxDelayBefore", def.TxDelayBeforeUs));
    o.TxDelayAfterUs = std::max(-1, CfgGetInt(h, kSerialLineSection, "TxDelayAfter", def.TxDelayAfterUs));
    o.RequestGapMs = uint32_t(std::max(0, CfgGetInt(h, kSerialLineSection, "RequestGap", 0)));
    CfgClose(h);
}

void SaveSerialLineSettings(const SerialLineOptions &o)
{
    int h = CfgOpen(kSettingsFileName);
    SerialLineOptions plain;
    plain.Stats = o.Stats;
    if (o == plain && CfgFind(h, kSerialLineSection, nullptr) < 0) {
        CfgClose(h);
        return;
    }
    CfgSetStr(h, kSerialLineSection, "ReplyEnd", ReplyEndName(o.End));
    CfgSetStr(h, kSerialLineSection, "Echo", EchoModeName(o.Echo));
    CfgSetInt(h, kSerialLineSection, "TxDelayBefore", o.TxDelayBeforeUs);
    CfgSetInt(h, kSerialLineSection, "TxDelayAfter", o.TxDelayAfterUs);
    CfgSetInt(h, kSerialLineSection, "RequestGap", int32_t(o.RequestGapMs));
    CfgClose(h);
}
