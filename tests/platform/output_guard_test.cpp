// Outputs in shared folders: what another user planted there never leads a write into someone's file, a
// write-protected file is refused as cp refuses it, and a FIFO that nobody reads never holds the program
// once it is asked to stop.

#include "TempStore.h"

#include "common/Fifo.h"
#include "common/OtherUser.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/StopRequest.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace torvane::test {
namespace {

// Every way an output is written, each of which must refuse alike.
struct Writer {
    const char* Name;
    void (*Write)(const std::string& path);
};

const Writer kWriters[] = {
    {"replacement",
     [](const std::string& path) {
         TReplacementFile file(path);
         file.Stream().WriteBuffer("new", 3);
         file.Commit();
     }},
    {"whole file", [](const std::string& path) { WriteFileAtomically(path, "new"); }},
    {"in place", [](const std::string& path) { ::close(OpenOutputInPlace(path, false)); }},
    {"appended", [](const std::string& path) { ::close(OpenOutputInPlace(path, true)); }},
    {"check", [](const std::string& path) { CheckOutput(path); }},
};

// The reason each writer gave for refusing path; empty for a writer that did not refuse.
std::vector<std::string> Refusals(const std::string& path) {
    std::vector<std::string> reasons;
    for (const auto& w : kWriters) {
        try {
            w.Write(path);
            reasons.emplace_back();
        } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path) << w.Name;
            reasons.push_back(e.Reason());
        }
    }
    return reasons;
}

class SharedFolder : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        if (!IsRoot()) GTEST_SKIP() << "planting a link or file of another user needs root (lchown)";
        ASSERT_FALSE(shared.Path().empty());
        sticky = shared.Folder("tmp", 01777);
        ASSERT_FALSE(sticky.empty());
        victim = folder / "secret";
        WriteFile(victim, "root's own");
        ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    }
    PassableDir shared;
    std::string sticky, victim;
};

TEST_F(SharedFolder, ALinkAnotherUserPlantedIsNeverFollowed) {
    const auto link = sticky + "/torvane.prom";
    ASSERT_TRUE(PlantLink(victim, link));
    for (const auto& reason : Refusals(link))
        EXPECT_NE(reason.find("symbolic link of another user"), std::string::npos) << reason;
    EXPECT_EQ(ReadFile(victim), "root's own");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link itself stays as it was";

    // Nor on the way to the file: a planted link that stands for a folder.
    ASSERT_TRUE(PlantLink(folder.Path(), sticky + "/dir"));
    for (const auto& reason : Refusals(sticky + "/dir/secret")) EXPECT_FALSE(reason.empty());
    // Nor one that leads nowhere yet: it is not replaced either.
    ASSERT_TRUE(PlantLink(folder / "not-yet", sticky + "/dangling"));
    for (const auto& reason : Refusals(sticky + "/dangling")) EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(FileExists(folder / "not-yet"));
    EXPECT_EQ(ReadFile(victim), "root's own");
}

TEST_F(SharedFolder, LinksTheSystemWouldFollowAreFollowed) {
    // The user's own link in the shared folder.
    const auto own = sticky + "/own";
    ASSERT_EQ(::symlink(victim.c_str(), own.c_str()), 0);
    WriteFileAtomically(own, "through my own link");
    EXPECT_EQ(ReadFile(victim), "through my own link");
    // A link of the folder's owner, in the owner's own sticky folder.
    const auto theirs = shared.Folder("theirs", 01777, kOtherUid);
    ASSERT_FALSE(theirs.empty());
    ASSERT_TRUE(PlantLink(victim, theirs + "/link"));
    WriteFileAtomically(theirs + "/link", "through the owner's link");
    EXPECT_EQ(ReadFile(victim), "through the owner's link");
    // Another user's link in a folder without the sticky bit, where anybody could rename anything anyway.
    const auto open = shared.Folder("open", 0777);
    ASSERT_TRUE(PlantLink(victim, open + "/link"));
    WriteFileAtomically(open + "/link", "through a plain folder");
    EXPECT_EQ(ReadFile(victim), "through a plain folder");
    struct stat st {};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file keeps its mode";
}

