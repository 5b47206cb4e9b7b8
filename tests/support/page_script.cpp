#include "support/page_script.h"

#include <webkit2/webkit2.h>

#include <memory>

#include "support/pump.h"

namespace vantle::test {

std::optional<std::string> RunScript(WebKitWebView* web, const char* script) {
    struct Run {
        bool done = false;
        std::optional<std::string> value;
    };
    // Shared with the callback, which may come after a run that timed out here.
    auto run = std::make_shared<Run>();
    webkit_web_view_evaluate_javascript(
        web, script, -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<std::shared_ptr<Run>> run(
                static_cast<std::shared_ptr<Run>*>(data));
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
            (*run)->done = true;
            if (!value) return;
            char* text = jsc_value_to_string(value);
            (*run)->value = text;
            g_free(text);
            g_object_unref(value);
        },
        new std::shared_ptr<Run>(run));
    if (!PumpUntil([&] { return run->done; })) return std::nullopt;
    return run->value;
}

}  // namespace vantle::test
