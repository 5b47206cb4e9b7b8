#include "platform/desktop_portal.h"

#include <gdk/gdk.h>
#include <gio/gio.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

#include "logic/relative_pointer.h"
#include "logic/restore_token.h"
#include "platform/display_backend.h"
#include "platform/wx_platform.h"
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace vantle {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kRemoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr const char* kInhibitPortal = "org.freedesktop.portal.Inhibit";
constexpr const char* kRequest = "org.freedesktop.portal.Request";
constexpr const char* kSession = "org.freedesktop.portal.Session";
constexpr const char* kScreenSaver = "org.freedesktop.ScreenSaver";

constexpr guint32 kPointerDevice = 2;
constexpr guint32 kPersistUntilRevoked = 2;
constexpr guint32 kInhibitIdle = 8;
// Linux input event codes, which the portal takes for buttons.
constexpr gint32 kButtonLeft = 0x110;
constexpr gint32 kButtonRight = 0x111;
// The properties are read once at start-up; the portal may still be starting on demand.
constexpr int kStartupCallMs = 5000;
// A request's reply only names the request; the answer comes later as a signal, so this need
// only cover the portal taking the call.
constexpr int kCallMs = 10000;

struct VariantDeleter {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, VariantDeleter>;
struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorDeleter>;

// The path the portal gives a request or session made with `token`: the caller's unique bus name
// without its colon, dots made underscores.
std::string PortalObjectPath(GDBusConnection* bus, const char* kind, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    return std::string(kPortalPath) + "/" + kind + "/" + sender + "/" + token;
}

// An asynchronous call's reply, null when it failed. Its caller's object cancels its calls when
// it goes: `gone` then says that the object must not be touched.
struct Finished {
    Variant reply;
    bool gone = false;
};

Finished Finish(GObject* source, GAsyncResult* result) {
    GError* raw = nullptr;
    Finished finished{
        Variant(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &raw))};
    Error error(raw);
    finished.gone = g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED);
    return finished;
}

// Calls a method whose reply needs no answer; the connection keeps the calls in order.
void Send(GDBusConnection* bus, const char* path, const char* interface, const char* method,
          GVariant* parameters) {
    g_dbus_connection_call(bus, kPortal, path, interface, method, parameters, nullptr,
                           G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr, nullptr);
}

// The desktop's remote-desktop portal, asked once per run for a session with a pointer; the
// session is reused by later Starts and asked for again after the desktop closes it.
class PortalMouseInput final : public MouseInput {
  public:
    PortalMouseInput(GDBusConnection* bus, guint32 version, std::filesystem::path tokenFile)
        : bus_(bus),
          version_(version),
          tokenFile_(std::move(tokenFile)),
          cancel_(g_cancellable_new()) {}

    ~PortalMouseInput() override {
        g_cancellable_cancel(cancel_);
        g_object_unref(cancel_);
        Unsubscribe(responseSubscription_);
        Unsubscribe(closedSubscription_);
        for (const auto& [method, parameters] : inputs_) g_variant_unref(parameters);
    }

    bool Available() const override { return true; }
    void Press(MouseButton button) override { Button(button, true); }
    void Release(MouseButton button) override { Button(button, false); }

    void MoveTo(int screenX, int screenY) override {
        if (state_ != State::Ready) return;
        // The same device pixels XTest would be given: under Xwayland the X root's pixels are
        // the desktop's.
        const int scale = DeviceScaleAt(screenX, screenY);
        for (const RelativePointer::Move& move : pointer_.MovesTo(screenX * scale, screenY * scale))
            Input("NotifyPointerMotion", g_variant_new("(oa{sv}dd)", session_.c_str(), nullptr,
                                                       double(move.dx), double(move.dy)));
    }

