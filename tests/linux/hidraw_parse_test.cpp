#include "device/linux/hidraw_parse.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace k7::test {
namespace {

bool Declares(std::vector<std::uint8_t> descriptor) {
    return DeclaresReportIds(descriptor);
}

TEST(HidReportDescriptor, FindsReportIdItemsAndOnlyThem) {
    // Vendor page, one 8-byte input report, without and with a Report ID item.
    EXPECT_FALSE(Declares(
        {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xc0}));
    EXPECT_TRUE(Declares({0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95,
                          0x07, 0x81, 0x02, 0xc0}));
    // 0x85 as the data of other items (a 4-byte Usage, Report Count 0x85) is no item.
    EXPECT_FALSE(Declares({0x0b, 0x85, 0x85, 0x85, 0x85, 0x95, 0x85, 0xc0}));
    // A long item's data is skipped whole.
    EXPECT_FALSE(Declares({0xfe, 0x02, 0x10, 0x85, 0x01, 0xc0}));
    EXPECT_TRUE(Declares({0xfe, 0x01, 0x10, 0x00, 0x85, 0x02}));
}

TEST(HidReportDescriptor, TruncatedOrEmptyDescriptorsDeclareNothing) {
    EXPECT_FALSE(Declares({}));
    EXPECT_FALSE(Declares({0xfe}));
    EXPECT_FALSE(Declares({0x0b, 0x85}));  // a 4-byte item cut short
}

TEST(HidIdentity, ReadsUdevHidIdAndSysfsIds) {
    HidAttributes a;
    ASSERT_TRUE(ParseHidId("0003:000004D8:0000B3C5", a));
    EXPECT_EQ(a.vendorId, 0x04d8);
    EXPECT_EQ(a.productId, 0xb3c5);
    ASSERT_TRUE(ParseHidId("0005:0000046d:0000c52b", a));
    EXPECT_EQ(a.vendorId, 0x046d);
    EXPECT_EQ(a.productId, 0xc52b);

    std::uint16_t id = 0;
    ASSERT_TRUE(ParseHexId("04d8\n", id));
    EXPECT_EQ(id, 0x04d8);
    ASSERT_TRUE(ParseHexId("B3C5", id));
    EXPECT_EQ(id, 0xb3c5);
}

TEST(HidIdentity, RejectsMalformedTextWithoutTouchingTheResult) {
    HidAttributes a;
    a.vendorId = 7;
    a.productId = 9;
    for (const char* bad :
         {"", "0003", "0003:04D8", "0003:000104D8:0000B3C5", "0003:000004D8:0000B3C5:1",
          "0003:-4D8:B3C5", "0003:zz:B3C5", "0003:04D8:B3C5 "}) {
        EXPECT_FALSE(ParseHidId(bad, a)) << bad;
    }
    EXPECT_FALSE(ParseHidId(nullptr, a));
    EXPECT_EQ(a.vendorId, 7);
    EXPECT_EQ(a.productId, 9);

    std::uint16_t id = 5;
    for (const char* bad : {"", "10000", "04d8x", "-1"}) EXPECT_FALSE(ParseHexId(bad, id)) << bad;
    EXPECT_FALSE(ParseHexId(nullptr, id));
    EXPECT_EQ(id, 5);
}

}  // namespace
}  // namespace k7::test
