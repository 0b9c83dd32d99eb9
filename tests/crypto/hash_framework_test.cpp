// The class-level operations of THash (text, stream, file), their progress reports and the digest-text
// formats.

#include "common/CryptoData.h"
#include "common/TempDir.h"
#include "crypto/Progress.h"
#include "crypto/hash/Checksums.h"
#include "crypto/hash/HashClasses.h"
#include "crypto/hash/MD5.h"
#include "crypto/hash/SHA.h"
#include "platform/Error.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

using namespace torvane;
using namespace torvane::crypto;
using torvane::test::FromHex;
using torvane::test::TempDir;
using torvane::test::ToHex;

namespace {

using Report = std::pair<std::int64_t, std::int64_t>;

// Records every progress report for one test and leaves the slot empty afterwards.
struct ProgressLog {
    std::vector<Report> reports;
    std::set<const void*> senders;
    ScopedProgressHook hook{[this](const void* sender, std::int64_t current, std::int64_t maximal) {
        reports.emplace_back(current, maximal);
        senders.insert(sender);
    }};
};

// A stream that delivers its data and then fails, as a disk with a bad sector would.
class FailingStream final : public TStream {
public:
    FailingStream(std::int64_t size, std::int64_t failAt) : size_(size), failAt_(failAt) {}
    std::int64_t Read(void* buffer, std::int64_t count) override {
        if (position_ >= failAt_) throw EReadError("Read error on the test stream");
        const auto n = std::min({count, size_ - position_, failAt_ - position_});
        std::memset(buffer, 'x', static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        position_ = (origin == SeekOrigin::Begin ? 0
                     : origin == SeekOrigin::End ? size_
                                                 : position_) +
                    offset;
        return position_;
    }
    void SetSize(std::int64_t) override {}

private:
    std::int64_t size_, failAt_, position_ = 0;
};

std::string Format64(std::vector<std::uint8_t> bytes) {
    return DigestToText(bytes.data(), static_cast<std::int32_t>(bytes.size()), 64);
}

TEST(DigestText, FormatsHexAndRawAndDefault) {
    const std::uint8_t d[] = {0x00, 0x0F, 0xA5, 0xFF};
    EXPECT_EQ(DigestToText(d, 4, 16), "000FA5FF");
    EXPECT_EQ(DigestToText(d, 4, 1), std::string("\x00\x0F\xA5\xFF", 4));
    EXPECT_EQ(DigestToText(d, 4, 255), std::string("\x00\x0F\xA5\xFF", 4));
    ASSERT_EQ(DefaultDigestFormat, 64);
    EXPECT_EQ(DigestToText(d, 4, 0), DigestToText(d, 4, 64));
    DefaultDigestFormat = 16;
    EXPECT_EQ(DigestToText(d, 4, 0), "000FA5FF");
    DefaultDigestFormat = 64;
}

TEST(DigestText, EveryCharacterOfBothAlphabets) {
    // The standard decoding of the alphabet itself: each group's last character is no "A", so the
    // variant writes every character, in order.
    const auto bytes = FromHex(
        "00108310518720928B30D38F41149351559761969B71D79F8218A39259A7A29AABB2DBAFC31CB3D35DB7E39EBBF3DFBF");
    EXPECT_EQ(Format64(bytes), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    const auto hex = FromHex("0123456789ABCDEF");
    EXPECT_EQ(DigestToText(hex.data(), 8, 16), "0123456789ABCDEF");
}

TEST(DigestText, Base64StopsEachGroupAtItsTrailingZeroBits) {
    // CRC-32 of "abc" is 352441C2, digest bytes C2 41 24 35: here the same as the standard encoding.
    EXPECT_EQ(Format64({0xC2, 0x41, 0x24, 0x35}), "wkEkNQ==");
    EXPECT_EQ(Format64({0x40}), "Q==");
    EXPECT_EQ(Format64({0x01}), "AQ==");
    EXPECT_EQ(Format64({0x00}), "==");
    EXPECT_EQ(Format64({0x00, 0x00, 0x00}), "");
    EXPECT_EQ(Format64({0x00, 0x00}), "=");
    EXPECT_EQ(Format64({0x00, 0x00, 0x00, 0x40}), "Q==");
    EXPECT_EQ(Format64({0x10, 0x00, 0x00}), "E"); // standard: EAAA
    EXPECT_EQ(Format64({0xFF, 0xFF, 0xFF}), "////");
    EXPECT_EQ(Format64({0x4D, 0x61, 0x6E}), "TWFu"); // full groups match the standard encoding
}

TEST(DigestText, LastByteOfASixteenByteDigestFormsAGroupOfItsOwn) {
    std::vector<std::uint8_t> d(16, 0xFF);
    const std::string head = "////////////////////"; // five full groups
    d[15] = 0x40;
    EXPECT_EQ(Format64(d), head + "Q==");
    d[15] = 0x01;
    EXPECT_EQ(Format64(d), head + "AQ==");
    d[15] = 0x00;
    EXPECT_EQ(Format64(d), head + "==");
}

TEST(DigestText, InstanceTextFollowsTheDefaultFormat) {
    THash_MD5 h;
    h.Start();
    h.Update("abc", 3);
    h.Finish();
    EXPECT_EQ(h.DigestText(16), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(h.DigestText(0), h.DigestText(64));
    EXPECT_EQ(h.DigestText(7), std::string(reinterpret_cast<char*>(h.DigestBytes()), 16));
}

TEST(HashText, ReturnsTheDefaultTextAndCopiesTheDigest) {
    std::uint8_t digest[20] = {};
    const auto text = THash::HashText(&THash_SHA1::ClassInfo, digest, "abc");
    EXPECT_EQ(ToHex(digest, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(text, DigestToText(digest, 20, 64));
    EXPECT_EQ(THash::HashText(&THash_CRC32::ClassInfo, nullptr, "abc"), "wkEkNQ==");
}

TEST(HashFile, EmptyFileReportsStartAndEndOnly) {
    TempDir dir;
    const auto file = dir.Write("empty", "");
    ProgressLog log;
    std::uint8_t digest[16];
    THash::HashFile(&THash_MD5::ClassInfo, digest, file);
    EXPECT_EQ(ToHex(digest, 16), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, 0}, {0, 0}}));
}

TEST(HashFile, ReadsInBlocksOf4096AndReportsEach) {
    const std::string content(10000, 'a');
    TempDir dir;
    const auto file = dir.Write("content", content);
    ProgressLog log;
    const auto text = THash::HashFile(&THash_SHA1::ClassInfo, nullptr, file);
    EXPECT_EQ(log.reports,
              (std::vector<Report>{{0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}}));
    EXPECT_EQ(log.senders.size(), 1u);
    EXPECT_EQ(text, THash::HashText(&THash_SHA1::ClassInfo, nullptr, content));
}

TEST(HashFile, MissingFileFailsWithoutProgress) {
    ProgressLog log;
    const std::string name = "/nonexistent/torvane/no_such_file.bin";
    try {
        THash::HashFile(&THash_MD5::ClassInfo, nullptr, name);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + name);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST(HashFile, ADirectoryCannotBeOpened) {
    EXPECT_THROW(
        THash::HashFile(&THash_MD5::ClassInfo, nullptr, std::filesystem::temp_directory_path().string()),
        EFOpenError);
}

TEST(HashStream, ReadErrorEndsTheHashingAfterTheFinalReport) {
    FailingStream stream(10000, 5000);
    ProgressLog log;
    std::uint8_t digest[16] = {0xEE};
    EXPECT_THROW(THash::HashStream(&THash_MD5::ClassInfo, digest, stream, -1), EReadError);
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, 10000}, {4096, 10000}, {5000, 10000}, {0, 0}}));
    EXPECT_EQ(digest[0], 0xEE) << "a failed hashing must not leave a digest";
}

