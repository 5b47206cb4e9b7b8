#pragma once

namespace vantle {

// Decides which activations fill a self-filling dialog: only the user coming to it from another
// window of the program. GTK also activates the dialog when its own message box closes, or when
// the user comes back from another program; neither box nor program is a window of ours, so
// neither leaves a trace here, and the dialog's next activation finds itself still the last one
// active. A refill then would throw away what the user typed and, when the refill itself shows
// a read failure, loop for ever.
//
// Windows are only compared, never followed: one may be gone by the next activation.
class ActivationGuard {
  public:
    explicit ActivationGuard(const void* dialog) : dialog_(dialog) {}

    // An opener's showing fills the dialog itself and counts as the activation it brings.
    void FilledByOpener() { lastActive_ = dialog_; }

    // For every activation of a window of the program; true when the dialog should fill.
    bool ShouldFill(const void* activated) {
        const bool fromAnotherWindow = activated == dialog_ && lastActive_ != dialog_;
        lastActive_ = activated;
        return fromAnotherWindow;
    }

  private:
    const void* dialog_;
    const void* lastActive_ = nullptr;
};

}  // namespace vantle
