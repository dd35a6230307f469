#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Files of this program are read and written whole, in one step. Plain C++
// over POSIX calls, so every error is seen where it happens: a write is only
// called done when every byte reached the disk, and a failed write never
// touches the file it was to replace.
namespace qm::files {

// What went wrong with one file: its path and the system's reason.
struct FileError {
    std::string path;
    std::string reason;  // strerror's text, or a limit of ours
};

// Writes bytes to path: into a new file beside it, flushed to the disk, then
// renamed over path. An existing path keeps its permission bits; a symbolic
// link is followed, so the file it names is replaced and the link stays. On
// any error (no space, no permission, a folder missing) the old file stays as
// it was, byte for byte, and the error is returned.
std::optional<FileError> writeWholeFile(const std::string& path, std::string_view bytes);

// What a whole read gives: the bytes, or the error.
struct ReadResult {
    std::string bytes;
    std::optional<FileError> error;
};

// Every read of the program's files comes here. A read never blocks on what
// stands at path: anything but a regular file (a FIFO, a device, a socket, a
// folder) is refused with the reason, and no more than maxBytes are read
// whatever size the file claims.

// Reads the whole file, refusing one bigger than maxBytes (the reason says so)
// before reading any of it.
ReadResult readWholeFile(const std::string& path, std::size_t maxBytes);

// Reads at most maxBytes from the start of the file (a shorter file gives all it has).
ReadResult readFileHead(const std::string& path, std::size_t maxBytes);

// Nothing when path (a symbolic link followed) is a regular file; otherwise
// why not: missing, a folder, a FIFO, a device. For files read by others (the
// playback engine, the analysis), which would block on a FIFO as well.
std::optional<FileError> checkRegularFile(const std::string& path);

// What tells one version of a file from another: written by anyone, it
// changes (a rename over it gives it a new inode, a write a new time).
struct FileStamp {
    unsigned long long device = 0, inode = 0;
    long long size = 0, modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at path (a symbolic link followed); nothing when it is not there.
std::optional<FileStamp> stampOf(const std::string& path);

// The user's message for a file that could not be written: "ファイル %s を作成できません"
// and, on the next line, the reason.
std::string cannotCreateMessage(const FileError& e);
// The user's message for a file that could not be read: "ファイル %s は開けません"
// and, on the next line, the reason.
std::string cannotOpenMessage(const FileError& e);

// The error for the message boxes: writeWholeFile, throwing cannotCreateMessage.
void writeWholeFileOrThrow(const std::string& path, std::string_view bytes);

// A seam for tests that cannot fill a real disk: while set, each write(2) of
// the writer goes through the hook, which returns what write would (a byte
// count, or -1 with errno set). Not for the program itself.
using WriteHook = std::function<long(int fd, const void* data, std::size_t size)>;
void setWriteHookForTesting(WriteHook hook);

}  // namespace qm::files
