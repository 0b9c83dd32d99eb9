#pragma once
// The encryption workload: one cycle per tick of Encryptor writes a file of random decimal text into the
// work folder, encrypts it with a randomly chosen cipher under a random password, decrypts it again and
// compares the CRC-32 of the file before encryption with the CRC-32 after decryption. It loads the
// processor, the memory and the disk together, and is what finds a machine that corrupts data on its way
// to the disk and back. WhetStone1 and MMX1 run beside the cycle, without a time limit, and the cycle
// switches all three off when it ends.
//
// The work files have fixed names in a folder that may be shared; they are created anew, exclusively,
// and never reached through a symbolic link (TWorkFolder).

#include "engine/Workload.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace torvane {
class TWorkFolder;
}

namespace torvane::engine {

// The work files: the plain text (and, after decryption, the decrypted text), the encrypted file, and a
// third name that nothing writes but every clean-up removes.
inline constexpr const char* PlainWorkFile = "TORVA_1.tmp";
inline constexpr const char* CodedWorkFile = "TORVA_2.tmp";
inline constexpr const char* ThirdWorkFile = "TORVA_3.tmp";

// The cipher table of the cycle, indexed by a draw over [0, 24]: the names as the screen shows them.
// "IDEA" stands at two indices and "Skipjack" at five.
inline constexpr int CipherTableSize = 25;
const char* CipherTableName(int index);
// The catalogue entry a table name selects: the name itself, except "Cast 128" for "Cast128".
std::string CatalogueName(const std::string& tableName);

class EncryptionWorkload final : public Workload {
public:
    explicit EncryptionWorkload(TestRun& run);
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }

    // One cycle.
    void EncryptorTimer();

    // Writes the plain file: a first line "c", then lines of 32 random signed integers, reopened for
    // appending and flushed line by line with a keep-going check between lines, until the lines written
    // times the length of the last line reach the target size. A stop leaves the file closed, for the
    // stop sequence to remove. The file is created anew in the folder.
    void MakeRandomDataFile(TWorkFolder& folder, const std::string& fileName, std::int32_t targetSize);

    // The target size of a cycle, drawn over [MaxTempSize div 10, MaxTempSize] bytes.
    std::int32_t DrawTargetSize();

    // The progress handlers of Cipher1, Cipher2, EncryptorHash1 and EncryptorHash2: pending events at every
    // tenth byte count, the work time on every call.
    void Cipher1Progress(const void* sender, std::int64_t current, std::int64_t maximal);
    void Cipher2Progress(const void* sender, std::int64_t current, std::int64_t maximal);
    void EncryptorHash1Progress(const void* sender, std::int64_t current, std::int64_t maximal);
    void EncryptorHash2Progress(const void* sender, std::int64_t current, std::int64_t maximal);

    // A test's or a benchmark's choices in place of the draws of the cipher index and the target size,
    // and a keep-going check in place of the run's (a benchmark measures the data path alone).
    std::optional<std::int32_t> CipherIndex;
    std::optional<std::int32_t> TargetSize;
    std::function<bool()> KeepGoingCheck;

private:
    void Progress(std::int64_t current);
    void SetKey(const std::string& password);
    std::string Checksum(TWorkFolder& folder);
    void Code(TWorkFolder& folder, const char* from, const char* to, bool encrypt);
    void FlipLastByte(TWorkFolder& folder);
    // Whether the run this cycle began in is still going.
    bool InItsRun() const;
    bool KeepGoing();
    // Leaving at a keep-going check: Encryptor goes off, the companions and the files stay (the stop
    // sequence has dealt with them, or a run begun since owns them).
    void Leave();
    void SwitchOff();

    std::string catalogueName_;
    std::uint64_t cycleRun_ = 0;
    // Handed unchanged to every key setup of a cycle, so that encryption and decryption agree; no cipher
    // of the table has a block longer than 128 bytes.
    const std::array<std::uint8_t, 128> vector_{};
};

} // namespace torvane::engine
