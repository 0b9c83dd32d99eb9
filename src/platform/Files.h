#pragma once
// File-system helpers in the terms the program uses: work directories that end with a separator, and
// Windows-style absolute paths mapped onto this file system.

#include "platform/Stream.h"

#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace torvane {

bool FileExists(const std::string& path);      // a regular file (or anything but a directory) exists
bool DirectoryExists(const std::string& path); // a directory exists
// Deletes a file; true when it is gone afterwards. A missing file is no error.
bool DeleteFileIfExists(const std::string& path);

// True when both names lead to one file: the same text, or two existing names of one file (a link, or a
// spelling that a case-insensitive file system takes for the same name).
bool SameFile(const std::string& a, const std::string& b);

// Whether the opening of a FIFO output waits for a reader: until one comes or the program is asked to stop
// (see StopRequested), or not at all (a FIFO that nothing reads now is then refused).
enum class ReaderWait { UntilStopped, Never };

// Outputs are found as a careful open(O_CREAT) by this user would find them, whatever the system's own
// protections are set to: a symbolic link is followed only where it is not another user's link in a
// shared sticky folder (writable by all), and in a shared sticky folder a file or FIFO of another user is
// never written. A file this user may not write is refused, as cp refuses it (root may write any file).
// These refusals are EFCreateError with the reason in words.

// Where an output goes so that a failed writer never destroys what target held. A regular file (or a
// name that does not exist yet) is written as a new file beside it that takes its place only on Commit();
// until then it has no name (O_TMPFILE), so that nothing is left behind on any way out, SIGKILL included,
// or, where the file system cannot make such files, a short hidden name that the destructor and
// RemoveTemporaryFilesOnSignals() remove. An existing target's owner, group and mode are kept as far as the
// system allows; a new file gets newFileMode less the umask. Through a symbolic link the file it leads to is
// replaced, in the folder that was found when the link was judged, and the link stays; a link that leads
// nowhere is replaced itself. Anything else (a character or block device, a FIFO, a socket) is written
// directly and in order, as it is: replacing it would destroy it.
class TReplacementFile {
public:
    enum class Temporary {
        Unnamed, // where the file system can make one, a named one otherwise
        Named    // always the named fallback (for tests of file systems without O_TMPFILE)
    };
    // EFCreateError naming target, with the system's reason, on failure
    explicit TReplacementFile(const std::string& target, mode_t newFileMode = 0666,
                              Temporary temporary = Temporary::Unnamed,
                              ReaderWait wait = ReaderWait::UntilStopped);
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

    std::string name_;      // as the caller gave it, for messages
    int folder_ = -1;       // the folder of the file that is replaced, held since it was judged
    std::string placeName_; // the file's name there
    bool replaces_ = false; // something of that name was there (old_) when it was judged
    struct stat old_ {};
    std::string temp_; // the named fallback's name in folder_; empty for an unnamed file
    int fd_ = -1;
    bool direct_ = false;
    bool committed_ = false;
    std::unique_ptr<TStream> stream_;
};

// Throws what TReplacementFile(target) would throw, without making or opening anything: a certificate
// request is checked when the run starts, and a FIFO opened only to be checked would give its reader an
// empty read.
void CheckOutput(const std::string& target);

// Opens an output that is written in place (a log that grows), found and judged as TReplacementFile finds
// and judges it: a regular file is emptied (or appended to), a FIFO or device is written as it is. The
// descriptor; EFCreateError naming target, with the reason, when it is refused.
int OpenOutputInPlace(const std::string& target, bool append, mode_t newFileMode = 0666,
                      ReaderWait wait = ReaderWait::UntilStopped);

// Lets INT, TERM, HUP, QUIT, PIPE and XFSZ, where they would end the process, first remove the named
// temporary files of the TReplacementFiles that are open, then end it as they would have. For programs
// (torvane-crypt) that leave these signals to their default.
void RemoveTemporaryFilesOnSignals();

// The system temporary directory with a trailing "/".
std::string SystemTempDirectory();

// The user's home folder: $HOME where it is an absolute path, else the password database's entry of the
// effective user; empty when neither is known.
std::string HomeDirectory();

// A folder made for this program alone (mode 0700) in the system temporary directory, with a trailing
// "/": made at the first call, the same for the rest of the run, removed at the end when it is empty.
// For what has no folder of the user's own to go to; empty when it cannot be made.
std::string RunPrivateDirectory();

// Makes sure a directory text ends with "/" (a trailing "\" becomes "/").
std::string WithTrailingSeparator(const std::string& dir);

// Maps a Windows-style absolute path ("C:\autoexec.bat", "D:\Work\") onto this file system: the drive
// is dropped and "\" becomes "/", so "C:\fd12" becomes "/fd12". Other paths come back unchanged.
std::string NativePath(const std::string& path);

// The folder part of a path, with its trailing "/" ("" when the path names no folder).
std::string ExtractFilePath(const std::string& path);

// Replaces the file with data as a whole through a TReplacementFile, so that a failed write leaves the old
// file as it was. Throws EFCreateError with the file name and the reason.
void WriteFileAtomically(const std::string& path, const std::string& data, mode_t newFileMode = 0666,
                         ReaderWait wait = ReaderWait::UntilStopped);

// Full path of the running program file, and the folder that holds it (with a trailing "/").
std::string ProgramFilePath();
std::string ProgramDirectory();

} // namespace torvane
