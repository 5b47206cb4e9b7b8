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
};

}  // namespace vantle
