#pragma once
// File-system helpers in the terms the program uses: work directories that end with a separator, and
// Windows-style absolute paths mapped onto this file system.

#include "platform/Stream.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace torvane {

bool FileExists(const std::string& path);      // a regular file (or anything but a directory) exists
bool DirectoryExists(const std::string& path); // a directory exists
// Deletes a file; true when it is gone afterwards. A missing file is no error.
bool DeleteFileIfExists(const std::string& path);

// True when both names lead to one file: the same text, or two existing names of one file (a link, or a
// spelling that a case-insensitive file system takes for the same name).
bool SameFile(const std::string& a, const std::string& b);

// Where an output goes so that a failed writer never destroys what target held. A regular file (or a
// name that does not exist yet) is written as a new file beside it that takes its place only on Commit();
// until then it has no name (O_TMPFILE), so that nothing is left behind on any way out, SIGKILL included,
// or, where the file system cannot make such files, a short hidden name that the destructor and
// RemoveTemporaryFilesOnSignals() remove. An existing target's owner, group and mode are kept as far as the
// system allows; a new file gets newFileMode less the umask. Through a symbolic link the file it leads to is
// replaced and the link stays. Anything else (a character or block device, a FIFO, a socket) is written
// directly and in order, as it is: replacing it would destroy it.
class TReplacementFile {
public:
    enum class Temporary {
        Unnamed, // where the file system can make one, a named one otherwise
        Named    // always the named fallback (for tests of file systems without O_TMPFILE)
    };
    // EFCreateError naming target, with the system's reason, on failure
    explicit TReplacementFile(const std::string& target, mode_t newFileMode = 0666,
                              Temporary temporary = Temporary::Unnamed);
    ~TReplacementFile();
    TReplacementFile(const TReplacementFile&) = delete;
    TReplacementFile& operator=(const TReplacementFile&) = delete;

    // The stream to write; its messages name target, never the temporary file.
    TStream& Stream() { return *stream_; }
    // True when target is written directly (it is no regular file).
    bool Direct() const { return direct_; }
    // Flushes the file to the disk, puts it in target's place and flushes the folder, so that the change
    // survives a power cut too; EWriteError with the system's reason on failure. Signals wait meanwhile,
    // so that no signal ends the process between the two names.
    void Commit();

private:
    int PutInPlace(); // 0 or the errno of the failure

    std::string name_;   // as the caller gave it, for messages
    std::string target_; // the file that is replaced
    std::string temp_;   // the named fallback's name; empty for an unnamed file
    int fd_ = -1;
    bool direct_ = false;
    bool committed_ = false;
    std::unique_ptr<TStream> stream_;
};

// Lets INT, TERM, HUP, QUIT, PIPE and XFSZ, where they would end the process, first remove the named
// temporary files of the TReplacementFiles that are open, then end it as they would have. For programs
// (torvane-crypt) that leave these signals to their default.
void RemoveTemporaryFilesOnSignals();

// The system temporary directory with a trailing "/".
std::string SystemTempDirectory();

// Makes sure a directory text ends with "/" (a trailing "\" becomes "/").
std::string WithTrailingSeparator(const std::string& dir);

// Maps a Windows-style absolute path ("C:\autoexec.bat", "D:\Work\") onto this file system: the drive
// is dropped and "\" becomes "/", so "C:\fd12" becomes "/fd12". Other paths come back unchanged.
std::string NativePath(const std::string& path);

// The folder part of a path, with its trailing "/" ("" when the path names no folder).
std::string ExtractFilePath(const std::string& path);

// Replaces the file with data as a whole through a TReplacementFile, so that a failed write leaves the old
// file as it was. Throws EFCreateError with the file name.
void WriteFileAtomically(const std::string& path, const std::string& data, mode_t newFileMode = 0666);

// Full path of the running program file, and the folder that holds it (with a trailing "/").
std::string ProgramFilePath();
std::string ProgramDirectory();

} // namespace torvane
