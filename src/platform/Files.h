#pragma once
// File-system helpers in the terms the program uses: work directories that end with a separator, and
// Windows-style absolute paths mapped onto this file system.

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

// A new file beside target that takes target's place only on Commit(), so that a failed writer never
// destroys what target held. Until then the file has a hidden temporary name; without Commit() the
// destructor removes it. It gets the permissions of an existing target, newFileMode (less the umask)
// otherwise. Through a symbolic link the file it leads to is replaced and the link stays.
class TReplacementFile {
public:
    // EFCreateError naming target on failure
    explicit TReplacementFile(const std::string& target, mode_t newFileMode = 0666);
    ~TReplacementFile();
    TReplacementFile(const TReplacementFile&) = delete;
    TReplacementFile& operator=(const TReplacementFile&) = delete;

    const std::string& TempName() const { return temp_; }
    // Flushes the file to the disk, renames it over target and flushes the folder, so that the rename
    // survives a power cut too; EWriteError on failure.
    void Commit();

private:
    std::string name_;   // as the caller gave it, for messages
    std::string target_; // the file that is replaced
    std::string temp_;
    bool committed_ = false;
};

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
