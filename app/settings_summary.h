#pragma once
// The "CURRENT PROGRAM SETTINGS" summary of the start screen: which label and
// value stand in each row for the program's instrument, and where its columns
// go. The texts are the operator's; the widget only draws them.

#include <array>
#include <string>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "config/variant.h"

namespace velox {

// One row of the two columns; empty texts leave the place blank.
struct SummaryRow {
    std::string leftLabel;
    std::string leftValue;
    std::string rightLabel;
    std::string rightValue;
};

inline constexpr int kSummaryRowCount = 6;
using SettingsSummary = std::array<SummaryRow, kSummaryRowCount>;

SettingsSummary settingsSummaryRows(const Variant& variant, const SurveyConfig& config,
                                    const SurveyContext::Derived& derived);

// Horizontal placement of the summary inside [areaLeft, rightLimit]. The
// widths are those of the texts "1885.000" and "Pseudo GGA" and of the
// widest label in the summary font; `narrow` is the small portrait layout.
struct SummaryColumns {
    int centre = 0;
    int leftLabelX = 0;
    int leftValueX = 0;
    int rightLabelX = 0;
    int rightValueX = 0;
};

SummaryColumns summaryColumns(int areaLeft, int rightLimit, bool narrow, int widestLeftValue, int widestRightValue,
                              int widestLabel = 0);

// Vertical spacing of the summary: after the heading and the column headers,
// and between data rows.
struct SummarySpacing {
    int afterHeading = 25;
    int betweenRows = 25;
};

SummarySpacing summarySpacing(bool narrow);

}  // namespace velox
