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

}  // namespace
}  // namespace velox