    void Prepare(std::function<void(InputSession)> answer,
                 std::function<void(InputSession)> ended) override {
        answer_ = std::move(answer);
        ended_ = std::move(ended);
        if (state_ == State::Ready) return Answer(InputSession::Ready);
        if (state_ == State::Asking) return;
        if (g_dbus_connection_is_closed(bus_)) return Answer(InputSession::Unavailable);
        state_ = State::Asking;
        const std::string token = NextToken();
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "session_handle_token",
                              g_variant_new_string(token.c_str()));
        Ask("CreateSession", &options, [this](GVariant* results) {
            const char* session = nullptr;
            if (!g_variant_lookup(results, "session_handle", "&s", &session))
                return Fail(InputSession::Cancelled);
            session_ = session;
            closedSubscription_ = g_dbus_connection_signal_subscribe(
                bus_, nullptr, kSession, "Closed", session_.c_str(), nullptr,
                G_DBUS_SIGNAL_FLAGS_NONE, &PortalMouseInput::OnClosed, this, nullptr);
            SelectDevices();
        });
    }

    void ForgetPointerPosition() override { pointer_.Forget(); }
    // The events go over the bus to the portal and on to the compositor, one after the other: a
    // few round trips on a loaded machine.
    std::chrono::milliseconds InputLatency() const override {
        return std::chrono::milliseconds(250);
    }
    bool WindowPlaceKnown() const override {
#ifdef GDK_WINDOWING_X11
        return GDK_IS_X11_DISPLAY(gdk_display_get_default());
#else
        return false;
#endif
    }

  private:
    enum class State { Idle, Asking, Ready };

    void SelectDevices() {
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(kPointerDevice));
        if (Persists()) {
            g_variant_builder_add(&options, "{sv}", "persist_mode",
                                  g_variant_new_uint32(kPersistUntilRevoked));
            if (const std::optional<std::string> token = ReadRestoreToken(tokenFile_))
                g_variant_builder_add(&options, "{sv}", "restore_token",
                                      g_variant_new_string(token->c_str()));
        }
        Ask("SelectDevices", &options, [this](GVariant*) { Start(); });
    }

    void Start() {
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        Ask("Start", &options, [this](GVariant* results) {
            if (Persists()) {
                // The token sent is used up whatever comes back: keep only the new one.
                const char* token = "";
                g_variant_lookup(results, "restore_token", "&s", &token);
                WriteRestoreToken(tokenFile_, token);
            }
            guint32 devices = 0;
            g_variant_lookup(results, "devices", "u", &devices);
            if ((devices & kPointerDevice) == 0) return Fail(InputSession::Refused);
            state_ = State::Ready;
            Answer(InputSession::Ready);
        });
    }

    // Versions before 2 cannot remember an approval.
    bool Persists() const { return version_ >= 2 && !tokenFile_.empty(); }

    // Makes a portal request with `options` (a handle token added) and runs `then` with its
    // results when the portal answers yes; any other answer or a failed call ends the asking.
    // CreateSession takes only the options; the others take the session first, Start also a
    // parent window, which a program without one gives as empty.
    void Ask(const char* method, GVariantBuilder* options, std::function<void(GVariant*)> then) {
        const std::string token = NextToken();
        g_variant_builder_add(options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
        GVariant* parameters = std::string_view(method) == "CreateSession"
                                   ? g_variant_new("(a{sv})", options)
                               : std::string_view(method) == "Start"
                                   ? g_variant_new("(osa{sv})", session_.c_str(), "", options)
                                   : g_variant_new("(oa{sv})", session_.c_str(), options);
        // Subscribed before the call, so that an answer the portal sends at once is not missed.
        then_ = std::move(then);
        responseSubscription_ = g_dbus_connection_signal_subscribe(
            bus_, nullptr, kRequest, "Response", PortalObjectPath(bus_, "request", token).c_str(),
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &PortalMouseInput::OnResponse, this, nullptr);
        g_dbus_connection_call(bus_, kPortal, kPortalPath, kRemoteDesktop, method, parameters,
                               G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, kCallMs, cancel_,
                               &PortalMouseInput::OnRequestMade, this);
    }

    static void OnRequestMade(GObject* source, GAsyncResult* result, gpointer self) {
        const Finished finished = Finish(source, result);
        if (!finished.gone && !finished.reply)
            static_cast<PortalMouseInput*>(self)->Fail(InputSession::Cancelled);
    }

    static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GVariant* parameters, gpointer data) {
        auto* self = static_cast<PortalMouseInput*>(data);
        guint32 response = 2;
        GVariant* results = nullptr;
        g_variant_get(parameters, "(u@a{sv})", &response, &results);
        Variant owned(results);
        Unsubscribe(self->responseSubscription_, self->bus_);
        // 0: granted; 1: the user said no; 2: ended some other way.
        if (response != 0)
            return self->Fail(response == 1 ? InputSession::Refused : InputSession::Cancelled);
        std::exchange(self->then_, {})(results);
    }

    static void OnClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant*, gpointer data) {
        auto* self = static_cast<PortalMouseInput*>(data);
        const bool wasReady = self->state_ == State::Ready;
        self->EndSession();
        if (!wasReady) return self->Answer(InputSession::Cancelled);
        if (self->ended_) self->ended_(InputSession::Closed);
    }

    void Fail(InputSession why) {
        if (!session_.empty()) Send(bus_, session_.c_str(), kSession, "Close", g_variant_new("()"));
        EndSession();
        Answer(why);
    }

    void EndSession() {
        Unsubscribe(responseSubscription_);
        Unsubscribe(closedSubscription_);
        session_.clear();
        pointer_.Forget();
        state_ = State::Idle;
    }

    void Answer(InputSession state) {
        if (auto answer = std::exchange(answer_, {})) answer(state);
    }

    void Button(MouseButton button, bool down) {
        if (state_ != State::Ready) return;
        Input("NotifyPointerButton",
              g_variant_new("(oa{sv}iu)", session_.c_str(), nullptr,
                            button == MouseButton::Left ? kButtonLeft : kButtonRight,
                            down ? 1u : 0u));
    }

    // xdg-desktop-portal handles each call in a thread of its own, so calls sent together can
    // reach the compositor in any order: a release before its press leaves the button held
    // down. Each input event goes only once the one before it has been answered.
    void Input(const char* method, GVariant* parameters) {
        inputs_.emplace_back(method, g_variant_ref_sink(parameters));
        if (inputs_.size() == 1) SendFirstInput();
    }

    void SendFirstInput() {
        g_dbus_connection_call(bus_, kPortal, kPortalPath, kRemoteDesktop, inputs_.front().first,
                               inputs_.front().second, nullptr, G_DBUS_CALL_FLAGS_NONE, kCallMs,
                               cancel_, &PortalMouseInput::OnInputSent, this);
    }

    static void OnInputSent(GObject* source, GAsyncResult* result, gpointer data) {
        if (Finish(source, result).gone) return;
        auto* self = static_cast<PortalMouseInput*>(data);
        g_variant_unref(self->inputs_.front().second);
        self->inputs_.pop_front();
        if (!self->inputs_.empty()) self->SendFirstInput();
    }

    std::string NextToken() { return "vantle" + std::to_string(++tokens_); }

    void Unsubscribe(guint& subscription) { Unsubscribe(subscription, bus_); }
    static void Unsubscribe(guint& subscription, GDBusConnection* bus) {
        if (subscription != 0) g_dbus_connection_signal_unsubscribe(bus, subscription);
        subscription = 0;
    }

    GDBusConnection* bus_;
    const guint32 version_;
    const std::filesystem::path tokenFile_;
    GCancellable* cancel_;
    State state_ = State::Idle;
    std::string session_;
    RelativePointer pointer_;
    std::function<void(InputSession)> answer_, ended_;
    std::function<void(GVariant*)> then_;
    std::deque<std::pair<const char*, GVariant*>> inputs_;  // the first one is on its way
    guint responseSubscription_ = 0;
    guint closedSubscription_ = 0;
    unsigned tokens_ = 0;
};

