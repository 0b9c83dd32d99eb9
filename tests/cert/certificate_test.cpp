// Certificates end to end in memory: the body lines, the filler, sealing and verifying, and what a
// forger or a damaged file gets.

#include "CertTestSupport.h"
#include "common/PlayedCpu.h"

#include "cert/Builder.h"
#include "cert/CertificateFile.h"
#include "cert/Scramble.h"
#include "cert/Verifier.h"
#include "cert/Windows1252.h"
#include "crypto/hash/Hash.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace torvane::test {
namespace {

using cert::TCertificateState;

std::string Unscrambled(std::string bytes) {
    cert::ScrambleBytes(bytes, cert::ScrambleKey);
    return bytes;
}

std::string Scrambled(std::string plain) {
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    return plain;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "the last line has its CR LF";
    return lines;
}

class Certificates : public ::testing::Test {
protected:
    std::string Seal(const cert::TCertificateFacts& facts = SampleFacts(),
                     const cert::TCertificateDescription& d = SampleDescription()) {
        return cert::SealCertificate(hash, facts, d, SampleFiller());
    }
    crypto::THashManager hash;
};

TEST_F(Certificates, BodyLinesInOrder) {
    const auto lines = cert::CertificateBodyLines(SampleFacts(), SampleDescription());
    const std::vector<std::string> expected{
        "Torvane Test 5.0 [ Ombrel ]",
        "Copyright (C) 1999-2000 by Quarnett",
        "",
        "",
        "This System is been tested over 24 hours under extreme conditions.",
        "If you see just a screenshot of this it cannot be trusted, but",
        "if you downloaded this certificate, then you can be sure that is",
        "not a fake. This Certificate is Digitally Signed and Encrypted.",
        "",
        "CPU:",
        " ID: 5-2-12-0",
        " Actual Speed: 133 MHz",
        " Info: Pentium 133",
        "",
        "Test Results:",
        " Errors: 0",
        " Worktime: 1d, 2h, 3m, 4s",
        "",
        "Other info:",
        " MaxTempSize: 100 MB",
        "",
        "System info",
        " Owner: J\u00f6rg M\u00fcller",
        " CPU: Pentium 133",
        " Motherboard: ASUS P55T2P4",
        " Cooling: Fan",
        " RAM: 64 MB",
        " OS: Windows 98",
        "",
        "Additional info: ",
        " first line",
        " ",
        " third \u00b4line\u00b4",
        "",
        "Time: 14:05:09",
        "Date: 07/08/2025",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(Certificates, NumbersEmptyFieldsAndSizes) {
    auto facts = SampleFacts();
    facts.RawSpeed = -1;
    facts.ErrorCount = -3;
    facts.MaxTempSize = 1048575; // below one megabyte
    facts.CpuType = 2;
    auto d = SampleDescription();
    d.Ram.clear();
    d.AdditionalInfo = cert::AdditionalInfoLines("");
    const auto lines = cert::CertificateBodyLines(facts, d);
    EXPECT_EQ(lines[11], " Actual Speed: -1 MHz");
    EXPECT_EQ(lines[15], " Errors: -3");
    EXPECT_EQ(lines[19], " MaxTempSize: 0 MB");
    EXPECT_EQ(lines[10], " ID: 5-2-12-2");
    EXPECT_EQ(lines[26], " RAM: ");
    ASSERT_EQ(lines.size(), 34u); // n = 1
    EXPECT_EQ(lines[29], "Additional info: ");
    EXPECT_EQ(lines[30], " N/A");
    facts.MaxTempSize = 2147483647;
    EXPECT_EQ(cert::CertificateBodyLines(facts, d)[19], " MaxTempSize: 2047 MB");
}

TEST(AdditionalInfo, LinesAsTheBoxHoldsThem) {
    using V = std::vector<std::string>;
    EXPECT_EQ(cert::AdditionalInfoLines(""), V{"N/A"});
    EXPECT_EQ(cert::AdditionalInfoLines("a"), V{"a"});
    EXPECT_EQ(cert::AdditionalInfoLines("a\n"), V{"a"});
    EXPECT_EQ(cert::AdditionalInfoLines("a\n\n"), (V{"a", ""}));
    EXPECT_EQ(cert::AdditionalInfoLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(cert::AdditionalInfoLines("\n"), V{""});
    EXPECT_EQ(cert::AdditionalInfoLines(" "), V{" "});
}

TEST(Filler, NeverHoldsALineBreakOrAZero) {
    int draws = 0;
    const auto filler = cert::FillerLine([&](std::int32_t low, std::int32_t high) {
        EXPECT_EQ(low, 1);
        EXPECT_EQ(high, 255);
        ++draws;
        // Every awkward value in turn, then a plain one.
        const std::int32_t awkward[] = {10, 13, 0, 256, -1, 255, 1};
        return draws <= 7 ? awkward[draws - 1] : 65;
    });
    EXPECT_EQ(draws, 200);
    EXPECT_EQ(filler.size(), 195u);
    EXPECT_EQ(filler.find_first_of(std::string("\0\r\n", 3)), std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(filler[0]), 255);
    EXPECT_EQ(filler[1], '\1');
    EXPECT_EQ(SampleFiller().size(), 198u);
}

TEST_F(Certificates, ASealedCertificateVerifiesAndShowsItsRecord) {
    const auto file = Seal();
    const auto plain = Unscrambled(file);
    const auto lines = SplitCrLf(plain);
    ASSERT_EQ(lines.size(), 4u + 36u + 1u);
    // The head: four digests of the body as it is stored, filler included, in format 64.
    size_t bodyStart = 0;
    for (int i = 0; i < 4; ++i) bodyStart = plain.find("\r\n", bodyStart) + 2;
    const std::string body = plain.substr(bodyStart);
    std::uint8_t md5[16];
    crypto::THash::HashText(crypto::HashCatalogue().FindByName("Message Digest 5")->Class, md5, body);
    EXPECT_EQ(lines[1], crypto::DigestToText(md5, 16, 64));
    EXPECT_EQ(lines.back(), SampleFiller());
    // The owner is stored in Windows-1252: one byte per letter.
    EXPECT_EQ(lines[26], " Owner: J\xF6rg M\xFCller");

    const auto v = cert::VerifyCertificate(hash, file);
    EXPECT_EQ(v.State, TCertificateState::Authentic);
    EXPECT_EQ(v.Matches, 4);
    EXPECT_EQ(v.LineCount, 41u);
    EXPECT_EQ(v.Record, cert::CertificateBodyLines(SampleFacts(), SampleDescription()));
    // Verifying leaves the manager usable for the next certificate.
    EXPECT_EQ(cert::VerifyCertificate(hash, file).State, TCertificateState::Authentic);
}

TEST_F(Certificates, TwoSealsOfOneRecordDifferOnlyByTheirFiller) {
    const auto a = Seal();
    const auto b = cert::SealCertificate(hash, SampleFacts(), SampleDescription(), "xyz");
    EXPECT_NE(a, b);
    EXPECT_EQ(cert::VerifyCertificate(hash, b).Record, cert::VerifyCertificate(hash, a).Record);
    // An empty filler still gives a line of its own.
    const auto empty = cert::SealCertificate(hash, SampleFacts(), SampleDescription(), "");
    EXPECT_EQ(cert::VerifyCertificate(hash, empty).State, TCertificateState::Authentic);
}

TEST_F(Certificates, AnyChangeIsFake) {
    const auto plain = Unscrambled(Seal());
    auto check = [&](const std::string& changed, const char* what) {
        const auto v = cert::VerifyCertificate(hash, Scrambled(changed));
        EXPECT_EQ(v.State, TCertificateState::Fake) << what;
        EXPECT_TRUE(v.Record.empty()) << what;
    };
    auto errors = plain;
    errors.replace(errors.find(" Errors: 0"), 10, " Errors: 1");
    check(errors, "error count");
    for (int digest = 0; digest < 4; ++digest) {
        auto letter = plain;
        size_t at = 0;
        for (int i = 0; i < digest; ++i) at = letter.find("\r\n", at) + 2;
        letter[at] = letter[at] == 'A' ? 'B' : 'A';
        check(letter, "digest letter");
    }
    auto filler = plain;
    filler[filler.size() - 3] ^= 0x01;
    check(filler, "filler byte");
    auto breaks = plain; // CR LF and LF read alike, but the bytes hashed are CR LF
    breaks.erase(breaks.find("\r\nCPU:"), 1);
    EXPECT_EQ(cert::VerifyCertificate(hash, Scrambled(breaks)).State, TCertificateState::Authentic);
    auto extra = plain;
    extra.insert(extra.find("Time: "), "\r\n");
    check(extra, "an extra line");
    // The digests of another body.
    auto facts = SampleFacts();
    facts.ErrorCount = 7;
    const auto other = Unscrambled(Seal(facts));
    auto swapped = plain;
    swapped.replace(0, swapped.find("Torvane"), other.substr(0, other.find("Torvane")));
    check(swapped, "digests of another body");
    EXPECT_EQ(cert::VerifyCertificate(hash, Scrambled(swapped)).Matches, 0);
}

TEST_F(Certificates, ShortTextsStopEarlyTenLinesGoOn) {
    auto lines = [](int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += "line\r\n";
        return text;
    };
    auto nine = cert::VerifyCertificate(hash, Scrambled(lines(9)));
    EXPECT_EQ(nine.State, TCertificateState::EarlyStop);
    EXPECT_EQ(nine.LineCount, 9u);
    EXPECT_NE(nine.Reason.find("9 lines"), std::string::npos) << nine.Reason;
    auto ten = cert::VerifyCertificate(hash, Scrambled(lines(10)));
    EXPECT_EQ(ten.State, TCertificateState::Fake);
    EXPECT_EQ(ten.LineCount, 10u);
    // A final line without its break counts; a final break adds no line.
    EXPECT_EQ(cert::VerifyCertificate(hash, Scrambled(lines(9) + "x")).State, TCertificateState::Fake);

    EXPECT_EQ(cert::VerifyCertificate(hash, "").State, TCertificateState::EarlyStop);
    EXPECT_EQ(cert::VerifyCertificate(hash, "").LineCount, 0u);
    // A zero byte ends the text, so what follows it cannot make up the lines.
    EXPECT_EQ(cert::VerifyCertificate(hash, Scrambled("a\r\n" + std::string(1, '\0') + lines(20))).LineCount,
              1u);
    // A file that was never scrambled reads as noise with zero bytes early on.
    const auto plain = Unscrambled(Seal());
    EXPECT_EQ(cert::VerifyCertificate(hash, plain).State, TCertificateState::EarlyStop);
    // Lone CRs and lone LFs end lines as well.
    EXPECT_EQ(cert::VerifyCertificate(hash, Scrambled("1\r2\n3\r4\n5\r6\n7\r8\n9\n\r")).LineCount, 10u);
}

TEST_F(Certificates, TooLargeToBeACertificate) {
    const std::string huge(cert::kMaxCertificateBytes + 1, 'x');
    const auto v = cert::VerifyCertificate(hash, huge);
    EXPECT_EQ(v.State, TCertificateState::EarlyStop);
    EXPECT_NE(v.Reason.find("larger"), std::string::npos);
    auto d = SampleDescription();
    d.AdditionalInfo = {std::string(cert::kMaxCertificateBytes, 'y')};
    EXPECT_THROW(cert::SealCertificate(hash, SampleFacts(), d, ""), cert::ECertificateText);
}

TEST_F(Certificates, TextsACertificateCannotHold) {
    auto attempt = [&](auto change, const std::string& expected) {
        auto d = SampleDescription();
        change(d);
        try {
            cert::SealCertificate(hash, SampleFacts(), d, "");
            ADD_FAILURE() << "no error for " << expected;
        } catch (const cert::ECertificateText& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
    };
    attempt([](auto& d) { d.Owner = "\u0141ukasz"; }, "Owner: the character \"\u0141\" (U+0141)");
    attempt([](auto& d) { d.Os = "Linux \xF0\x9F\x90\xA7"; },
            "OS: the character \"\xF0\x9F\x90\xA7\" (U+1F427)");
    attempt([](auto& d) { d.Cooling = "Fan\nWater"; }, "Cooling: a line break");
    attempt([](auto& d) { d.Ram = std::string("64\0MB", 5); }, "RAM: the character U+0000");
    attempt([](auto& d) { d.Motherboard = "\xE9t\xE9"; }, "Motherboard: the text is not valid UTF-8");
    attempt([](auto& d) { d.AdditionalInfo = {"ok", "\u4e2d"}; }, "Additional info: the character");
    // Control characters, which a terminal takes as commands: an escape sequence, a tab, DEL, a C1 CSI.
    attempt([](auto& d) { d.Owner = "J. Doe\x1b[2A"; }, "Owner: the control character U+001B");
    attempt([](auto& d) { d.Cpu = "a\tb"; }, "CPU: the control character U+0009");
    attempt([](auto& d) { d.Os = "a\x7f"; }, "OS: the control character U+007F");
    attempt([](auto& d) { d.Ram = "a\u009b2A"; }, "RAM: the control character U+009B");
    attempt(
        [](auto& d) {
            d.AdditionalInfo = {"line one", "\x1b]0;title\x07"};
        },
        "Additional info: the control character U+001B");
    // The euro sign and the acute accent have their bytes.
    auto d = SampleDescription();
    d.Cpu = "\u20ac 99 \u00b4";
    EXPECT_EQ(cert::VerifyCertificate(hash, cert::SealCertificate(hash, SampleFacts(), d, "")).Record[12],
              " Info: \u20ac 99 \u00b4");
}

TEST_F(Certificates, StoredReferenceCertificateStillVerifiesAndIsRebuiltByteForByte) {
    // A certificate made once and kept: every later build must read it, and must write the same bytes
    // from the same inputs.
    std::ifstream in(std::string(TORVANE_TEST_DATA_DIR) + "/cert/reference.tvc", std::ios::binary);
    ASSERT_TRUE(in) << "reference certificate missing";
    const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto v = cert::VerifyCertificate(hash, stored);
    EXPECT_EQ(v.State, TCertificateState::Authentic);
    EXPECT_EQ(v.Record, cert::CertificateBodyLines(SampleFacts(), SampleDescription()));
    EXPECT_EQ(Seal(), stored);
}

// A clock of one tick per reading and a counter of `mhz` million counts a second.
class SteadyCounter final : public hw::ISpeedSource {
public:
    explicit SteadyCounter(std::uint64_t mhz) : perTick_(mhz * 1000) {}
    std::uint32_t TickCount() override { return tick_++; }
    bool CounterAvailable() override { return true; }
    std::uint64_t Counter() override { return tick_ * perTick_; }

private:
    std::uint32_t tick_ = 0;
    std::uint64_t perTick_;
};

TEST_F(Certificates, TheIdLineAsTheIdentificationReadsTheProcessor) {
    // A Pentium of the tables (signature 52Ch) gives the numbers it always gave: the stored reference
    // certificate comes out byte for byte.
    std::ifstream in(std::string(TORVANE_TEST_DATA_DIR) + "/cert/reference.tvc", std::ios::binary);
    const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto facts = SampleFacts();
    facts.CpuFamily = facts.CpuModel = facts.CpuStepping = facts.RawSpeed = -7;
    SteadyCounter speed(133);
    cert::ReadProcessor(facts, PlayedCpu("GenuineIntel", 0x0000052C), speed);
    EXPECT_EQ(Seal(facts), stored);

    // Processors of today by the vendors' numbers, so that Zen 2, 3 and 4 no longer read alike.
    const struct {
        const char* vendor;
        std::uint32_t signature;
        const char* id;
    } today[] = {
        {"AuthenticAMD", 0x00A10F11, " ID: 25-17-1-0"}, {"AuthenticAMD", 0x00870F10, " ID: 23-113-0-0"},
        {"AuthenticAMD", 0x00A60F12, " ID: 25-97-2-0"}, {"AuthenticAMD", 0x00B40F40, " ID: 26-68-0-0"},
        {"GenuineIntel", 0x000B0671, " ID: 6-183-1-0"}, {"GenuineIntel", 0x00000F29, " ID: 15-2-9-0"}};
    for (const auto& p : today) {
        SteadyCounter clock(3000);
        cert::ReadProcessor(facts, PlayedCpu(p.vendor, p.signature), clock);
        EXPECT_EQ(cert::CertificateBodyLines(facts, SampleDescription())[10], p.id);
        EXPECT_EQ(facts.RawSpeed, 2997); // one tick of the second falls before the counting starts
    }
}

} // namespace
} // namespace torvane::test
