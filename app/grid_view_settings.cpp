#include "app/grid_view_settings.h"

#include <string>

#include "app/cfgfile.h"
#include "app/tarvix_settings.h"

namespace {

const char *const kNotationNames[kAddressNotationCount] = {"0-based", "1-based", "prefixed"};

std::string GetValue(int h, const char *key)
{
    char text[64];
    CfgGetStr(h, kGridViewSection, key, "", text, sizeof text);
    return text;
}

}   // namespace

bool LoadGridViewSettings(GridViewSettings &s)
{
    s = GridViewSettings{};
    const int h = CfgOpen(kSettingsFileName);
    const bool present = CfgFind(h, kGridViewSection, "Format") >= 0 || CfgFind(h, kGridViewSection, "Order") >= 0 ||
                         CfgFind(h, kGridViewSection, "Addresses") >= 0;
    if (present) {
        const std::string format = GetValue(h, "Format");
        for (int f = 0; f < kValueFormatCount; ++f)
            if (format == ValueFormatName(static_cast<ValueFormat>(f)))
                s.Format = static_cast<ValueFormat>(f);
        const std::string order = GetValue(h, "Order");
        for (const RegisterOrder o : kRegisterOrders)
            if (order == RegisterOrderName(o))
                s.Order = o;
        const std::string addresses = GetValue(h, "Addresses");
        for (int n = 0; n < kAddressNotationCount; ++n)
            if (addresses == kNotationNames[n])
                s.Addresses = static_cast<AddressNotation>(n);
    }
    CfgClose(h);
    return present;
}

void SaveGridViewSettings(const GridViewSettings &s)
{
    const int h = CfgOpen(kSettingsFileName);
    CfgSetStr(h, kGridViewSection, "Format", ValueFormatName(s.Format));
    CfgSetStr(h, kGridViewSection, "Order", RegisterOrderName(s.Order));
    CfgSetStr(h, kGridViewSection, "Addresses", kNotationNames[static_cast<int>(s.Addresses) % kAddressNotationCount]);
    CfgClose(h);
}
