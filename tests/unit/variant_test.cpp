#include <gtest/gtest.h>

#include "config/variant.h"
#include "platform/paths.h"
#include "test_support.h"

namespace velox {
namespace {

struct IdentityCase {
    InstrumentType type;
    ProductLine line;
    const char* title;
    const char* stem;
    const char* version;
    const char* program;
};

TEST(Variant, IdentityOfEveryProduct) {
    const IdentityCase cases[] = {
        {InstrumentType::Em61Lx2, ProductLine::Velox, "Velox61LX2", "Velox61LX2", "1.08", "velox61lx2"},
        {InstrumentType::Em61Mk2, ProductLine::Velox, "Velox61MK2", "Velox61MK2", "2.27", "velox61mk2"},
        {InstrumentType::Em31Mk2, ProductLine::Velox, "Velox31", "Velox31MK2", "2.26", "velox31"},
        {InstrumentType::Em38, ProductLine::Velox, "Velox38", "Velox38", "2.11", "velox38"},
        {InstrumentType::Em34_3, ProductLine::Velox, "Velox34-3", "Velox34-3", "2.14", "velox34-3"},
        {InstrumentType::Em38Mk2, ProductLine::Velox, "Velox38MK2", "Velox38MK2", "2.28", "velox38mk2"},
        {InstrumentType::Grad601, ProductLine::Velox, "Velox601", "Velox601", "1.01", "velox601"},
        {InstrumentType::Em61Lx2, ProductLine::Orv, "Orv61LX2", "Orv61LX2", "1.00", "orv61lx2"},
        {InstrumentType::Em61Mk2, ProductLine::Orv, "Orv61MK2", "Orv61MK2", "2.20", "orv61mk2"},
        {InstrumentType::Em31Mk2, ProductLine::Orv, "Orv31", "Orv31MK2", "2.16", "orv31"},
        {InstrumentType::Em38, ProductLine::Orv, "Orv38", "Orv38", "2.00", "orv38"},
        {InstrumentType::Em34_3, ProductLine::Orv, "Orv34-3", "Orv34-3", "2.12", "orv34-3"},
        {InstrumentType::Em38Mk2, ProductLine::Orv, "Orv38MK2", "Orv38MK2", "2.16", "orv38mk2"},
        {InstrumentType::Grad601, ProductLine::Orv, "Orv601", "Orv601", "1.05", "orv601"},
    };
    for (const auto& c : cases) {
        const Variant v{c.type, c.line, {}};
        SCOPED_TRACE(c.title);
        EXPECT_EQ(variantTitle(v), c.title);
        EXPECT_EQ(settingsStem(v), c.stem);
        EXPECT_EQ(versionString(v), c.version);
        EXPECT_EQ(programName(v), c.program);
        EXPECT_EQ(versionLine(v), std::string("Version ") + c.version);
    }
}

TEST(Variant, SimulatorLabelFollowsTheSwitchesThatApplyToTheInstrument) {
    Variant lx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
    EXPECT_EQ(versionLine(lx2), "Version 1.08");
    lx2.switches.simulateGps = 1;
    EXPECT_EQ(versionLine(lx2), "Version 1.08 SIMULATOR");

    // A simulator of another instrument does not count.
    Variant mk2Sim{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
    mk2Sim.switches.simulateEm61Mk2 = 1;
    mk2Sim.switches.simulateGrad601 = 1;
    EXPECT_FALSE(showsSimulatorLabel(mk2Sim));
    mk2Sim.instrumentType = InstrumentType::Em61Mk2;
    EXPECT_TRUE(showsSimulatorLabel(mk2Sim));
}

TEST(Variant, FamiliesAndConstants) {
    EXPECT_TRUE(isEm61(InstrumentType::Em61Lx2));
    EXPECT_TRUE(isEm61(InstrumentType::Em61Mk2));
    EXPECT_FALSE(isEm61(InstrumentType::Grad601));
    EXPECT_TRUE(isGrad601(InstrumentType::Grad601));
    for (auto t : {InstrumentType::Em31Mk2, InstrumentType::Em38, InstrumentType::Em34_3, InstrumentType::Em38Mk2})
        EXPECT_TRUE(isConductivityMeter(t));
    EXPECT_EQ(instrumentBaud(InstrumentType::Em38Mk2), 19200);
    EXPECT_EQ(instrumentBaud(InstrumentType::Em61Lx2), 9600);
    EXPECT_EQ(connectionTimeoutMs(InstrumentType::Grad601), 1000u);
    EXPECT_EQ(connectionTimeoutMs(InstrumentType::Em38Mk2), 500u);
    EXPECT_EQ(connectionTimeoutMs(InstrumentType::Em61Lx2), 200u);
    EXPECT_EQ(profileCurveCount(InstrumentType::Em34_3), 6);
}

TEST(Paths, SettingsFileAndPortMapLiveUnderTheDataRoot) {
    test::TempDataRoot root;
    EXPECT_EQ(settingsFilePath("Velox61LX2"), root.path() / "Halvik" / "Velox61LX2" / "Velox61LX2.INI");
    EXPECT_EQ(temporaryFolder(), root.path() / "Halvik" / "Temp");
    EXPECT_EQ(portMapEntry(3), root.path() / "Halvik" / "Ports" / "COM4");

    unsetenv("PROGRAMDATA");
    setenv("XDG_DATA_HOME", "/xdg", 1);
    EXPECT_EQ(programDataRoot(), "/xdg");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(programDataRoot(), root.path() / ".local" / "share");
}

}  // namespace
}  // namespace velox
