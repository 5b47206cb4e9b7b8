#pragma once

namespace vantle {

enum class MouseButton { Left, Right };

// Real, system-wide mouse input: it acts on whatever window lies under the cursor.
class MouseInput {
  public:
    virtual ~MouseInput() = default;
    // False where the display cannot take synthetic input (no XTest, a Wayland session).
    virtual bool Available() const = 0;
    // Press or release a button at the cursor's current position.
    virtual void Press(MouseButton button) = 0;
    virtual void Release(MouseButton button) = 0;
    // Put the cursor at a point in screen pixels.
    virtual void MoveTo(int screenX, int screenY) = 0;
    // False where the input reaches only the programs of an X server that is not the desktop's
    // own (Xwayland under a Wayland compositor): the desktop's cursor does not move, native
    // windows see nothing, and the session's idle timer keeps running.
    virtual bool ReachesDesktop() const { return true; }

    // Whether the user has been told that the input does not reach the desktop. It lives here
    // because the input lives as long as the program: once per input is once per run.
    bool limitsTold = false;
};

}  // namespace vantle