// Asks for the inhibit without waiting: a Release that comes before the answer gives the inhibit
// back as soon as it arrives.
class DesktopIdleInhibit final : public IdleInhibit {
  public:
    explicit DesktopIdleInhibit(GDBusConnection* bus) : bus_(bus), cancel_(g_cancellable_new()) {}
    ~DesktopIdleInhibit() override {
        g_cancellable_cancel(cancel_);
        g_object_unref(cancel_);
        GiveBack();
    }

    void Hold() override {
        if (wanted_) return;
        wanted_ = true;
        if (!pending_ && request_.empty() && cookie_ == 0) Ask();
    }

    void Release() override {
        wanted_ = false;
        if (!pending_) GiveBack();
    }

  private:
    void Ask() {
        if (g_dbus_connection_is_closed(bus_) || (!portal_ && !screenSaver_)) return;
        pending_ = true;
        if (portal_) {
            GVariantBuilder options;
            g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&options, "{sv}", "reason",
                                  g_variant_new_string("Vantle's mouse activity is running"));
            g_dbus_connection_call(bus_, kPortal, kPortalPath, kInhibitPortal, "Inhibit",
                                   g_variant_new("(sua{sv})", "", kInhibitIdle, &options),
                                   G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, kCallMs, cancel_,
                                   &DesktopIdleInhibit::OnAnswer, this);
        } else {
            g_dbus_connection_call(
                bus_, kScreenSaver, "/org/freedesktop/ScreenSaver", kScreenSaver, "Inhibit",
                g_variant_new("(ss)", "Vantle", "mouse activity running"), G_VARIANT_TYPE("(u)"),
                G_DBUS_CALL_FLAGS_NONE, kCallMs, cancel_, &DesktopIdleInhibit::OnAnswer, this);
        }
    }

    static void OnAnswer(GObject* source, GAsyncResult* result, gpointer data) {
        const Finished finished = Finish(source, result);
        if (finished.gone) return;
        const Variant& reply = finished.reply;
        auto* self = static_cast<DesktopIdleInhibit*>(data);
        self->pending_ = false;
        if (!reply) {
            // That way is not there: the next one, or silently none.
            (self->portal_ ? self->portal_ : self->screenSaver_) = false;
            if (self->wanted_) self->Ask();
            return;
        }
        if (self->portal_) {
            const char* request = nullptr;
            g_variant_get(reply.get(), "(&o)", &request);
            self->request_ = request;
        } else {
            g_variant_get(reply.get(), "(u)", &self->cookie_);
        }
        if (!self->wanted_) self->GiveBack();
    }

    void GiveBack() {
        if (!request_.empty()) Send(bus_, request_.c_str(), kRequest, "Close", g_variant_new("()"));
        if (cookie_ != 0)
            g_dbus_connection_call(bus_, kScreenSaver, "/org/freedesktop/ScreenSaver", kScreenSaver,
                                   "UnInhibit", g_variant_new("(u)", cookie_), nullptr,
                                   G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr, nullptr);
        request_.clear();
        cookie_ = 0;
    }

    GDBusConnection* bus_;
    GCancellable* cancel_;
    bool portal_ = true, screenSaver_ = true;
    bool wanted_ = false, pending_ = false;
    std::string request_;
    guint32 cookie_ = 0;
};

