#include "common/SensorBlockFixture.h"

#include "hw/MBM4Wrapper.h"
#include "hw/Real48.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

namespace torvane::hw {
namespace {

// Built by hand from the format's definition: exponent byte (bias 129), then the fraction's low byte
// first, the sign in the top bit of the last byte.
struct Real48Vector {
    double Value;
    TReal48 Bytes;
};
const Real48Vector kVectors[] = {
    {1.0, {0x81, 0, 0, 0, 0, 0}},
    {45.5, {0x86, 0, 0, 0, 0, 0x36}},                       // 1.421875 * 2^5
    {-2.5, {0x82, 0, 0, 0, 0, 0xA0}},                       // sign, 1.25 * 2^1
    {113.0, {0x87, 0, 0, 0, 0, 0x62}},                      // 1.765625 * 2^6
    {1.0 + std::ldexp(1.0, -39), {0x81, 0x01, 0, 0, 0, 0}}, // lowest fraction bit
    {1.0 + std::ldexp(1.0, -8), {0x81, 0, 0, 0, 0x80, 0}},
    {1.0 + std::ldexp(1.0, -7), {0x81, 0, 0, 0, 0, 0x01}},
    {std::ldexp(1.0, -128), {0x01, 0, 0, 0, 0, 0}}, // smallest
};

TEST(Real48, DecodesAndEncodesTheFormatsOwnBytes) {
    for (const auto& v : kVectors) {
        EXPECT_EQ(Real48ToDouble(v.Bytes.data()), v.Value) << v.Value;
        const auto encoded = DoubleToReal48(v.Value);
        ASSERT_TRUE(encoded) << v.Value;
        EXPECT_EQ(*encoded, v.Bytes) << v.Value;
    }
    const TReal48 largest{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(Real48ToDouble(largest.data()), std::ldexp(2.0 - std::ldexp(1.0, -39), 126));
}

TEST(Real48, ExponentZeroIsZeroWhateverTheOtherBytesHold) {
    const TReal48 zero{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Real48ToDouble(zero.data()), 0.0);
    EXPECT_EQ(DoubleToReal48(0.0), TReal48{});
    EXPECT_EQ(DoubleToReal48(-0.0), TReal48{});
}

TEST(Real48, EncodingRoundsToTheNearestHalvesToEvenAndKnowsItsRange) {
    const double one = 1.0;
    EXPECT_EQ(Real48ToDouble(DoubleToReal48(one + std::ldexp(1.0, -40))->data()), 1.0); // tie, even is down
    EXPECT_EQ(Real48ToDouble(DoubleToReal48(one + std::ldexp(3.0, -40))->data()),
              one + std::ldexp(1.0, -38));                                              // tie, even is up
    EXPECT_EQ(Real48ToDouble(DoubleToReal48(2.0 - std::ldexp(1.0, -41))->data()), 2.0); // carry into exponent
    EXPECT_FALSE(DoubleToReal48(std::ldexp(1.0, 127)));
    EXPECT_TRUE(DoubleToReal48(std::ldexp(1.0, 126)));
    EXPECT_FALSE(DoubleToReal48(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(DoubleToReal48(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(DoubleToReal48(std::ldexp(1.0, -129)), TReal48{}); // too small: zero
}

TEST(Real48, RoundingToIntegersTakesHalvesToEvenInAnyRoundingMode) {
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    for (int mode : modes) {
        std::fesetround(mode);
        EXPECT_EQ(RoundToInt32(45.5), 46);
        EXPECT_EQ(RoundToInt32(46.5), 46);
        EXPECT_EQ(RoundToInt32(-45.5), -46);
        EXPECT_EQ(RoundToInt32(-46.5), -46);
        EXPECT_EQ(RoundToInt32(0.5), 0);
        EXPECT_EQ(RoundToInt32(45.4999), 45);
        EXPECT_EQ(RoundToInt32(45.5001), 46);
    }
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
    EXPECT_FALSE(RoundToInt32(2147483647.5));
    EXPECT_EQ(RoundToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_FALSE(RoundToInt32(-2147483649.0));
    EXPECT_FALSE(RoundToInt32(std::numeric_limits<double>::quiet_NaN()));
}

class SensorBlock : public ::testing::Test {
protected:
    test::TestSensorBlock block;
    TMBM4Wrapper wrapper{block.Name()};

    void Put(std::size_t offset, const TReal48& bytes) {
        std::memcpy(block.Bytes() + offset, bytes.data(), 6);
    }
};

TEST_F(SensorBlock, WithoutTheBlockNothingIsPresentAndEveryReadingIsZero) {
    EXPECT_EQ(wrapper.Reading(1), std::nullopt);
    EXPECT_FALSE(wrapper.Present());
    for (int index : {1, 2, 3}) EXPECT_EQ(wrapper.Temperature(index), 0);
    block.Publish(45.5, 46.5, 30);
    EXPECT_TRUE(wrapper.Present());
    block.Remove();
    EXPECT_FALSE(wrapper.Present()) << "nothing may stay open between reads";
    EXPECT_EQ(wrapper.Temperature(1), 0);
}

TEST_F(SensorBlock, ReadsEachTemperatureAtItsOwnOffset) {
    block.Stamp();
    Put(46, {0x86, 0, 0, 0, 0, 0x36}); // 45.5
    Put(52, {0x86, 0, 0, 0, 0, 0x3A}); // 46.5
    Put(58, {0x87, 0, 0, 0, 0, 0x62}); // 113
    EXPECT_EQ(wrapper.Temperature(1), 46);
    EXPECT_EQ(wrapper.Temperature(2), 46);
    EXPECT_EQ(wrapper.Temperature(3), 113);
}

TEST_F(SensorBlock, AnyOtherIndexReadsTemperatureOne) {
    block.Publish(41, 42, 43);
    for (int index : {0, 4, 7, -1}) EXPECT_EQ(wrapper.Temperature(index), 41) << index;
}

TEST_F(SensorBlock, ExponentZeroAtFiftyTwoReadsZero) {
    block.Publish(41, 42, 43);
    block.Bytes()[52] = 0;
    EXPECT_EQ(wrapper.Temperature(2), 0);
    EXPECT_EQ(wrapper.Temperature(3), 43);
}

TEST_F(SensorBlock, NegativeUnrepresentableAndUnphysicalReadings) {
    block.Publish(-5.5, 1e30, -1e30);
    EXPECT_EQ(wrapper.Temperature(1), -6);
    EXPECT_EQ(wrapper.Temperature(2), 0);
    EXPECT_EQ(wrapper.Temperature(3), 0);
    // What no sensor shows is no reading: the limits belong to the range, a step past them does not.
    block.Publish(-55, 150, 150.5);
    EXPECT_EQ(wrapper.Reading(1), -55);
    EXPECT_EQ(wrapper.Reading(2), 150);
    EXPECT_EQ(wrapper.Reading(3), std::nullopt);
    block.Publish(-55.5, 25976314, -500);
    for (int index : {1, 2, 3}) EXPECT_EQ(wrapper.Reading(index), std::nullopt) << index;
    EXPECT_TRUE(wrapper.Present());
    // In Fahrenheit the same range in its own degrees.
    block.Publish(302, 302.5, -67, 'F');
    EXPECT_EQ(wrapper.Reading(1), 302);
    EXPECT_EQ(wrapper.Reading(2), std::nullopt);
    EXPECT_EQ(wrapper.Reading(3), -67);
}

TEST_F(SensorBlock, ABlockWhosePublisherStoppedRewritingIsNoReadingWithinSeconds) {
    block.Publish(61, 0, 0);
    EXPECT_EQ(wrapper.Temperature(1), 61);
    // The publisher was killed: its block stays as it was, and its last rewrite grows old.
    block.Stamp(SensorClockMs() - kLiveMs + 500);
    Put(46, *DoubleToReal48(61));
    EXPECT_EQ(wrapper.Temperature(1), 61) << "still live";
    block.Stamp(SensorClockMs() - kLiveMs - 1);
    Put(46, *DoubleToReal48(61));
    EXPECT_FALSE(wrapper.Present());
    EXPECT_EQ(wrapper.Reading(1), std::nullopt);
    EXPECT_EQ(wrapper.Temperature(1), 0);
    // A rewrite from the future (a clock that is not the boot clock) is no sign of life either.
    block.Stamp(SensorClockMs() + 60000);
    EXPECT_FALSE(wrapper.Present());
}

TEST_F(SensorBlock, ABlockWithoutTheMarkOrHalfRewrittenIsNoReading) {
    // Random bytes that happen to hold 25976314 at the first reading.
    for (std::size_t i = 0; i < kSensorBlockSize; ++i)
        block.Bytes()[i] = static_cast<std::uint8_t>(i * 37 + 11);
    Put(46, *DoubleToReal48(25976314));
    EXPECT_FALSE(wrapper.Present());
    EXPECT_EQ(wrapper.Temperature(1), 0);
    // A publisher in the middle of a rewrite (odd sequence) is waited for, not read half done.
    block.Publish(45, 46, 47);
    block.Bytes()[kSequenceOffset] |= 1;
    EXPECT_EQ(wrapper.Reading(1), std::nullopt);
    block.Bytes()[kSequenceOffset] += 1;
    EXPECT_EQ(wrapper.Reading(1), 45);
}

TEST(SensorBlockOwner, AnotherUsersBlockIsNotTrusted) {
    if (::geteuid() != 0) GTEST_SKIP() << "a block of another user needs root to be made (fchown)";
    test::TestSensorBlock block;
    block.Publish(61, 62, 63);
    TMBM4Wrapper wrapper(block.Name());
    EXPECT_EQ(wrapper.Temperature(1), 61);
    const int fd = ::shm_open(block.Name().c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
    ::close(fd);
    EXPECT_FALSE(wrapper.Present());
    EXPECT_EQ(wrapper.Reading(1), std::nullopt);
}

TEST(SensorBlockShort, AShortBlockIsNoReading) {
    // A block of 0, 1 or 60 bytes cannot hold the mark and the three readings.
    for (const std::size_t size : {std::size_t{1}, std::size_t{60}}) {
        test::TestSensorBlock shortBlock(size);
        shortBlock.Bytes()[0] = 'T';
        TMBM4Wrapper wrapper(shortBlock.Name());
        EXPECT_FALSE(wrapper.Present()) << size;
        EXPECT_EQ(wrapper.Temperature(1), 0) << size;
    }
    std::uint8_t shortBytes[60] = {};
    const double values[3] = {41, 42, 43};
    EXPECT_FALSE(PublishTemperatures(shortBytes, sizeof shortBytes, values, 'C'));
    EXPECT_FALSE(WriteTemperature(shortBytes, 60, 3, 43.0));
    std::uint8_t whole[kSensorBlockSize] = {};
    EXPECT_TRUE(WriteTemperature(whole, sizeof whole, 3, 43.0));
    EXPECT_FALSE(WriteTemperature(whole, sizeof whole, 4, 43.0));
    EXPECT_FALSE(WriteTemperature(whole, sizeof whole, 0, 43.0));
}

} // namespace
} // namespace torvane::hw
