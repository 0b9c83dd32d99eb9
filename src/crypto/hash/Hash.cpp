#include "crypto/hash/Hash.h"

#include "crypto/Progress.h"
#include "crypto/common/Bits.h"
#include "crypto/common/Hex.h"
#include "crypto/common/Wipe.h"
#include "platform/Stream.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace torvane::crypto {

std::int32_t DefaultDigestFormat = 64;

namespace {

constexpr std::int64_t kReadBufferSize = 4096;

// The program's own base-64 variant: every group of up to three bytes yields its standard characters but
// stops as soon as only "A"s (zero bits) would follow, so a group can give fewer than four characters and
// three zero bytes give none. Certificates store and compare digests in exactly this form.
std::string Base64Text(const std::uint8_t* digest, std::int32_t length) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::int32_t i = 0; i < length; i += 3) {
        std::uint32_t v = std::uint32_t{digest[i]} << 24;
        if (i + 1 < length) v |= std::uint32_t{digest[i + 1]} << 16;
        if (i + 2 < length) v |= std::uint32_t{digest[i + 2]} << 8;
        while (v != 0) {
            v = common::Rotl(v, 6);
            text += kAlphabet[v & 63];
            v &= ~std::uint32_t{63};
        }
    }
    if (length % 3 == 1)
        text += "==";
    else if (length % 3 == 2)
        text += "=";
    return text;
}

} // namespace

std::string DigestToText(const std::uint8_t* digest, std::int32_t length, std::int32_t format) {
    if (!digest || length <= 0) return {};
    // A default of 0 would refer to itself; it falls back to the initial default.
    if (format == 0) format = DefaultDigestFormat != 0 ? DefaultDigestFormat : 64;
    switch (format) {
    case 16:
        return common::HexText(digest, static_cast<std::size_t>(length));
    case 64:
        return Base64Text(digest, length);
    default:
        return std::string(reinterpret_cast<const char*>(digest), static_cast<std::size_t>(length));
    }
}

void THash::RaiseNegativeLength() const {
    throw EHashException(std::string(ClassType()->ClassName) + ": hash input with a negative length",
                         EHashException::NegativeLength);
}

std::string THash::HashText(THashClass cls, void* digest, std::string_view text) {
    auto hash = cls->Create();
    hash->Start();
    hash->Update(text.data(), static_cast<std::int64_t>(text.size()));
    hash->Finish();
    if (digest) std::memcpy(digest, hash->DigestBytes(), static_cast<std::size_t>(hash->DigestLength()));
    return hash->DigestText(0);
}

std::string THash::HashStream(THashClass cls, void* digest, TStream& stream, std::int64_t size) {
    auto hash = cls->Create();
    std::array<std::uint8_t, kReadBufferSize> buffer;
    // The closing (0, 0) report and the wipe of the read buffer happen on every way out, failures included.
    struct Closing {
        const THash* sender;
        std::array<std::uint8_t, kReadBufferSize>& buffer;
        ~Closing() {
            ReportProgress(sender, 0, 0);
            SecureZero(buffer.data(), buffer.size());
        }
    } closing{hash.get(), buffer};

    hash->Start();
    // The whole stream is read to its end, whatever length it claims: a pipe has none, and a /proc file
    // claims to be empty.
    const bool toEnd = size < 0;
    std::int64_t total = size;
    if (toEnd) {
        total = stream.KnownSize();
        if (total >= 0) stream.SetPosition(0);
    }
    ReportProgress(hash.get(), 0, total);
    std::int64_t done = 0;
    for (;;) {
        const auto want = toEnd ? kReadBufferSize : std::min(size - done, kReadBufferSize);
        const auto got = want > 0 ? stream.Read(buffer.data(), want) : 0;
        if (got <= 0) break;
        hash->Update(buffer.data(), got);
        done += got;
        ReportProgress(hash.get(), done, total = ProgressTotal(done, total));
    }
    hash->Finish();
    if (digest) std::memcpy(digest, hash->DigestBytes(), static_cast<std::size_t>(hash->DigestLength()));
    return hash->DigestText(0);
}

std::string THash::HashFile(THashClass cls, void* digest, const std::string& fileName) {
    // Opened before anything else, so a file that cannot be opened reports no progress at all.
    TFileStream file(fileName, FileMode::OpenRead);
    return HashStream(cls, digest, file, -1);
}

} // namespace torvane::crypto
