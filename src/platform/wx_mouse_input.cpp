#include <gdk/gdk.h>

#include <string>
#include <vector>

#include "platform/display_backend.h"
#include "platform/wx_platform.h"
#ifdef GDK_WINDOWING_X11
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>
#endif

namespace vantle {
namespace {

#ifdef GDK_WINDOWING_X11

// Real input through the XTest extension, on the X connection GTK itself draws with, so the
// events reach the server in order with everything the windows have asked for.
//
// wxUIActionSimulator would do the same, but it runs the event loop (wxYield) and sleeps after
// every move and release. The Rotator's activity step must run to its end without yielding: a
// nested loop could run its timers again inside the step, or delete its window underneath it.
class XTestMouseInput final : public MouseInput {
  public:
    XTestMouseInput()
        : display_(XTestDisplay()),
          reachesDesktop_(display_ == nullptr ||
                          !LooksLikeXwayland(HasExtension(display_, "XWAYLAND"),
                                             OutputNames(display_), g_getenv("XDG_SESSION_TYPE"))) {
    }

    bool Available() const override { return display_ != nullptr; }
    bool ReachesDesktop() const override { return reachesDesktop_; }
    // The server has handled each event when its call returns (XSync).
    std::chrono::milliseconds InputLatency() const override { return {}; }
    void Press(MouseButton button) override { Button(button, true); }
    void Release(MouseButton button) override { Button(button, false); }

    void MoveTo(int screenX, int screenY) override {
        if (display_ == nullptr) return;
        // wx counts GTK's logical pixels; the X server counts device pixels.
        const int scale = DeviceScaleAt(screenX, screenY);
        XTestFakeMotionEvent(display_, -1, screenX * scale, screenY * scale, CurrentTime);
        XSync(display_, False);
    }

  private:
    // The display only when it is an X11 one that takes synthetic input: a Wayland session, or
    // an X server without the extension, has none.
    static Display* XTestDisplay() {
        GdkDisplay* display = gdk_display_get_default();
        if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return nullptr;
        Display* xdisplay = gdk_x11_display_get_xdisplay(display);
        return HasExtension(xdisplay, "XTEST") ? xdisplay : nullptr;
    }

    static bool HasExtension(Display* xdisplay, const char* name) {
        int opcode = 0, firstEvent = 0, firstError = 0;
        return XQueryExtension(xdisplay, name, &opcode, &firstEvent, &firstError);
    }

    static std::vector<std::string> OutputNames(Display* xdisplay) {
        std::vector<std::string> names;
        int firstEvent = 0, firstError = 0;
        if (!XRRQueryExtension(xdisplay, &firstEvent, &firstError)) return names;
        XRRScreenResources* screen =
            XRRGetScreenResourcesCurrent(xdisplay, DefaultRootWindow(xdisplay));
        if (screen == nullptr) return names;
        for (int i = 0; i < screen->noutput; ++i) {
            if (XRROutputInfo* output = XRRGetOutputInfo(xdisplay, screen, screen->outputs[i])) {
                names.emplace_back(output->name, output->nameLen);
                XRRFreeOutputInfo(output);
            }
        }
        XRRFreeScreenResources(screen);
        return names;
    }

    void Button(MouseButton button, bool down) {
        if (display_ == nullptr) return;
        const unsigned int xbutton = button == MouseButton::Left ? 1 : 3;
        XTestFakeButtonEvent(display_, xbutton, down ? True : False, CurrentTime);
        XSync(display_, False);
    }

    Display* display_;
    bool reachesDesktop_;
};

#else

// Where GTK was built without X11 there is no way to inject input at all.
class NoMouseInput final : public MouseInput {
  public:
    bool Available() const override { return false; }
    void Press(MouseButton) override {}
    void Release(MouseButton) override {}
    void MoveTo(int, int) override {}
};

#endif  // GDK_WINDOWING_X11

}  // namespace

std::unique_ptr<MouseInput> MakeWxMouseInput() {
#ifdef GDK_WINDOWING_X11
    return std::make_unique<XTestMouseInput>();
#else
    return std::make_unique<NoMouseInput>();
#endif
}

}  // namespace vantle
