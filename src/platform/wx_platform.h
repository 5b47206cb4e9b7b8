#pragma once

#include <memory>

#include "platform/message_boxes.h"
#include "platform/mouse_input.h"
#include "platform/program_start.h"
#include "platform/registry.h"

namespace vantle {

// The real implementations of the seams, for the running program.
std::unique_ptr<MessageBoxes> MakeWxMessageBoxes();
std::unique_ptr<ProgramStart> MakeWxProgramStart();
std::unique_ptr<MouseInput> MakeWxMouseInput();  // wx_mouse_input.cpp
std::unique_ptr<Registry> MakeLinuxRegistry();   // linux_registry.cpp

}  // namespace vantle