TEST(HashStream, TakesSizeBytesFromTheCurrentPosition) {
    TMemoryStream stream(std::vector<std::uint8_t>{'x', 'x', 'a', 'b', 'c', 'y'});
    stream.SetPosition(2);
    EXPECT_EQ(THash::HashStream(&THash_CRC32::ClassInfo, nullptr, stream, 3), "wkEkNQ==");
    EXPECT_EQ(stream.Position(), 5);
}

TEST(HashStream, NegativeSizeMeansTheWholeStreamFromItsBeginning) {
    TMemoryStream stream(std::vector<std::uint8_t>{'a', 'b', 'c'});
    stream.SetPosition(3);
    EXPECT_EQ(THash::HashStream(&THash_CRC32::ClassInfo, nullptr, stream, -1), "wkEkNQ==");
}

TEST(HashStream, StopsAtTheEndOfAShortStream) {
    TMemoryStream stream(std::vector<std::uint8_t>{'a', 'b', 'c'});
    ProgressLog log;
    EXPECT_EQ(THash::HashStream(&THash_CRC32::ClassInfo, nullptr, stream, 10), "wkEkNQ==");
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, 10}, {3, 10}, {0, 0}}));
}

TEST(HashStream, AFailingProgressHandlerNeitherStopsTheHashingNorIsCalledAgain) {
    int calls = 0;
    ScopedProgressHook hook([&](const void*, std::int64_t, std::int64_t) {
        ++calls;
        throw std::runtime_error("display gone");
    });
    TMemoryStream stream(std::vector<std::uint8_t>(9000, 'q'));
    std::uint8_t digest[4], expected[4];
    THash::HashStream(&THash_CRC32::ClassInfo, digest, stream, -1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(ProgressHook);
    THash::HashText(&THash_CRC32::ClassInfo, expected, std::string(9000, 'q'));
    EXPECT_EQ(ToHex(digest, 4), ToHex(expected, 4));
}

} // namespace
