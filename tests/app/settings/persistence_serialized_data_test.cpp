// The byte-block form of an object's state: big-endian numbers at a moving cursor,
// and no read or write past its bounds.
#include "app/settings/serialized_data.h"

#include <gtest/gtest.h>

namespace {

TEST(SerializedDataTest, NumbersAreBigEndianAtTheCursor)
{
    SerializedData data(ParameterIdentifier::ImageCapture, 1);
    ASSERT_TRUE(data.Put32(0x01020304));
    ASSERT_TRUE(data.Put16(0x0506));
    ASSERT_TRUE(data.Put8(0x07));
    std::vector<std::uint8_t> bytes;
    data.ToByteArray(bytes);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7}));

    SerializedData copy(ParameterIdentifier::ImageCapture, 1);
    ASSERT_TRUE(copy.FromByteArray(bytes));
    std::uint32_t a = 0;
    std::uint16_t b = 0;
    std::uint8_t c = 0;
    ASSERT_TRUE(copy.Get32(a) && copy.Get16(b) && copy.Get8(c));
    EXPECT_EQ(a, 0x01020304u);
    EXPECT_EQ(b, 0x0506u);
    EXPECT_EQ(c, 0x07u);
    EXPECT_FALSE(copy.Get8(c)); // at the end
    EXPECT_EQ(copy.cursor(), 7u);
}

TEST(SerializedDataTest, BoundsAreKept)
{
    SerializedData data(ParameterIdentifier::ScannerInfo, 0);
    std::vector<std::uint8_t> const tooLong(SerializedData::GetMaxDataLength() + 1, 0xAB);
    EXPECT_FALSE(data.SetData(tooLong.data(), tooLong.size()));
    EXPECT_EQ(data.length(), 0);

    std::vector<std::uint8_t> const full(SerializedData::GetMaxDataLength() - 2, 0);
    ASSERT_TRUE(data.SetData(full.data(), full.size()));
    for (std::size_t i = 0; i < full.size(); ++i) {
        ASSERT_TRUE(data.Put8(0));
    }
    EXPECT_FALSE(data.Put32(1)); // would pass the maximum
    EXPECT_TRUE(data.Put16(1));
    EXPECT_EQ(data.length(), static_cast<int>(SerializedData::GetMaxDataLength()));

    std::uint16_t value = 0;
    data.Rewind();
    ASSERT_TRUE(data.SetData(full.data(), 1));
    EXPECT_FALSE(data.Get16(value));
    EXPECT_EQ(data.cursor(), 0u);
}

} // namespace
