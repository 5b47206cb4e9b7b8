#pragma once

#include <string>

namespace vantle {

// Starting other programs, kept behind an interface so tests can see what would have started.
// The real one says on standard error why a start failed.
class ProgramStart {
  public:
    virtual ~ProgramStart() = default;
    // Starts the program at `path` without waiting for it; false when it could not be started.
    virtual bool Start(const std::string& path) = 0;
    // Opens `url` in the user's default browser; false when that failed.
    virtual bool OpenInBrowser(const std::string& url) = 0;
};

}  // namespace vantle
