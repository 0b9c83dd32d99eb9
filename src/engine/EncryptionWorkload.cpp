#include "engine/EncryptionWorkload.h"

#include "crypto/Progress.h"
#include "engine/TestRun.h"
#include "platform/Error.h"
#include "platform/WorkFolder.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <vector>

namespace torvane::engine {

namespace {

// A cycle loads the disk as much as the processor: it runs below the test timers, and in "Hardcore" at
// the highest priority of all.
constexpr ModePriorities EncryptorPriorities{ThreadPriority::Idle, ThreadPriority::Normal,
                                             ThreadPriority::Highest};

constexpr TimerInfo Timers[] = {
    {.Name = "Encryptor",
     .Role = TimerRole::Test,
     .IntervalMs = 1000,
     .Priority = ThreadPriority::Lowest,
     .InMode = &EncryptorPriorities,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<EncryptionWorkload&>(w).EncryptorTimer(); }},
};

constexpr std::array<const char*, CipherTableSize> CipherTable = {
    "IDEA",     "Diamond II",        "Rijndael", "Sapphire II", "IDEA",        "Shark",   "TEA",
    "Square",   "Twofish",           "Skipjack", "SCOP",        "SAFER-SK128", "Q128",    "Gost",
    "FROG",     "DES Triple 24byte", "3Way",     "SAFER-K128",  "NewDES",      "Misty 1", "Cast128",
    "Skipjack", "Skipjack",          "Skipjack", "Skipjack",
};

constexpr std::int32_t Megabyte = 1048576;
constexpr int IntegersPerLine = 32;
constexpr int ClocksPerInteger = 1000;

void StartTest(TestRun& run, Workload& workload, std::int32_t) {
    // Whetstone and MMX run beside the cycle for as long as it lasts; the cycle switches them off.
    run.RunCompanions();
    run.RunTestTimers(workload, 0);
}

bool Available(const TestRun& run) {
    return !run.NoEncryptionTests() && run.MaxTempSize > 0;
}

QString Line(const char* what, std::int32_t megabytes, const std::string& tail) {
    return QString::fromLatin1(what) + QString::number(megabytes) + QString::fromStdString(tail);
}

// What went wrong, for the run log and the report's cause (the report's detail stays "N/A").
QString Reason(const std::exception& e) {
    return QString::fromStdString(DescribeError(e));
}

} // namespace

const WorkloadInfo EncryptionWorkload::Description{
    .Name = "Encryption",
    .Timers = Timers,
    .TestKind = 0,
    .Available = Available,
    .StartTest = StartTest,
};

const char* CipherTableName(int index) {
    return CipherTable.at(static_cast<std::size_t>(index));
}

std::string CatalogueName(const std::string& tableName) {
    return tableName == "Cast128" ? std::string("Cast 128") : tableName;
}

EncryptionWorkload::EncryptionWorkload(TestRun& run) : Workload(run) {
    run_.Cipher1.OnProgress = [this](const void* s, std::int64_t c, std::int64_t m) {
        Cipher1Progress(s, c, m);
    };
    run_.Cipher2.OnProgress = [this](const void* s, std::int64_t c, std::int64_t m) {
        Cipher2Progress(s, c, m);
    };
    run_.EncryptorHash1.OnProgress = [this](const void* s, std::int64_t c, std::int64_t m) {
        EncryptorHash1Progress(s, c, m);
    };
    run_.EncryptorHash2.OnProgress = [this](const void* s, std::int64_t c, std::int64_t m) {
        EncryptorHash2Progress(s, c, m);
    };
}

// ---------------------------------------------------------------------------------------------------
// Progress

void EncryptionWorkload::Progress(std::int64_t current) {
    if (current % 10 == 0) run_.ProcessMessages();
    // Once the run has stopped, its work time stands as the stop sequence showed it; the coding that is
    // still finishing must not show the stopped clock's zero in its place.
    if (InItsRun()) run_.UpdateWorkTime();
}

