#pragma once

#include <chrono>
#include <optional>

namespace vantle {

// How long the desktop has had no input from anyone, this program's own input included.
class DesktopIdle {
  public:
    virtual ~DesktopIdle() = default;
    // Nothing where the desktop does not tell.
    virtual std::optional<std::chrono::milliseconds> IdleTime() = 0;
};

}  // namespace vantle
