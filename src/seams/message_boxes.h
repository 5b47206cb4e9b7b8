#pragma once

#include <string>

namespace vantle {

enum class MessageIcon { None, Information, Exclamation };

// Every message the program shows goes through here, so tests can record them instead of
// blocking on a modal box.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Modal; returns when the user has dismissed the box.
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

}  // namespace vantle
