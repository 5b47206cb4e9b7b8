#include "settings/settings_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
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

bool PwriteAll(int fd, std::string_view bytes, off_t at) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        at += written;
    }
    return true;
}

// Temporary files are named "." + file name + "." + process id + "." + counter + ".tmp", so that
// a later save can tell whose they were.
std::string TemporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".";
}

// The process id in a temporary file's name, 0 when the name is not one of ours.
pid_t TemporaryOwner(std::string_view name, std::string_view prefix) {
    constexpr std::string_view kSuffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) return 0;
    name = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 == name.size()) return 0;
    if (name.find_first_not_of("0123456789.") != std::string_view::npos ||
        name.find('.', dot + 1) != std::string_view::npos || dot > 9)
        return 0;
    return static_cast<pid_t>(std::stol(std::string(name.substr(0, dot))));
}

// A new file next to `target`, created with the same default permissions as any other new file
// (mkstemp would make it private).
UniqueFd CreateTemporary(const std::filesystem::path& target, std::string& path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = target.parent_path() / (TemporaryPrefix(target) + std::to_string(::getpid()) + "." +
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

// Rewrites an existing file where it stands, for a folder that takes no new file; what it
// guarantees is stated with ReplaceFile.
bool RewriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!fd) return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    // The old content, to write only from its first difference and to put back after a failure.
    std::string old(static_cast<std::size_t>(info.st_size), '\0');
    for (std::size_t got = 0; got < old.size();) {
        const ssize_t n = ::pread(fd.get(), old.data() + got, old.size() - got, got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    std::size_t same = 0;
    while (same < old.size() && same < bytes.size() && old[same] == bytes[same]) ++same;
    if (same == old.size() && same == bytes.size()) return true;
    // Claiming the room first means a full disk stops the write before it has changed anything;
    // the room is claimed beyond the file's end without making the file longer.
    if (bytes.size() > old.size() &&
        ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, info.st_size,
                    static_cast<off_t>(bytes.size() - old.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return false;
    }
    const auto put = [&](std::string_view content) {
        return PwriteAll(fd.get(), content.substr(same), static_cast<off_t>(same)) &&
               ::ftruncate(fd.get(), static_cast<off_t>(content.size())) == 0 &&
               ::fdatasync(fd.get()) == 0;
    };
    if (put(bytes)) return fd.Close();
    put(old);  // as far as the disk lets it: a failure part-way must not leave the file torn
    return false;
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

bool MayWrite(const std::filesystem::path& file) {
    const std::filesystem::path target = WriteTarget(file);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return errno == ENOENT;
    return (info.st_mode & 0222) != 0 &&
           ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = WriteTarget(file);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || !MayWrite(target))) return false;

    std::string temporary;
    UniqueFd fd = CreateTemporary(target, temporary);
    if (!fd) return exists && InPlaceMayWork(errno) && RewriteInPlace(target, bytes);

    bool written = true;
    if (exists) {
        // Root saving a user's file must not take it over; for anyone else this fails harmlessly.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
        written = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    }
    written = written && PwriteAll(fd.get(), bytes, 0) && ::fsync(fd.get()) == 0 && fd.Close();
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

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPoll = std::chrono::milliseconds(1);
// When this process last let go of the lock. flock() wakes no waiter in turn, and a process
// that saves key after key would take the lock again before a waiting one polls; pausing a
// little longer than one poll between its saves lets the other one in.
Clock::time_point lastRelease;

}  // namespace

SaveLock::SaveLock(const std::filesystem::path& file) : target_(WriteTarget(file)) {
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    std::this_thread::sleep_until(lastRelease + 2 * kPoll);
    // flock() offers no timeout, so the wait polls.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kLockWaitMs);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            state_ = State::Held;
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) break;  // no locks here: every save goes on unlocked
        if (Clock::now() >= deadline) {
            state_ = State::Busy;
            break;
        }
        std::this_thread::sleep_for(kPoll);
    }
    ::close(fd_);
    fd_ = -1;
}

SaveLock::~SaveLock() {
    if (fd_ < 0) return;
    ::close(fd_);
    lastRelease = Clock::now();
}

void SaveLock::RemoveLeftovers() const {
    if (state_ != State::Held) return;
    const int copy = ::dup(fd_);  // closedir() closes the descriptor it reads from
    if (copy < 0) return;
    DIR* folder = ::fdopendir(copy);
    if (folder == nullptr) {
        ::close(copy);
        return;
    }
    const std::string prefix = TemporaryPrefix(target_);
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t owner = TemporaryOwner(entry->d_name, prefix);
        // ESRCH only: a process of another user (EPERM) is running.
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

}  // namespace vantle::settings_io
