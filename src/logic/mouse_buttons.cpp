#include "logic/mouse_buttons.h"

#include "seams/mouse_input.h"

namespace vantle::mouse_buttons {

void LeftUp(MouseInput& mouse) { mouse.Release(MouseButton::Left); }
void RightDown(MouseInput& mouse) { mouse.Press(MouseButton::Right); }
void RightUp(MouseInput& mouse) { mouse.Release(MouseButton::Right); }

void RightClick(MouseInput& mouse) {
    RightDown(mouse);
    RightUp(mouse);
}

}  // namespace vantle::mouse_buttons