class NoIdleInhibit final : public IdleInhibit {
  public:
    void Hold() override {}
    void Release() override {}
};

}  // namespace

DesktopBus::DesktopBus(const std::string& address) {
    std::string where = address;
    if (where.empty()) {
        gchar* session = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        where = session != nullptr ? session : "";
        g_free(session);
    }
    if (where.empty()) return;
    connection_ = g_dbus_connection_new_for_address_sync(
        where.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    // Losing the bus must not end the program.
    if (connection_ != nullptr) g_dbus_connection_set_exit_on_close(connection_, FALSE);
}

DesktopBus::~DesktopBus() {
    if (connection_ == nullptr) return;
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
}

std::unique_ptr<MouseInput> MakePortalMouseInput(DesktopBus& bus,
                                                 const std::filesystem::path& tokenFile) {
    GDBusConnection* connection = bus.Connection();
    if (connection == nullptr) return nullptr;
    Variant properties(g_dbus_connection_call_sync(
        connection, kPortal, kPortalPath, "org.freedesktop.DBus.Properties", "GetAll",
        g_variant_new("(s)", kRemoteDesktop), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE,
        kStartupCallMs, nullptr, nullptr));
    if (!properties) return nullptr;
    Variant values(g_variant_get_child_value(properties.get(), 0));
    guint32 version = 0, devices = 0;
    if (!g_variant_lookup(values.get(), "version", "u", &version) ||
        !g_variant_lookup(values.get(), "AvailableDeviceTypes", "u", &devices) ||
        (devices & kPointerDevice) == 0)
        return nullptr;
    return std::make_unique<PortalMouseInput>(connection, version, tokenFile);
}

std::unique_ptr<MouseInput> MakeDesktopMouseInput(DesktopBus& bus,
                                                  const std::filesystem::path& tokenFile) {
    const char* wayland = g_getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0') {
        if (std::unique_ptr<MouseInput> portal = MakePortalMouseInput(bus, tokenFile))
            return portal;
    }
    return MakeWxMouseInput();
}

std::unique_ptr<IdleInhibit> MakeDesktopIdleInhibit(DesktopBus& bus) {
    if (bus.Connection() == nullptr) return std::make_unique<NoIdleInhibit>();
    return std::make_unique<DesktopIdleInhibit>(bus.Connection());
}

}  // namespace vantle