void EncryptionWorkload::Cipher1Progress(const void*, std::int64_t current, std::int64_t) {
    Progress(current);
}
void EncryptionWorkload::Cipher2Progress(const void*, std::int64_t current, std::int64_t) {
    Progress(current);
}
void EncryptionWorkload::EncryptorHash1Progress(const void*, std::int64_t current, std::int64_t) {
    Progress(current);
}
void EncryptionWorkload::EncryptorHash2Progress(const void*, std::int64_t current, std::int64_t) {
    Progress(current);
}

// ---------------------------------------------------------------------------------------------------
// The cycle

bool EncryptionWorkload::InItsRun() const {
    return !run_.State.Stopped && run_.State.RunNumber == cycleRun_;
}

bool EncryptionWorkload::KeepGoing() {
    // A stop and a new start can both happen inside one keep-going check; the new run's work files and
    // timers are not this cycle's.
    const bool going = KeepGoingCheck ? KeepGoingCheck() : run_.KeepGoing();
    return going && run_.State.RunNumber == cycleRun_;
}

void EncryptionWorkload::Leave() {
    if (run_.State.RunNumber == cycleRun_) run_.DisableTimers(*this, TimerRole::Test);
}

void EncryptionWorkload::SwitchOff() {
    run_.DisableTimers(*this, TimerRole::Test);
    run_.DisableCompanions();
}

std::int32_t EncryptionWorkload::DrawTargetSize() {
    return run_.RandomInRange(run_.MaxTempSize / 10, run_.MaxTempSize);
}

void EncryptionWorkload::SetKey(const std::string& password) {
    run_.Cipher1.SetAlgorithm(catalogueName_);
    run_.Cipher1.InitKey(password, vector_.data());
}

std::string EncryptionWorkload::Checksum(TWorkFolder& folder) {
    // The hash manager opens files by name; the work file is opened here, through the folder, and the
    // manager's class and progress handler do the rest as its HashFile would.
    auto& hash = run_.EncryptorHash1;
    auto file = folder.Open(PlainWorkFile, FileMode::OpenRead);
    std::vector<std::uint8_t> digest(static_cast<std::size_t>(hash.DigestLength()));
    crypto::ScopedProgressHook hook(hash.OnProgress);
    crypto::THash::HashStream(hash.HashClass(), digest.data(), *file, -1);
    return crypto::DigestToText(digest.data(), static_cast<std::int32_t>(digest.size()), 64);
}

void EncryptionWorkload::Code(TWorkFolder& folder, const char* from, const char* to, bool encrypt) {
    // As EncryptToFile and DecryptToFile, with both files opened through the folder.
    auto source = folder.Open(from, FileMode::OpenRead);
    auto dest = folder.Create(to);
    auto& cipher = run_.Cipher1.Cipher();
    crypto::ScopedProgressHook hook(run_.Cipher1.OnProgress);
    cipher.ProcessStream(source.get(), dest.get(), -1, encrypt);
}

void EncryptionWorkload::FlipLastByte(TWorkFolder& folder) {
    // The last byte: in a tail of the chaining mode it changes exactly one byte of the decrypted text,
    // which no CRC-32 misses.
    auto file = folder.Open(CodedWorkFile, FileMode::OpenReadWrite);
    const auto size = file->Size();
    if (size == 0) return;
    std::uint8_t byte = 0;
    file->SetPosition(size - 1);
    file->ReadBuffer(&byte, 1);
    byte ^= 0xFF;
    file->SetPosition(size - 1);
    file->WriteBuffer(&byte, 1);
}

