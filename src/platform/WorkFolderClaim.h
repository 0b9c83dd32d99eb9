#pragma once
// One test run at a time in a work folder. The work files have fixed names, so two runs in one folder
// (two terminal runs, two windows, a window and a viewer started by a double-click) would delete and
// overwrite each other's files and report the failures as the processor's. A run claims its folder with
// an exclusive lock on the folder itself for as long as it runs; the system drops the lock when the
// process ends, however it ends, so nothing stale is ever left to clean up, and no file is added to the
// folder for it.

#include <optional>
#include <string>

namespace torvane {

class TWorkFolderClaim {
public:
    // Tries to claim the folder (its path; a trailing "/" is fine).
    explicit TWorkFolderClaim(const std::string& path);
    ~TWorkFolderClaim();
    TWorkFolderClaim(const TWorkFolderClaim&) = delete;
    TWorkFolderClaim& operator=(const TWorkFolderClaim&) = delete;

    // Another process holds the folder.
    bool Busy() const { return busy_; }
    // The run may use the folder: it holds the claim, or the folder's file system cannot lock (some
    // network file systems), where nothing better than going on unguarded is possible, or the folder
    // cannot be opened at all, which the work files' own errors will say.
    bool Owned() const { return !busy_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    bool busy_ = false;
};

// Why a folder cannot take the work files (it cannot be written or entered), in the system's words, or
// nothing when it can.
std::optional<std::string> FolderWriteProblem(const std::string& path);

} // namespace torvane
