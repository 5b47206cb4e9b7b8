#pragma once

#include <chrono>
#include <functional>

namespace vantle {

enum class MouseButton { Left, Right };

// What the desktop said when asked to let the program move its pointer, or what later ended
// that permission.
enum class InputSession {
    Ready,        // input may be sent now
    Refused,      // the user said no
    Cancelled,    // the request ended without an answer (the dialog went away, the service failed)
    Closed,       // the desktop ended a session it had granted
    Unavailable,  // nobody to ask any more: the desktop's service is gone
};

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

    // Gets the input ready, asking the desktop first where it must. `answer` comes exactly once:
    // at once where nothing needs asking (X11), otherwise from the event loop when the desktop
    // has answered. After Ready, `ended` comes if the desktop ends the permission later. A
    // later call replaces both; once ready, a later call answers Ready at once.
    virtual void Prepare(std::function<void(InputSession)> answer,
                         std::function<void(InputSession)> ended) {
        (void)ended;
        answer(InputSession::Ready);
    }
    // Where the input moves the pointer by relative steps, it tracks where its own moves left the
    // pointer; after this call it finds its place afresh at the next move. For when someone else
    // moved the pointer. Nothing to do where moves go to absolute points.
    virtual void ForgetPointerPosition() {}
    // How long after a call returns the desktop may still not have registered its event.
    virtual std::chrono::milliseconds InputLatency() const { return std::chrono::milliseconds(0); }
    // False where the program's windows do not know their place on the desktop (native
    // Wayland): MoveTo's points are then taken from the desktop's top-left corner.
    virtual bool WindowPlaceKnown() const { return true; }

    // Whether the user has been told that the input does not reach the desktop. It lives here
    // because the input lives as long as the program: once per input is once per run.
    bool limitsTold = false;
};

}  // namespace vantle
