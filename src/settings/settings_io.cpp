#include "settings/settings_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

namespace vantle::settings_io {

namespace {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closing can report a failed write-back, so it is checked where it matters.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file next to `target`, created with the same default permissions as any other new file
// (mkstemp would make it private).
UniqueFd CreateTemporary(const std::filesystem::path& target, std::string& path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = target.parent_path() /
               ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                std::to_string(counter++) + ".tmp");
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
        if (fd || errno != EEXIST) return fd;
    }
    return UniqueFd(-1);
}

// Failures after which the file can still be rewritten where it stands: the folder refuses new
// entries, or the file is a mount point of its own.
bool InPlaceMayWork(int error) {
    return error == EACCES || error == EPERM || error == EBUSY || error == EXDEV;
}

// The file a write must change: a symbolic link is replaced by what it points to, not by a file.
std::filesystem::path WriteTarget(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) return file;
    auto target = std::filesystem::canonical(file, error);
    return error ? file : target;
}

void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.get());
}

}  // namespace

FileContent ReadFileBytes(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO put where the file should be cannot stall the program.
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) {
        const bool absent = errno == ENOENT || errno == ENOTDIR;
        return {absent ? FileState::Absent : FileState::Unreadable, {}};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {FileState::Unreadable, {}};
    }
    FileContent content{FileState::Read, {}};
    content.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return {FileState::Unreadable, {}};
        }
        content.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

bool RewriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd) return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    // Claiming the room first means a full disk stops the write before it has changed anything.
    const auto size = static_cast<off_t>(bytes.size());
    if (size > info.st_size && ::posix_fallocate(fd.get(), 0, size) != 0) return false;
    return WriteAll(fd.get(), bytes) && ::ftruncate(fd.get(), size) == 0 &&
           ::fsync(fd.get()) == 0 && fd.Close();
}

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = WriteTarget(file);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return false;

    std::string temporary;
    UniqueFd fd = CreateTemporary(target, temporary);
    if (!fd) return exists && InPlaceMayWork(errno) && RewriteInPlace(target, bytes);

    bool written = true;
    if (exists) {
        // Root saving a user's file must not take it over; for anyone else this fails harmlessly.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
        written = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    }
    written = written && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close();
    if (!written) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return exists && InPlaceMayWork(error) && RewriteInPlace(target, bytes);
    }
    std::filesystem::path folder = target.parent_path();
    SyncFolder(folder.empty() ? "." : folder);
    return true;
}

}  // namespace vantle::settings_io