TEST_F(SharedFolder, AnotherUsersFileOrFifoThereIsNotWritten) {
    const auto file = sticky + "/metrics.prom";
    WriteFile(file, "theirs");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chown(file.c_str(), kOtherUid, kOtherGid), 0);
    for (const auto& reason : Refusals(file))
        EXPECT_NE(reason.find("belongs to another user"), std::string::npos) << reason;
    EXPECT_EQ(ReadFile(file), "theirs");

    const auto fifo = sticky + "/events";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(::chown(fifo.c_str(), kOtherUid, kOtherGid), 0);
    try {
        TReplacementFile replacement(fifo, 0666, TReplacementFile::Temporary::Unnamed, ReaderWait::Never);
        ADD_FAILURE() << "another user's FIFO was opened";
    } catch (const EFCreateError& e) {
        EXPECT_NE(e.Reason().find("belongs to another user"), std::string::npos) << e.Reason();
    }
}

// A file the user may not write: refused with the system's reason, as cp refuses it; root may write any
// file, as with cp.
TEST_F(SharedFolder, AWriteProtectedFileIsRefusedAsCpRefusesIt) {
    const auto protectedFile = shared.Folder("user", 0755, kOtherUid) + "/out.bin";
    const int refusals = RunAsOtherUser([&] {
        { std::ofstream(protectedFile) << "kept"; }
        if (::chmod(protectedFile.c_str(), 0444) != 0) return 100;
        int refused = 0;
        for (const auto& w : kWriters) {
            try {
                w.Write(protectedFile);
            } catch (const EFCreateError& e) {
                if (e.ErrorCode == EACCES &&
                    DescribeError(e) == "Cannot create file " + protectedFile + ": Permission denied")
                    ++refused;
            }
        }
        return refused;
    });
    EXPECT_EQ(refusals, static_cast<int>(std::size(kWriters)));
    EXPECT_EQ(ReadFile(protectedFile), "kept");
    // Root's own 0444 file: written, as cp writes it.
    const auto rootsFile = folder / "ro.bin";
    WriteFile(rootsFile, "old");
    ASSERT_EQ(::chmod(rootsFile.c_str(), 0444), 0);
    WriteFileAtomically(rootsFile, "new");
    EXPECT_EQ(ReadFile(rootsFile), "new");
}

class FifoOutput : public StoreTest {
protected:
    void TearDown() override {
        SetStopRequestFlag(nullptr);
        SetStopGraceMs(1000);
    }
    static volatile std::sig_atomic_t stop;
};
volatile std::sig_atomic_t FifoOutput::stop = 0;

TEST_F(FifoOutput, NoReaderIsRefusedAtOnceWhereTheCallerDoesNotWait) {
    const auto fifo = folder / "fifo";
    TestFifo made(fifo);
    ASSERT_TRUE(made.Made());
    try {
        WriteFileAtomically(fifo, "x", 0644, ReaderWait::Never);
        ADD_FAILURE() << "written without a reader";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Reason(), "nothing reads the FIFO");
    }
}

TEST_F(FifoOutput, TheWaitForAReaderEndsWithAStopRequest) {
    const auto fifo = folder / "fifo";
    TestFifo made(fifo);
    ASSERT_TRUE(made.Made());
    stop = 0;
    SetStopRequestFlag(&stop);
    std::thread asker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        stop = 1;
    });
    int error = 0;
    try {
        ::close(OpenOutputInPlace(fifo, true));
    } catch (const EFCreateError& e) {
        error = e.ErrorCode;
    }
    asker.join();
    made.Release();
    EXPECT_EQ(error, EINTR);
}

TEST_F(FifoOutput, AReaderThatStopsReadingHoldsTheWriterOnlyUntilTheGraceIsOver) {
    const auto fifo = folder / "fifo";
    TestFifo made(fifo);
    ASSERT_TRUE(made.Made());
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    stop = 1;
    SetStopRequestFlag(&stop);
    SetStopGraceMs(0);
    TReplacementFile out(fifo);
    EXPECT_TRUE(out.Direct());
    // More than the pipe holds, which the reader never takes.
    const std::string block(1 << 20, 'x');
    try {
        out.Stream().WriteBuffer(block.data(), static_cast<std::int64_t>(block.size()));
        ADD_FAILURE() << "a megabyte went into a pipe that nobody reads";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("asked to stop"), std::string::npos) << e.what();
    }
    ::close(reader);
}

} // namespace
} // namespace torvane::test
