#pragma once
// File-system helpers in the terms the program uses: work directories that end with a separator, and
// Windows-style absolute paths mapped onto this file system.

#include <string>

namespace torvane {

bool FileExists(const std::string& path);      // a regular file (or anything but a directory) exists
bool DirectoryExists(const std::string& path); // a directory exists
// Deletes a file; true when it is gone afterwards. A missing file is no error.
bool DeleteFileIfExists(const std::string& path);

// The system temporary directory with a trailing "/".
std::string SystemTempDirectory();

// Makes sure a directory text ends with "/" (a trailing "\" becomes "/").
std::string WithTrailingSeparator(const std::string& dir);

// Maps a Windows-style absolute path ("C:\autoexec.bat", "D:\Work\") onto this file system: the drive
// is dropped and "\" becomes "/", so "C:\fd12" becomes "/fd12". Other paths come back unchanged.
std::string NativePath(const std::string& path);

// The folder part of a path, with its trailing "/" ("" when the path names no folder).
std::string ExtractFilePath(const std::string& path);

// Replaces the file with data as a whole: written beside it under a temporary name, then renamed over
// it, so that a failed write leaves the old file as it was. Throws EFCreateError with the file name.
void WriteFileAtomically(const std::string& path, const std::string& data);

// Full path of the running program file, and the folder that holds it (with a trailing "/").
std::string ProgramFilePath();
std::string ProgramDirectory();

} // namespace torvane
