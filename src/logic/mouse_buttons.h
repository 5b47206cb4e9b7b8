#pragma once

namespace vantle {

class MouseInput;

// Button routines shared by the whole program: each presses or releases a real mouse button at
// the cursor's current position, so it acts on whatever window lies under the cursor. None of
// them waits for the system to handle the event.
namespace mouse_buttons {

void LeftUp(MouseInput& mouse);
void RightDown(MouseInput& mouse);
void RightUp(MouseInput& mouse);
// Down and up at once, with no pause between them.
void RightClick(MouseInput& mouse);

}  // namespace mouse_buttons
}  // namespace vantle
