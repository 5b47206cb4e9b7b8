#pragma once

#include <optional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;

namespace vantle::test {

// Runs `script` in the page and waits for its end: its value as text, nothing when it threw or
// did not end in time.
std::optional<std::string> RunScript(WebKitWebView* web, const char* script);

}  // namespace vantle::test
