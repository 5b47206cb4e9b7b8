#pragma once

#include <memory>

#include "seams/message_boxes.h"
#include "seams/mouse_input.h"
#include "seams/program_start.h"
#include "seams/registry.h"

class wxWindow;

namespace vantle {

// The real implementations of the seams, for the running program.
std::unique_ptr<MessageBoxes> MakeWxMessageBoxes();
std::unique_ptr<ProgramStart> MakeWxProgramStart();
std::unique_ptr<MouseInput> MakeWxMouseInput();  // wx_mouse_input.cpp

// Restacks a shown window above its siblings without asking the window manager to activate it,
// as wxWindow::Raise does; false when the window has no native window yet.
bool RaiseWithoutActivating(wxWindow& window);

}  // namespace vantle
