#pragma once

#include <functional>

namespace vantle::test {

// Brings wxWidgets up on the X display with an active event loop for PumpUntil, runs `body`
// and takes wx down again; returns what `body` returned, or 1 when wx could not start.
int RunWithWx(int argc, char** argv, const std::function<int()>& body);

}  // namespace vantle::test
