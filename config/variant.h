#pragma once
// The product variant: which instrument a program serves and to which product
// line it belongs. Fixed by each program's main before anything else runs.

#include <cstdint>
#include <string>

namespace velox {

enum class InstrumentType : int {
    Grad601 = -4,
    Em61Lx2 = -2,
    Em61Mk2 = -1,
    Em31Mk2 = 0,
    Em38 = 3,
    Em34_3 = 4,
    Em38Mk2 = 7,
};

enum class ProductLine { Velox, Orv };

// Switches that replace real sources by simulated or alternative ones. Every
// shipped program has them all 0; they exist so that the branches that test
// them have one name.
struct BuildSwitches {
    int altInstrumentReader = 0;
    int simulateEm61Mk2 = 0;
    int simulateGrad601 = 0;
    int simulateGps = 0;
    int gpsSimulationMode = 0;
    int simulatorLabelOnly = 0;
    int em38AltReader = 0;
};

struct Variant {
    InstrumentType instrumentType = InstrumentType::Em61Lx2;
    ProductLine productLine = ProductLine::Velox;
    BuildSwitches switches{};
};

inline constexpr InstrumentType kAllInstruments[] = {
    InstrumentType::Grad601, InstrumentType::Em61Lx2, InstrumentType::Em61Mk2, InstrumentType::Em31Mk2,
    InstrumentType::Em38,    InstrumentType::Em34_3,  InstrumentType::Em38Mk2,
};

// Family groupings used by every branch: EM61 is -2 or -1, the conductivity
// meters are 0 and above, the Grad601 is the only value below -2.
constexpr bool isEm61(InstrumentType t) { return t == InstrumentType::Em61Lx2 || t == InstrumentType::Em61Mk2; }
constexpr bool isConductivityMeter(InstrumentType t) { return static_cast<int>(t) >= 0; }
constexpr bool isGrad601(InstrumentType t) { return static_cast<int>(t) < -2; }

std::string productLineName(ProductLine line);          // "Velox" or "Orv"
std::string variantSuffix(InstrumentType type);         // "61LX2", "31MK2", "601" ...
std::string variantTitle(const Variant& v);             // window title and product name
std::string settingsStem(const Variant& v);             // settings folder and file stem
std::string versionString(const Variant& v);            // "1.08"
std::string versionLine(const Variant& v);              // "Version 1.08", " SIMULATOR" when simulated
std::string programName(const Variant& v);              // executable name, "velox61lx2"
std::string instrumentName(InstrumentType type);        // "EM61-LX2", "Grad601" ...
bool showsSimulatorLabel(const Variant& v);

int instrumentBaud(InstrumentType type);
// Time between instrument records; 0 for the EM38 and EM34-3, whose period
// is measured when the instrument is connected.
double instrumentRecordPeriodMs(InstrumentType type);
uint32_t connectionTimeoutMs(InstrumentType type);
int profileCurveCount(InstrumentType type);  // conductivity meters only; 0 for others

inline constexpr double kEm61SensorWidth = 1.03;  // metres, one EM61-LX2 coil

}  // namespace velox
