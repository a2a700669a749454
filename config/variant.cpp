#include "config/variant.h"

#include <cctype>

namespace velox {

std::string productLineName(ProductLine line) { return line == ProductLine::Velox ? "Velox" : "Orv"; }

std::string variantSuffix(InstrumentType type) {
    switch (type) {
        case InstrumentType::Grad601: return "601";
        case InstrumentType::Em61Lx2: return "61LX2";
        case InstrumentType::Em61Mk2: return "61MK2";
        case InstrumentType::Em31Mk2: return "31MK2";
        case InstrumentType::Em38: return "38";
        case InstrumentType::Em34_3: return "34-3";
        case InstrumentType::Em38Mk2: return "38MK2";
    }
    return "";
}

std::string instrumentName(InstrumentType type) {
    switch (type) {
        case InstrumentType::Grad601: return "Grad601";
        case InstrumentType::Em61Lx2: return "EM61-LX2";
        case InstrumentType::Em61Mk2: return "EM61-MK2";
        case InstrumentType::Em31Mk2: return "EM31-MK2";
        case InstrumentType::Em38: return "EM38";
        case InstrumentType::Em34_3: return "EM34-3";
        case InstrumentType::Em38Mk2: return "EM38-MK2";
    }
    return "";
}

std::string settingsStem(const Variant& v) { return productLineName(v.productLine) + variantSuffix(v.instrumentType); }

std::string variantTitle(const Variant& v) {
    // The EM31-MK2 is titled by its short name alone.
    const std::string suffix = v.instrumentType == InstrumentType::Em31Mk2 ? "31" : variantSuffix(v.instrumentType);
    return productLineName(v.productLine) + suffix;
}

std::string versionString(const Variant& v) {
    const bool velox = v.productLine == ProductLine::Velox;
    switch (v.instrumentType) {
        case InstrumentType::Grad601: return velox ? "1.01" : "1.05";
        case InstrumentType::Em61Lx2: return velox ? "1.08" : "1.00";
        case InstrumentType::Em61Mk2: return velox ? "2.27" : "2.20";
        case InstrumentType::Em31Mk2: return velox ? "2.26" : "2.16";
        case InstrumentType::Em38: return velox ? "2.11" : "2.00";
        case InstrumentType::Em34_3: return velox ? "2.14" : "2.12";
        case InstrumentType::Em38Mk2: return velox ? "2.28" : "2.16";
    }
    return "";
}

bool showsSimulatorLabel(const Variant& v) {
    const BuildSwitches& s = v.switches;
    return s.altInstrumentReader || s.simulateGps || s.gpsSimulationMode || s.simulatorLabelOnly ||
           (s.simulateEm61Mk2 && v.instrumentType == InstrumentType::Em61Mk2) ||
           (s.simulateGrad601 && v.instrumentType == InstrumentType::Grad601);
}

std::string versionLine(const Variant& v) {
    return "Version " + versionString(v) + (showsSimulatorLabel(v) ? " SIMULATOR" : "");
}

std::string programName(const Variant& v) {
    std::string name = variantTitle(v);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

int instrumentBaud(InstrumentType type) { return type == InstrumentType::Em38Mk2 ? 19200 : 9600; }

double instrumentRecordPeriodMs(InstrumentType type) {
    switch (type) {
        case InstrumentType::Em61Lx2:
        case InstrumentType::Em61Mk2: return 55.078211059704785;
        case InstrumentType::Em31Mk2: return 95.23809523809524;
        case InstrumentType::Em38Mk2: return 47.0;
        case InstrumentType::Grad601: return 91.0;
        case InstrumentType::Em38:
        case InstrumentType::Em34_3: return 0.0;
    }
    return 0.0;
}

uint32_t connectionTimeoutMs(InstrumentType type) {
    switch (type) {
        case InstrumentType::Grad601: return 1000;
        case InstrumentType::Em38Mk2: return 500;
        default: return 200;
    }
}

int profileCurveCount(InstrumentType type) {
    switch (type) {
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38: return 4;
        case InstrumentType::Em34_3: return 6;
        case InstrumentType::Em38Mk2: return 8;
        default: return 0;
    }
}

}  // namespace velox
