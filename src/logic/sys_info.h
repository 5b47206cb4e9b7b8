#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "seams/registry.h"

namespace vantle {

class MessageBoxes;
class ProgramStart;

inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// A value whose data fills the whole buffer leaves no zero byte to end its text at.
class UnterminatedValue : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads value `SubKeyRef` of key `KeyName` under `KeyRoot`, opened for reading only. True when
// the value was read: a string sets `KeyVal` to its text up to the first zero byte, a number to
// its decimal digits, and any other type leaves `KeyVal` as it was. False, with `KeyVal` empty,
// when the key or the value is missing or its data is larger than 1,024 bytes. Throws
// UnterminatedValue when the data fills all 1,024 bytes without a zero byte.
bool GetKeyValue(Registry& registry, RegKey KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// True for a regular file that is not hidden (its name does not start with a dot).
bool IsOrdinaryFile(const std::string& path);
using FileTest = std::function<bool(const std::string& path)>;

// Starts the system-information program that the registry names, without waiting for it: the
// full path it records, or else the program in the folder it records when that is an ordinary
// file. When neither gives a program, or it cannot be started, shows kSysInfoUnavailable
// instead (and says on standard error why a value could not be read). A null registry stands
// for a machine that has none.
void StartSysInfo(Registry* registry, ProgramStart& programs, MessageBoxes& messages,
                  const FileTest& isOrdinaryFile = IsOrdinaryFile);

}  // namespace vantle
