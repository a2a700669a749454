#pragma once
// The positional layout of the settings file: one value per line after the
// version tag, in an order fixed per instrument family.

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "config/survey_config.h"

namespace velox {

struct TextSetting {
    std::u16string* text;
    size_t limit;
};
// One line of the file, bound to the field it holds.
using SettingLine = std::variant<int*, long*, double*, TextSetting>;

// The lines after the version tag, in file order, bound to `config`.
std::vector<SettingLine> settingsLayout(InstrumentType type, SurveyConfig& config);

// "Ver" + the program's version string.
std::string settingsVersionTag(const Variant& variant);

// The whole file as written by saveSettings, CR LF line ends.
std::string formatSettings(const Variant& variant, const SurveyConfig& config);
// Reads the value lines (everything after the tag line) into `config`.
// Missing lines keep their present values; text is cut at its limit.
void parseSettingsLines(InstrumentType type, const std::string& body, SurveyConfig& config);

// Conversions of one line, forgiving as the settings file has always been:
// leading blanks, an optional sign, and text that is no number becomes 0.
long parseSettingInteger(const std::string& line);
double parseSettingDouble(const std::string& line);

}  // namespace velox
