#include "files/WholeFile.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::files {

namespace {

std::mutex hookMutex;
WriteHook writeHook;

long writeSome(int fd, const char* data, std::size_t size) {
    {
        std::lock_guard lock(hookMutex);
        if (writeHook) return writeHook(fd, data, size);
    }
    return static_cast<long>(::write(fd, data, size));
}

FileError errnoError(const std::string& path, int err) { return {path, std::strerror(err)}; }

FileError tooBig(const std::string& path, std::size_t maxBytes) {
    const bool mb = maxBytes >= 1024 * 1024;
    return {path, "larger than " + std::to_string(mb ? maxBytes / (1024 * 1024) : maxBytes) + (mb ? " MB" : " bytes")};
}

// The file a write to path replaces: the target of a symbolic link, so that
// the link itself survives the rename.
std::string replacedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;  // a dangling link: replaced as it is
    std::string resolved(real);
    std::free(real);
    return resolved;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new, empty file beside target, made with O_EXCL so that no other file is
// ever opened by mistake; the mode 0666 goes through the user's umask.
int createTemporary(const std::string& target, std::string& tempPath, int& err) {
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folderOf(target) + "/." + nameOf(target) + "." + std::to_string(::getpid()) + "." +
                   std::to_string(seed() ^ counter.fetch_add(1)) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            err = errno;
            return -1;
        }
    }
    err = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes, int& err) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = writeSome(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {  // the device takes nothing more
            err = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<FileError> writeWholeFile(const std::string& path, std::string_view bytes) {
    const std::string target = replacedFile(path);
    std::string temp;
    int err = 0;
    const int fd = createTemporary(target, temp, err);
    if (fd < 0) return errnoError(path, err);

    struct stat old {};
    bool ok = true;
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) {
        err = errno;
        ok = false;
    }
    // A full disk may only show at fsync or close: each one is checked.
    ok = ok && writeAll(fd, bytes, err);
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return errnoError(path, err);
    }
    // The rename itself reaches the disk with the folder; a folder that
    // cannot be synced still holds the new file.
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

namespace {

// Why path is no file to read, or nothing when it is a regular one.
std::optional<FileError> notRegular(const std::string& path, mode_t mode) {
    if (S_ISREG(mode)) return std::nullopt;
    if (S_ISDIR(mode)) return errnoError(path, EISDIR);
    const char* kind = S_ISFIFO(mode)   ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "of an unknown kind";
    return FileError{path, std::string("not a regular file: ") + kind};
}

ReadResult readUpTo(const std::string& path, std::size_t maxBytes, bool refuseBigger) {
    ReadResult r;
    // Opened without blocking: a FIFO would otherwise hold the open until a
    // writer came, for ever; its kind is refused right after.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        r.error = errnoError(path, errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        r.error = errnoError(path, errno);
        ::close(fd);
        return r;
    }
    if (auto e = notRegular(path, st.st_mode)) {
        r.error = std::move(e);
        ::close(fd);
        return r;
    }
    if (refuseBigger && static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        r.error = tooBig(path, maxBytes);
        ::close(fd);
        return r;
    }
    // Room for what the file says it holds, so that a big one is placed once.
    r.bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), maxBytes) + 1);
    // Read in pieces up to the limit: a file that grows while read cannot go
    // past it either.
    char buffer[64 * 1024];
    while (r.bytes.size() <= maxBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = errnoError(path, errno);
            r.bytes.clear();
            ::close(fd);
            return r;
        }
        if (n == 0) break;
        r.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (r.bytes.size() > maxBytes) {
        if (refuseBigger) {
            r.bytes.clear();
            r.error = tooBig(path, maxBytes);
        } else {
            r.bytes.resize(maxBytes);
        }
    }
    return r;
}

}  // namespace

ReadResult readWholeFile(const std::string& path, std::size_t maxBytes) { return readUpTo(path, maxBytes, true); }

ReadResult readFileHead(const std::string& path, std::size_t maxBytes) { return readUpTo(path, maxBytes, false); }

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                     static_cast<long long>(st.st_size),
                     static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + st.st_mtim.tv_nsec};
}

std::optional<FileError> checkRegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errnoError(path, errno);
    return notRegular(path, st.st_mode);
}

std::string cannotCreateMessage(const FileError& e) {
    return "ファイル " + e.path + " を作成できません\n" + e.reason;
}

std::string cannotOpenMessage(const FileError& e) { return "ファイル " + e.path + " は開けません\n" + e.reason; }

void writeWholeFileOrThrow(const std::string& path, std::string_view bytes) {
    if (const auto e = writeWholeFile(path, bytes)) throw std::runtime_error(cannotCreateMessage(*e));
}

void setWriteHookForTesting(WriteHook hook) {
    std::lock_guard lock(hookMutex);
    writeHook = std::move(hook);
}

}  // namespace qm::files
