#include <gtest/gtest.h>

#include "platform/text.h"

namespace velox {
namespace {

TEST(Text, StoredBytesKeepEightBitCharactersAndMarkOthers) {
    EXPECT_EQ(toStoredBytes(u"Jörg C:\\"), "J\xF6rg C:\\");
    EXPECT_EQ(toStoredBytes(u"Жx"), "?x");
    EXPECT_EQ(fromStoredBytes("J\xF6rg"), u"Jörg");
}

TEST(Text, Utf8RoundTripAndForgivingDecode) {
    const std::u16string samples[] = {u"", u"/home/jörg/Surveys", u"Ж日本", u"\U0001F600 site"};
    for (const auto& s : samples) EXPECT_EQ(fromUtf8(toUtf8(s)), s);
    // Bytes that are no UTF-8 are taken one by one, never dropped.
    EXPECT_EQ(fromUtf8("a\xF6" "b"), u"aöb");
    EXPECT_EQ(fromUtf8("\xE2\x82"), u"\u00E2\u0082");
}

TEST(Text, FormattedTextIsNeverCutShort) {
    EXPECT_EQ(formatText("%9.1f", 12.34), "     12.3");
    EXPECT_EQ(formatText("%s", ""), "");
    // A huge reading prints all of its 300-odd digits rather than a truncated prefix.
    const std::string huge = formatText("%9.1f", 1e300);
    EXPECT_EQ(huge.size(), 303u);
    EXPECT_EQ(huge.substr(huge.size() - 2), ".0");
}

}  // namespace
}  // namespace velox
