#pragma once

namespace vantle {

class aidle;

// What the Rotator and its dialog need of the application that holds them: each other.
struct RotatorHost {
    virtual ~RotatorHost() = default;
    // The Rotator window; loads it, hidden, when it is not loaded.
    virtual aidle& Rotator() = 0;
    // Shows the Rotator's dialog as the Options menu does.
    virtual void ShowRotatorConfig() = 0;
};

}  // namespace vantle
