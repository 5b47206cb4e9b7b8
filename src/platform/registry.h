#pragma once

// Placeholder: the read-only registry interface comes with the About window.
namespace vantle {
class Registry {
public:
    virtual ~Registry() = default;
};
}  // namespace vantle
