#pragma once
// The folder of the work files. The work files have fixed names, and the folder may be one that other
// users write too (the system's temporary folder), so every operation here names a file inside the one
// folder that was opened (openat, unlinkat on its descriptor) and never follows a symbolic link at a work
// file's name: a link planted there by someone else must not lead a write, a read or a deletion into
// the user's own files. Files are created anew, exclusively; a name that is taken (by anyone) is an error,
// never a file to reuse. A file is opened again only while it is still the very file this folder created.
// Only files of this run are removed: those this process created here (through any TWorkFolder of the same
// folder), and in a folder that nobody else may write, files of this user that a run of this user left
// behind. In a shared folder another user's file of the same name stays, root's runs included.

#include "platform/Stream.h"

#include <memory>
#include <optional>
#include <string>

namespace torvane {

class TWorkFolder {
public:
    // path ends with "/". A folder that cannot be opened (missing, not a folder, no rights) is no error
    // here: every operation then fails with the file's name and the reason.
    explicit TWorkFolder(std::string path);
    ~TWorkFolder();
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string PathOf(const std::string& name) const { return path_ + name; }
    // Whether the folder itself could be opened.
    bool Opened() const { return fd_ >= 0; }

    // Removes the name from the folder (a link goes, not what it leads to) where it is a file of this run
    // (see above). True when nothing of that name is left; a missing name is no error, a folder that is
    // not there leaves nothing to remove. False when a name stays that is not this run's to remove.
    bool Delete(const std::string& name);

    // Creates the file anew for reading and writing, readable by its owner only. EFCreateError (with the
    // system's error number) when anything of that name exists already or the folder refuses it.
    std::unique_ptr<TFileStream> Create(const std::string& name);
    // Opens a file that this folder created and that is still that file: EFOpenError when it is gone,
    // replaced by anything else (a link, another file) or was never created here.
    std::unique_ptr<TFileStream> Open(const std::string& name, FileMode mode);

    // A folder inside this one for a part of the work (a worker's own), readable by the owner only: made
    // when missing, taken when it is already a folder of this user, refused when the name is anything
    // else (a link, a file, someone else's folder). The problem, with the system's reason, when refused.
    std::optional<std::string> CreateFolder(const std::string& name);
    // Removes the folder of that name if it is empty; true when it is gone.
    bool DeleteFolder(const std::string& name);

private:
    std::string path_;
    int fd_ = -1;
    int openError_ = 0;
};

// The default work folder of a new settings store: a folder of the user's own, readable by the user
// only, $XDG_CACHE_HOME/Quarnett/Torvane Test/ (~/.cache when the variable is unset), created when
// missing. The system's temporary folder when it cannot be made.
std::string PrivateWorkDirectory();

} // namespace torvane
