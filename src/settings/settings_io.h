#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantle::settings_io {

enum class FileState {
    Read,        // the bytes are the file's content
    Absent,      // there is no such file (or no such folder)
    Unreadable,  // something is there but its content cannot be had: a folder, a device, an error
};

struct FileContent {
    FileState state = FileState::Absent;
    std::string bytes;
};

FileContent ReadFileBytes(const std::filesystem::path& file);

// Whether a write may change the file, as the Windows functions decide it: a file that the
// user running the program may not write is refused, and so is a file without any write
// permission bit, which root could write but which a user made read-only on purpose. A file
// that is not there yet may be created.
bool MayWrite(const std::filesystem::path& file);

// Replaces the file's content with `bytes`: the bytes go to a temporary file in the same folder,
// reach the disk, and are then renamed over the file, which keeps its permissions (and, where
// allowed, its owner), so the file is always whole, old or new. A symbolic link is followed, so
// the link stays. A file that MayWrite refuses is left alone. False when the content could not be
// stored; the file is then as it was.
//
// A folder that takes no new file makes an existing file be rewritten where it stands instead.
// That cannot be atomic, and guarantees this much: the bytes before the first changed byte are
// never written; room for a longer file is claimed before anything is written, so a full disk
// refuses the write with the file as it was; a write that fails part-way (an I/O error, a file
// size limit) puts the old bytes back and returns false. A process killed or a machine losing
// power between the first changed byte and the end of the write can leave the rest of the file
// part new and part old; and a read by another process at that moment (reads take no lock) can
// see it so. Other saves wait for it under SaveLock.
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

// Serialises the saves of one settings file across processes, so that no save reads the file
// while another is between its own read and write and loses that change. The lock is a flock()
// on the folder of the file written (where a symbolic link leads): the file itself is replaced at
// every save, so a lock on it would hold only its old copy, and the folder needs no lock file of
// its own, which a folder that takes no new file could not hold. The kernel drops it when its
// holder ends, however it ends.
//
// Taking it waits at most kLockWaitMs for another save to end. Busy after that means a save that
// stopped part-way (a stopped or hung process) holds it: the caller refuses the write rather than
// lose that save's change or its own. Unavailable (a folder that cannot be opened or that does
// not support locks) lets the save go on unlocked, as every save there must.
class SaveLock {
  public:
    enum class State { Held, Busy, Unavailable };
    static constexpr int kLockWaitMs = 2000;

    explicit SaveLock(const std::filesystem::path& file);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    State state() const { return state_; }

    // Removes the temporary files that killed saves left beside the file. Only while the lock is
    // held, so no save is in progress, and only those whose process is no longer running (as a
    // backstop: a save of a program that took no lock). A process id that was since reused
    // keeps its file until that process ends too; no save's file is ever removed while it runs.
    void RemoveLeftovers() const;

  private:
    std::filesystem::path target_;
    int fd_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace vantle::settings_io
