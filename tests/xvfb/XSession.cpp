#include "tests/xvfb/XSession.h"

#include <QImage>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xtest.h>

namespace tessarim::test {

namespace {

// An xcb reply, freed when it goes.
template <class T>
std::unique_ptr<T, decltype(&std::free)> Owned(T* reply) {
    return {reply, &std::free};
}

} // namespace

std::string MissingProgram(std::initializer_list<const char*> names) {
    for (const std::string name : names)
        if (std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) != 0) return name;
    return {};
}

Process::Process(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        for (const std::string& setting : environment)
            ::putenv(const_cast<char*>(setting.c_str()));
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

Process::~Process() {
    if (status_ || pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (!WaitForExit(3000)) {
        ::kill(pid_, SIGKILL);
        WaitForExit(3000);
    }
}

std::optional<int> Process::WaitForExit(int timeoutMs) {
    WaitFor(
        [this] {
            int status = 0;
            if (status_ || ::waitpid(pid_, &status, WNOHANG) != pid_) return status_.has_value();
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        timeoutMs);
    return status_;
}

XSession::XSession(int width, int height) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    server_.emplace(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0",
                                 std::to_string(width) + "x" + std::to_string(height) + "x24",
                                 "-nolisten", "tcp", "-noreset"},
        std::vector<std::string>{});
    ::close(pipeEnds[1]);
    // The server writes its display number once it accepts connections, and
    // the pipe ends without one when it fails.
    char number[16] = {};
    const ssize_t got = ::read(pipeEnds[0], number, sizeof number - 1);
    ::close(pipeEnds[0]);
    if (got <= 0) throw std::runtime_error("Xvfb did not start");
    display_ = std::string(":").append(number, std::strcspn(number, "\n"));
    connection_ = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot reach Xvfb");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    windowManager_.emplace(std::vector<std::string>{"openbox", "--sm-disable"},
                           std::vector<std::string>{"DISPLAY=" + display_});
    if (!WaitFor(
            [this] {
                return !Property(root_, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty();
            },
            10000))
        throw std::runtime_error("openbox did not start");
    // It names itself before it takes windows in, and a window asked for during
    // its start may never show: map a probe until openbox shows it.
    const xcb_window_t probe = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, probe, root_, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    bool managed = false;
    for (int attempt = 0; attempt < 20 && !managed; ++attempt) {
        xcb_unmap_window(connection_, probe);
        xcb_map_window(connection_, probe);
        xcb_flush(connection_);
        managed = WaitFor([&] { return IsViewable(probe); }, 500);
    }
    xcb_destroy_window(connection_, probe);
    xcb_flush(connection_);
    if (!managed) throw std::runtime_error("openbox does not show windows");
}

XSession::~XSession() {
    if (connection_) xcb_disconnect(connection_);
    windowManager_.reset();
    server_.reset();
}

std::vector<std::string> XSession::Environment(const TempFolder& home,
                                               const TempFolder& runtime) const {
    std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
    return {"DISPLAY=" + display_, "TMPDIR=" + runtime.Dir(), "XDG_RUNTIME_DIR=" + runtime.Dir(),
            "TESSARIM_HOME=" + home.Dir(), "QT_QPA_PLATFORM=xcb",
            // The sanitizer build's leak check: see the file.
            "LSAN_OPTIONS=suppressions=" TESSARIM_SOURCE_DIR "/tests/lsan.supp"};
}

std::unique_ptr<Process> XSession::StartProgram(const TempFolder& home, const TempFolder& runtime,
                                                const std::vector<std::string>& environment) {
    std::vector<std::string> all = Environment(home, runtime);
    all.insert(all.end(), environment.begin(), environment.end());
    return std::make_unique<Process>(std::vector<std::string>{TESSARIM_BINARY_DIR "/tessarim"},
                                     all);
}

std::vector<xcb_window_t> XSession::Bars() {
    std::vector<xcb_window_t> bars;
    for (const xcb_window_t window : Property(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW))
        if (StringProperty(window, "WM_CLASS").find("tessarim-desktop") != std::string::npos &&
            StringProperty(window, "_NET_WM_NAME") == "Tessarim")
            bars.push_back(window);
    return bars;
}

std::vector<xcb_window_t> XSession::ProgramWindows() {
    std::vector<xcb_window_t> windows;
    for (const xcb_window_t window : Property(root_, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW))
        if (StringProperty(window, "WM_CLASS").find("tessarim-desktop") != std::string::npos)
            windows.push_back(window);
    return windows;
}

xcb_window_t XSession::WaitForBar() {
    std::vector<xcb_window_t> bars;
    const auto one = [&] { return (bars = Bars()).size() == 1 && IsViewable(bars[0]); };
    return WaitFor(one, 10000) ? bars[0] : XCB_NONE;
}

xcb_atom_t XSession::Atom(const char* name) {
    const auto reply = Owned(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string XSession::StringProperty(xcb_window_t window, const char* name, xcb_atom_t type) {
    const auto reply = Owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, Atom(name), type, 0, 1024), nullptr));
    if (!reply || (type != XCB_ATOM_ANY && reply->type != type)) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

std::vector<std::uint32_t> XSession::Property(xcb_window_t window, const char* name,
                                              xcb_atom_t type) {
    const std::string bytes = StringProperty(window, name, type);
    std::vector<std::uint32_t> values(bytes.size() / 4);
    if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

bool XSession::IsViewable(xcb_window_t window) {
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

XSession::Geometry XSession::WindowGeometry(xcb_window_t window) {
    const auto size =
        Owned(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    const auto position = Owned(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
    if (!size || !position) return {};
    return {position->dst_x, position->dst_y, size->width, size->height};
}

void XSession::Input(std::uint8_t type, std::uint8_t detail, int x, int y) {
    xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
    // A round trip, after which the server has done it; this connection's
    // events are of no interest.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
        std::free(event);
}

void XSession::Click(int x, int y, std::uint8_t button) {
    MovePointer(x, y);
    Input(XCB_BUTTON_PRESS, button);
    Input(XCB_BUTTON_RELEASE, button);
}

void XSession::Key(std::uint8_t keycode) {
    Input(XCB_KEY_PRESS, keycode);
    Input(XCB_KEY_RELEASE, keycode);
}

void XSession::SendRootMessage(xcb_window_t window, const char* type,
                               std::initializer_list<std::uint32_t> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Atom(type);
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                       XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

void XSession::BecomeTrayHost() {
    const xcb_window_t host = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, host, root_, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t selection = Atom("_NET_SYSTEM_TRAY_S0");
    xcb_set_selection_owner(connection_, host, selection, XCB_CURRENT_TIME);
    SendRootMessage(root_, "MANAGER", {XCB_CURRENT_TIME, selection, host, 0, 0});
}

void XSession::SavePng(const std::string& path, int x, int y, int width, int height) {
    const auto image = Owned(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), ~0u),
        nullptr));
    if (!image) throw std::runtime_error("cannot read the screen");
    // A 24-bit screen keeps each pixel in 32 bits, blue first.
    const QImage picture(xcb_get_image_data(image.get()), width, height, width * 4,
                         QImage::Format_RGB32);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!picture.save(QString::fromStdString(path)))
        throw std::runtime_error("cannot save " + path);
}

} // namespace tessarim::test
