#include "common/SensorBlockFixture.h"

#include "platform/Error.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

// A block as another program may leave it: created without a publisher's lock, of any size and content.
struct ForeignObject {
    explicit ForeignObject(const std::string& name, std::size_t size, std::uint8_t fill) : name(name) {
        const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        EXPECT_GE(fd, 0);
        if (size) {
            EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
            std::vector<std::uint8_t> bytes(size, fill);
            EXPECT_EQ(::write(fd, bytes.data(), size), static_cast<ssize_t>(size));
        }
        ::close(fd);
    }
    ~ForeignObject() { ::shm_unlink(name.c_str()); }
    std::string name;
};

TEST(SharedMemory, AMissingBlockIsNeitherOpenNorMapped) {
    const auto name = UniqueBlockName();
    TSharedMemoryView view(name);
    EXPECT_FALSE(view.IsOpen());
    EXPECT_FALSE(view.Map());
    EXPECT_FALSE(TSharedMemoryView::Exists(name));
}

TEST(SharedMemory, APublishedBlockIsSeenWhileItsPublisherLivesAndGoneAfter) {
    const auto name = UniqueBlockName();
    {
        const mode_t umask = ::umask(077); // a private umask must not hide the temperatures
        TSharedMemoryBlock block(name, 64);
        ::umask(umask);
        ASSERT_EQ(block.Size(), 64u);
        EXPECT_EQ(std::count(block.Data(), block.Data() + 64, 0), 64);
        EXPECT_TRUE(TSharedMemoryView::Exists(name));

        TSharedMemoryView view(name);
        ASSERT_TRUE(view.Map());
        ASSERT_EQ(view.Size(), 64u);
        block.Data()[58] = 0x86; // written after the view was mapped: the view shares the memory
        EXPECT_EQ(view.Data()[58], 0x86);

        struct stat st {};
        const int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
        ASSERT_EQ(::fstat(fd, &st), 0);
        ::close(fd);
        EXPECT_EQ(st.st_mode & 0777, 0644u) << "other users' programs must be able to read the temperatures";
    }
    EXPECT_FALSE(TSharedMemoryView::Exists(name));
}

TEST(SharedMemory, ASecondPublisherIsRefusedAndTheFirstKeepsTheBlock) {
    const auto name = UniqueBlockName();
    TSharedMemoryBlock first(name, 64);
    first.Data()[46] = 1;
    try {
        TSharedMemoryBlock second(name, 64);
        FAIL() << "two publishers of one block";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("another process publishes it"), std::string::npos) << e.what();
    }
    EXPECT_EQ(first.Data()[46], 1);
    EXPECT_TRUE(TSharedMemoryView::Exists(name));
}

TEST(SharedMemory, ABlockLeftBehindIsTakenOverClearedAndNeverMadeSmaller) {
    ForeignObject stale(UniqueBlockName(), 100, 0xAB);
    {
        TSharedMemoryBlock block(stale.name, 64);
        EXPECT_EQ(block.Size(), 100u);
        EXPECT_EQ(std::count(block.Data(), block.Data() + 100, 0), 100);
    }
    EXPECT_FALSE(TSharedMemoryView::Exists(stale.name));
}

TEST(SharedMemory, AnEmptyBlockExistsButCannotBeMapped) {
    ForeignObject empty(UniqueBlockName(), 0, 0);
    TSharedMemoryView view(empty.name);
    EXPECT_TRUE(view.IsOpen());
    EXPECT_FALSE(view.Map());
}

TEST(SharedMemory, APublisherRemovesOnlyItsOwnBlock) {
    const auto name = UniqueBlockName();
    auto block = std::make_unique<TSharedMemoryBlock>(name, 64);
    // Someone removes the name and a new block takes it while the first publisher still runs.
    ASSERT_EQ(::shm_unlink(name.c_str()), 0);
    ForeignObject successor(name, 64, 7);
    block.reset();
    TSharedMemoryView view(name);
    ASSERT_TRUE(view.Map());
    EXPECT_EQ(view.Data()[0], 7);
}

// Shared memory names live in /dev/shm on this system; another user can put a pipe there under the
// block's name. Opening it must neither hang the reader nor be mistaken for the block.
TEST(SharedMemory, APipeUnderTheNameNeitherHangsNorMaps) {
    const auto name = UniqueBlockName();
    const std::string path = "/dev/shm" + name;
    if (::mkfifo(path.c_str(), 0600) != 0) GTEST_SKIP() << "no /dev/shm";
    TSharedMemoryView view(name);
    EXPECT_FALSE(view.Map());
    EXPECT_THROW(TSharedMemoryBlock(name, 64), Exception);
    ::unlink(path.c_str());
}

} // namespace
} // namespace torvane::test