void EncryptionWorkload::EncryptorTimer() {
    cycleRun_ = run_.State.RunNumber;
    TWorkFolder folder(run_.TempDir);
    folder.Delete(PlainWorkFile);
    folder.Delete(CodedWorkFile);
    try {
        const std::string name =
            CipherTableName(CipherIndex ? *CipherIndex : run_.RandomInRange(0, CipherTableSize - 1));
        const std::string password = std::to_string(run_.RandomInRange(0, 9999));
        catalogueName_ = CatalogueName(name);
        SetKey(password);
        if (!KeepGoing()) return Leave();

        const std::int32_t size = TargetSize ? *TargetSize : DrawTargetSize();
        const std::int32_t megabytes = size / Megabyte;
        run_.Say(Pane::RunLog, Line("Creating ", megabytes, " MB of random data"));
        run_.Publish(event::EncryptionStarted{&Description, QString::fromStdString(name), megabytes});
        MakeRandomDataFile(folder, PlainWorkFile, size);
        if (!KeepGoing()) return Leave();

        SetKey(password);
        std::string before;
        if (InItsRun()) before = Checksum(folder);
        // A stop during the checksum has removed the plain file: there is nothing left to encrypt, and the
        // missing file is no error of the machine.
        if (InItsRun()) {
            run_.Say(Pane::RunLog, Line("Encrypting ", megabytes, " MB of data with " + name));
            Code(folder, PlainWorkFile, CodedWorkFile, true);
        }
        if (!KeepGoing()) return Leave();

        SetKey(password);
        if (TakeFault()) FlipLastByte(folder);
        folder.Delete(PlainWorkFile);
        if (InItsRun()) {
            run_.Say(Pane::RunLog, Line("Decrypting ", megabytes, " MB of data with " + name));
            Code(folder, CodedWorkFile, PlainWorkFile, false);
        }
        if (!KeepGoing()) return Leave();

        std::string after;
        if (InItsRun()) after = Checksum(folder);
        if (!KeepGoing()) return Leave();

        // A difference is always an error: decrypted data that differs from what was encrypted is the
        // very failure this test exists to find.
        if (before == after) {
            run_.Say(Pane::RunLog, QStringLiteral("CRC check passed"));
            run_.Publish(event::PassEnded{&Description});
        } else {
            run_.Say(Pane::RunLog, QStringLiteral("CRC check FAILED"));
            run_.State.ErrorCount += 1;
            run_.ReportTestError(3,
                                 QStringLiteral("Encryption/Decryption with ") +
                                     QString::fromStdString(run_.Cipher1.Algorithm()) +
                                     QStringLiteral(" Failed!"),
                                 QString::fromStdString(name) + QStringLiteral(" = "));
        }
        folder.Delete(PlainWorkFile);
        folder.Delete(CodedWorkFile);
        folder.Delete(ThirdWorkFile);
        SwitchOff();
    } catch (...) {
        // A failure that comes after a new run has begun belongs to the stopped run, whose work files the
        // stop took away; the new run is not disturbed with it.
        if (run_.State.RunNumber != cycleRun_) return;
        QString reason = QStringLiteral("Unknown error");
        try {
            throw;
        } catch (const std::exception& e) {
            reason = Reason(e);
        } catch (...) {
        }
        run_.Say(Pane::RunLog, reason);
        run_.State.ErrorCount += 1;
        run_.ReportTestError(2,
                             QStringLiteral("Encryption/Decryption with ") +
                                 QString::fromStdString(run_.Cipher1.Algorithm()) +
                                 QStringLiteral(" failed!"),
                             QStringLiteral("N/A"), reason);
        SwitchOff();
    }
}

void EncryptionWorkload::MakeRandomDataFile(TWorkFolder& folder, const std::string& fileName,
                                            std::int32_t targetSize) {
    // The file belongs to the cycle of the run that is going now.
    cycleRun_ = run_.State.RunNumber;
    folder.Create(fileName)->WriteBuffer("c\r\n", 3);
    auto& generator = run_.Generator();
    std::int64_t lines = 0;
    std::int64_t lineLength = 0;
    std::string line;
    line.reserve(IntegersPerLine * 11 + 2);
    while (targetSize > lines * lineLength) {
        ++lines;
        auto file = folder.Open(fileName, FileMode::Append);
        line.clear();
        for (int i = 0; i < IntegersPerLine; ++i) {
            char digits[12];
            const auto value = static_cast<std::int32_t>(generator.Draw(ClocksPerInteger));
            line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        }
        lineLength = static_cast<std::int64_t>(line.size());
        line += "\r\n";
        // Every line reaches the system before the next is drawn: write(2) keeps nothing back.
        file->WriteBuffer(line.data(), static_cast<std::int64_t>(line.size()));
        file->Flush();
        if (lines * lineLength >= targetSize) return;
        file.reset();
        if (!KeepGoing()) return;
    }
}

} // namespace torvane::engine
