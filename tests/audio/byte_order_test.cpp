#include "audio/byte_order.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "audio/equals_no_case.h"
#include "audio/sound_error.h"

namespace {

std::istringstream Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return std::istringstream(s);
}

TEST(ByteOrderTest, ReadsEachSizeInBothOrders) {
    struct Case {
        int size;
        std::uint32_t msb;
        std::uint32_t lsb;
    };
    const Case cases[] = {
        {1, 0xFE, 0xFE}, {2, 0xFE01, 0x01FE}, {3, 0xFE0102, 0x0201FE}, {4, 0xFE010203, 0x030201FE},
        {0, 0, 0},       {5, 0, 0},
    };
    const std::uint8_t raw[] = {0xFE, 0x01, 0x02, 0x03, 0x04};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        auto msb = Bytes({0xFE, 0x01, 0x02, 0x03, 0x04});
        auto lsb = Bytes({0xFE, 0x01, 0x02, 0x03, 0x04});
        EXPECT_EQ(ReadIntMsb(msb, c.size), c.msb);
        EXPECT_EQ(ReadIntLsb(lsb, c.size), c.lsb);
        EXPECT_EQ(BytesToIntMsb(raw, c.size), c.msb);
        EXPECT_EQ(BytesToIntLsb(raw, c.size), c.lsb);
    }
    auto three = Bytes({1, 2, 3});
    EXPECT_EQ(ReadIntMsb(three, 3), 66051u);
    auto threeLsb = Bytes({1, 2, 3});
    EXPECT_EQ(ReadIntLsb(threeLsb, 3), 197121u);
}

TEST(ByteOrderTest, WritesTheLowBytesAndReadsThemBack) {
    for (int size = 0; size <= 5; ++size) {
        SCOPED_TRACE(size);
        std::ostringstream msb, lsb;
        WriteIntMsb(msb, 0xA1B2C3D4u, size);
        WriteIntLsb(lsb, 0xA1B2C3D4u, size);
        const std::size_t expectedSize = (size >= 1 && size <= 4) ? size : 0;
        ASSERT_EQ(msb.str().size(), expectedSize);
        ASSERT_EQ(lsb.str().size(), expectedSize);
        if (expectedSize == 0) {
            continue;
        }
        const std::uint32_t mask = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
        std::istringstream inMsb(msb.str()), inLsb(lsb.str());
        EXPECT_EQ(ReadIntMsb(inMsb, size), 0xA1B2C3D4u & mask);
        EXPECT_EQ(ReadIntLsb(inLsb, size), 0xA1B2C3D4u & mask);
    }
    std::ostringstream out;
    WriteIntMsb(out, 0x01020304u, 4);
    EXPECT_EQ(out.str(), std::string("\x01\x02\x03\x04"));
}

TEST(ByteOrderTest, ShortStreamReadsMissingBytesAsZeroAndFails) {
    auto in = Bytes({0x12});
    EXPECT_EQ(ReadIntMsb(in, 2), 0x1200u);
    EXPECT_TRUE(in.fail());
}

TEST(ByteOrderTest, SkipBytesStopsAtTheEnd) {
    auto in = Bytes({1, 2, 3, 4, 5});
    SkipBytes(in, 2);
    EXPECT_EQ(in.get(), 3);
    SkipBytes(in, 1000);
    EXPECT_TRUE(in.eof());
    SkipBytes(in, 1); // a stream at its end stays as it is
    EXPECT_TRUE(in.eof());
}

TEST(EqualsNoCaseTest, ComparesIgnoringAsciiCase) {
    EXPECT_TRUE(EqualsNoCase(".wav", ".WAV"));
    EXPECT_TRUE(EqualsNoCase(nullptr, nullptr));
    EXPECT_FALSE(EqualsNoCase(nullptr, ".wav"));
    EXPECT_FALSE(EqualsNoCase(".wav", nullptr));
    EXPECT_FALSE(EqualsNoCase(".wav", ".wave"));
    EXPECT_FALSE(EqualsNoCase(".wave", ".wav"));
    EXPECT_FALSE(EqualsNoCase(".aif", ".aiff"));
    EXPECT_TRUE(EqualsNoCase("", ""));
}

TEST(SoundErrorTest, BuildsItsTextInEachForm) {
    const SoundError plain("Sound data not found");
    EXPECT_STREQ(plain.what(), "Sound data not found");
    EXPECT_EQ(plain.value, 0);
    EXPECT_FALSE(plain.unsupported);

    const SoundError joined("Unsupported AIFF-C compression type ", "ulaw");
    EXPECT_STREQ(joined.what(), "Unsupported AIFF-C compression type ulaw");
    EXPECT_FALSE(joined.unsupported);

    const SoundError numbered("Unsupported resolution: ", -40, true);
    EXPECT_STREQ(numbered.what(), "Unsupported resolution: -40");
    EXPECT_EQ(numbered.value, -40);
    EXPECT_TRUE(numbered.unsupported);
}

TEST(SoundErrorTest, LongTextIsCutAtACharacterBoundary) {
    // 254 ASCII bytes then a two-byte character that would straddle the limit.
    const std::string text = std::string(254, 'a') + "\xC3\xA9" + "tail";
    const SoundError error(text);
    EXPECT_EQ(error.message, std::string(254, 'a'));
    const SoundError fits(std::string(300, 'b'));
    EXPECT_EQ(fits.message.size(), SoundError::kMaxMessage);
}

} // namespace
