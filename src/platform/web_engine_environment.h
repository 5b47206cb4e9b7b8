#pragma once

#include <string>
#include <vector>

namespace vantle {

// Chooses the web engine's frugal settings through the environment, once. Call it before the
// toolkit starts: the toolkit reads some of them then, and the environment must not change once
// the toolkit's threads may read it.
void PrepareWebEngine();

// Whether PrepareWebEngine has run.
bool WebEnginePrepared();

// The environment switches set for the toolkit and the web engine (those the user had not set
// already). Programs that Vantle starts must not inherit them.
const std::vector<std::string>& EngineEnvironment();

}  // namespace vantle
