#pragma once

namespace vantle {

// Keeps the session from counting as idle (screen blanking, locking, suspend) while the program
// acts for a user who is away. Where the desktop offers no way to, both do nothing.
class IdleInhibit {
  public:
    virtual ~IdleInhibit() = default;
    // Takes the inhibit; while it is held, a second call does nothing.
    virtual void Hold() = 0;
    // Gives it back; nothing when it is not held.
    virtual void Release() = 0;
};

}  // namespace vantle
