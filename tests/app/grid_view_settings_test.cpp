// The grid's section of "Tarvix.ini": absent, written, read back, and
// living beside the connection settings and lines no program knows.

#include "app/grid_view_settings.h"
#include "app/tarvix_settings.h"
#include "tests/app/test_dir.h"

namespace {

class GridViewSettingsTest : public TempDirTest {};

const char kOldFile[] = "; kept\n[MODBUS]\nConnType=0\nSlaveAddr=7\n[OTHER]\nx=1\n";

TEST_F(GridViewSettingsTest, AFileWithoutTheSectionGivesTheDefaultsAndStaysAsItIs)
{
    WriteFile(kSettingsFileName, kOldFile);
    GridViewSettings g;
    g.Format = ValueFormat::Double;
    EXPECT_FALSE(LoadGridViewSettings(g));
    EXPECT_EQ(g, GridViewSettings{});
    EXPECT_EQ(ReadFile(kSettingsFileName), kOldFile);
}

TEST_F(GridViewSettingsTest, EveryChoiceRoundTripsBesideTheOtherSections)
{
    WriteFile(kSettingsFileName, kOldFile);
    for (int f = 0; f < kValueFormatCount; ++f)
        for (const RegisterOrder o : kRegisterOrders)
            for (int n = 0; n < kAddressNotationCount; ++n) {
                const GridViewSettings want{static_cast<ValueFormat>(f), o, static_cast<AddressNotation>(n)};
                SaveGridViewSettings(want);
                GridViewSettings got;
                ASSERT_TRUE(LoadGridViewSettings(got));
                ASSERT_EQ(got, want);
            }
    SaveGridViewSettings({ValueFormat::Float, kRegisterOrders[1], AddressNotation::OneBased});
    EXPECT_EQ(ReadFile(kSettingsFileName),
              std::string(kOldFile) + "\n[GRID]\nFormat=Float\nOrder=CD AB\nAddresses=1-based\n");
    // The connection settings read and write as before beside the section.
    TarvixSettings s;
    LoadTarvixSettings(s);
    EXPECT_EQ(s.SlaveAddr, 7);
    SaveTarvixSettings(s);
    GridViewSettings got;
    ASSERT_TRUE(LoadGridViewSettings(got));
    EXPECT_EQ(got.Format, ValueFormat::Float);
    EXPECT_NE(ReadFile(kSettingsFileName).find("[OTHER]\nx=1\n"), std::string::npos);
}

TEST_F(GridViewSettingsTest, UnknownValuesKeepTheirDefaults)
{
    WriteFile(kSettingsFileName, "[GRID]\nFormat=Quad\nOrder=CD AB\nAddresses=octal\n");
    GridViewSettings got;
    ASSERT_TRUE(LoadGridViewSettings(got));
    EXPECT_EQ(got.Format, ValueFormat::Hex);
    EXPECT_EQ(got.Order, kRegisterOrders[1]);
    EXPECT_EQ(got.Addresses, AddressNotation::ZeroBased);
}

}   // namespace
