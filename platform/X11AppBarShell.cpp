#include "platform/X11AppBarShell.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace tessarim {

namespace {

// The X connection of the xcb platform, or none (other platforms, the
// offscreen one of the tests included).
xcb_connection_t* XcbConnection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

constexpr const char* AtomNames[] = {
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_STRUT",
    "_NET_WM_STRUT_PARTIAL",
    "_NET_WORKAREA",
    "_NET_CURRENT_DESKTOP",
    "_NET_CLIENT_LIST",
    "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_BELOW",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_ACTIVE_WINDOW",
    "_NET_WM_DESKTOP",
    "_MOTIF_WM_HINTS",
    "_TESSARIM_AUTOHIDE_LEFT",
    "_TESSARIM_AUTOHIDE_TOP",
    "_TESSARIM_AUTOHIDE_RIGHT",
    "_TESSARIM_AUTOHIDE_BOTTOM",
};

// _NET_WM_STATE client message actions.
constexpr std::uint32_t StateRemove = 0;
constexpr std::uint32_t StateAdd = 1;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr std::uint32_t MotifFunctionsFlag = 1;
constexpr std::uint32_t MotifDecorationsFlag = 2;
constexpr std::uint32_t MotifFunctionResize = 2;
constexpr std::uint32_t MotifFunctionMove = 4;
constexpr std::uint32_t MotifFunctionClose = 32;
constexpr std::uint32_t MotifDecorateBorder = 2;
constexpr std::uint32_t MotifDecorateResizeHandle = 4;
constexpr std::uint32_t MotifDecorateTitle = 8;
constexpr std::uint32_t MotifDecorateMenu = 16;

// _NET_WM_DESKTOP of a window shown on every workspace.
constexpr std::uint32_t AllDesktops = 0xFFFFFFFF;

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> Owned(T* reply) {
    return Reply<T>(reply, &std::free);
}

} // namespace

void RequestNativeGeometry(QWidget& window, const QRect& rect) {
    xcb_connection_t* connection = XcbConnection();
    if (!connection || !window.internalWinId()) return;
    // Qt's geometry is in logical pixels, the server's in device pixels.
    const qreal ratio = window.devicePixelRatioF();
    const auto device = [ratio](int value) {
        return static_cast<std::uint32_t>(std::lround(value * ratio));
    };
    const std::uint32_t values[] = {device(rect.x()), device(rect.y()), device(rect.width()),
                                    device(rect.height())};
    xcb_configure_window(connection, static_cast<xcb_window_t>(window.internalWinId()),
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_flush(connection);
}

bool PrimaryButtonDown() {
    xcb_connection_t* connection = XcbConnection();
    if (!connection) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto pointer =
        Owned(xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr));
    return pointer && (pointer->mask & XCB_BUTTON_MASK_1);
}

X11AppBarShell::X11AppBarShell() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) throw std::runtime_error("the application bar needs an X11 display");
    connection_ = x11->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies;
    for (std::size_t i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(
            connection_, 0, static_cast<std::uint16_t>(strlen(AtomNames[i])), AtomNames[i]);
    for (std::size_t i = 0; i < AtomCount; ++i) {
        const auto reply = Owned(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
        atoms_[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
}

void X11AppBarShell::SetWindow(QWidget* window) {
    window_ = window;
    // A new native window loses what was set on the old one.
    window_->installEventFilter(this);
}

X11AppBarShell::~X11AppBarShell() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11AppBarShell::SetApplicationTaskbarButton(bool shown) {
    applicationTaskbarButton_ = shown;
    if (window_) ApplyStates();
}

xcb_window_t X11AppBarShell::Window() const {
    return static_cast<xcb_window_t>(window_->winId());
}

bool X11AppBarShell::IsMapped() const {
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, Window()), nullptr));
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

bool X11AppBarShell::WindowExists(xcb_window_t window) const {
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return attributes != nullptr;
}

std::vector<std::uint32_t> X11AppBarShell::Property(xcb_window_t window, xcb_atom_t property,
                                                    xcb_atom_t type) const {
    const auto reply = Owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->format != 32 || reply->type != type) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<std::uint32_t>(values,
                                      values + xcb_get_property_value_length(reply.get()) / 4);
}

void X11AppBarShell::SetProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                 const std::vector<std::uint32_t>& values) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, type, 32,
                        static_cast<std::uint32_t>(values.size()), values.data());
}

void X11AppBarShell::DeleteProperty(xcb_window_t window, xcb_atom_t property) {
    xcb_delete_property(connection_, window, property);
}

qreal X11AppBarShell::Ratio() const {
    return window_ ? window_->devicePixelRatioF() : qGuiApp->devicePixelRatio();
}

int X11AppBarShell::ToLogical(int device) const {
    return static_cast<int>(std::lround(device / Ratio()));
}

int X11AppBarShell::ToDevice(int logical) const {
    return static_cast<int>(std::lround(logical * Ratio()));
}

Rect X11AppBarShell::ToLogical(const Rect& device) const {
    return {ToLogical(device.left), ToLogical(device.top), ToLogical(device.right),
            ToLogical(device.bottom)};
}

Rect X11AppBarShell::ScreenRect() const {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    return ToLogical(Rect{0, 0, screen->width_in_pixels, screen->height_in_pixels});
}

Rect X11AppBarShell::WorkArea() const {
    const std::vector<std::uint32_t> areas =
        Property(root_, atoms_[WorkAreaAtom], XCB_ATOM_CARDINAL);
    const std::vector<std::uint32_t> desktop =
        Property(root_, atoms_[CurrentDesktop], XCB_ATOM_CARDINAL);
    std::size_t index = desktop.empty() ? 0 : 4 * std::size_t{desktop[0]};
    if (index + 4 > areas.size()) index = 0;
    if (areas.size() < 4) return ScreenRect();
    const int x = static_cast<int>(areas[index]);
    const int y = static_cast<int>(areas[index + 1]);
    return ToLogical(
        Rect{x, y, x + static_cast<int>(areas[index + 2]), y + static_cast<int>(areas[index + 3])});
}

ShellMetrics X11AppBarShell::Metrics() const {
    ShellMetrics metrics;
    // Changing a window between dock and framed window means unmapping it, which
    // would end the pointer grab of a drag: frames change when the drag ends, as
    // with outline dragging, and nothing is animated.
    metrics.dragFullWindows = false;
    return metrics;
}

std::uint64_t X11AppBarShell::TickCount() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void X11AppBarShell::Register() {
    if (registered_) return;
    registered_ = true;
    // Our event mask on the root window is shared with Qt's: add to it.
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, root_), nullptr));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    lastWorkArea_ = WorkArea();
    QCoreApplication::instance()->installNativeEventFilter(this);
    CheckFullScreen();
}

void X11AppBarShell::Remove() {
    if (!registered_) return;
    registered_ = false;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    strut_.clear();
    ApplyStrut();
    xcb_flush(connection_);
}

std::array<int, 4> X11AppBarShell::OtherStruts() const {
    std::vector<std::uint32_t> windows = Property(root_, atoms_[ClientList], XCB_ATOM_WINDOW);
    if (windows.empty()) {
        const auto tree =
            Owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
        if (tree)
            windows.assign(xcb_query_tree_children(tree.get()),
                           xcb_query_tree_children(tree.get()) +
                               xcb_query_tree_children_length(tree.get()));
    }
    std::array<int, 4> struts{};
    for (const std::uint32_t window : windows) {
        if (window == Window()) continue;
        std::vector<std::uint32_t> strut =
            Property(window, atoms_[StrutPartial], XCB_ATOM_CARDINAL);
        if (strut.size() < 4) strut = Property(window, atoms_[Strut], XCB_ATOM_CARDINAL);
        for (std::size_t edge = 0; edge < 4 && edge < strut.size(); ++edge)
            struts[edge] = std::max(struts[edge], static_cast<int>(strut[edge]));
    }
    for (int& strut : struts)
        strut = ToLogical(strut);
    return struts;
}

Rect X11AppBarShell::QueryPos(TAppBarEdge edge, Rect proposed) {
    const std::array<int, 4> others = OtherStruts();
    const Rect screen = ScreenRect();
    switch (edge) {
    case abeLeft:
        proposed.left = std::max(proposed.left, others[0]);
        break;
    case abeTop:
        proposed.top = std::max(proposed.top, others[1]);
        break;
    case abeRight:
        proposed.right = std::min(proposed.right, screen.right - others[2]);
        break;
    case abeBottom:
        proposed.bottom = std::min(proposed.bottom, screen.bottom - others[3]);
        break;
    default:
        break;
    }
    return proposed;
}

Rect X11AppBarShell::SetPos(TAppBarEdge edge, Rect rect) {
    strut_.clear();
    if (IsDockedEdge(edge) && !rect.IsEmpty()) {
        // left, right, top, bottom, then the start and end of each along its edge,
        // in the device pixels of the whole X screen.
        const Rect screen = ScreenRect();
        const auto u = [this](int value) {
            return static_cast<std::uint32_t>(std::max(ToDevice(value), 0));
        };
        const auto last = [this](int end) {
            return static_cast<std::uint32_t>(std::max(ToDevice(end) - 1, 0));
        };
        strut_.assign(12, 0);
        switch (edge) {
        case abeLeft:
            strut_[0] = u(rect.right);
            strut_[4] = u(rect.top);
            strut_[5] = last(rect.bottom);
            break;
        case abeRight:
            strut_[1] = u(screen.right - rect.left);
            strut_[6] = u(rect.top);
            strut_[7] = last(rect.bottom);
            break;
        case abeTop:
            strut_[2] = u(rect.bottom);
            strut_[8] = u(rect.left);
            strut_[9] = last(rect.right);
            break;
        default:
            strut_[3] = u(screen.bottom - rect.top);
            strut_[10] = u(rect.left);
            strut_[11] = last(rect.right);
            break;
        }
    }
    ApplyStrut();
    xcb_flush(connection_);
    return rect;
}

void X11AppBarShell::ApplyStrut() {
    if (strut_.empty()) {
        DeleteProperty(Window(), atoms_[StrutPartial]);
        DeleteProperty(Window(), atoms_[Strut]);
        return;
    }
    SetProperty(Window(), atoms_[StrutPartial], XCB_ATOM_CARDINAL, strut_);
    SetProperty(Window(), atoms_[Strut], XCB_ATOM_CARDINAL,
                std::vector<std::uint32_t>(strut_.begin(), strut_.begin() + 4));
}

bool X11AppBarShell::IsAutoHideBar(TAppBarEdge edge) {
    if (!IsDockedEdge(edge)) return false;
    const std::vector<std::uint32_t> holder =
        Property(root_, atoms_[AutoHideAtom(edge)], XCB_ATOM_WINDOW);
    return !holder.empty() && holder[0] == Window();
}

bool X11AppBarShell::SetAutoHideBar(TAppBarEdge edge, bool on) {
    if (!IsDockedEdge(edge)) return false;
    const xcb_atom_t property = atoms_[AutoHideAtom(edge)];
    // Another instance may be looking at the same property.
    xcb_grab_server(connection_);
    const std::vector<std::uint32_t> holder = Property(root_, property, XCB_ATOM_WINDOW);
    const bool ours = !holder.empty() && holder[0] == Window();
    bool result = true;
    if (on) {
        if (!holder.empty() && !ours && WindowExists(holder[0]))
            result = false;
        else
            SetProperty(root_, property, XCB_ATOM_WINDOW, {Window()});
    } else if (ours) {
        DeleteProperty(root_, property);
    }
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
    return result;
}

void X11AppBarShell::ChangeState(bool add, xcb_atom_t first, xcb_atom_t second) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = Window();
    message.type = atoms_[State];
    message.data.data32[0] = add ? StateAdd : StateRemove;
    message.data.data32[1] = first;
    message.data.data32[2] = second;
    message.data.data32[3] = 1; // from an application
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}

std::vector<std::uint32_t> X11AppBarShell::StateAtoms() const {
    std::vector<std::uint32_t> states{topmost_ ? atoms_[StateAbove] : atoms_[StateBelow]};
    if (SkipsTaskbar()) {
        states.push_back(atoms_[StateSkipTaskbar]);
        states.push_back(atoms_[StateSkipPager]);
    }
    return states;
}

void X11AppBarShell::ApplyStates() {
    const bool skipTaskbar = SkipsTaskbar();
    if (IsMapped()) {
        // A mapped window's state belongs to the window manager: ask it.
        ChangeState(topmost_, atoms_[StateAbove], XCB_ATOM_NONE);
        ChangeState(!topmost_, atoms_[StateBelow], XCB_ATOM_NONE);
        ChangeState(skipTaskbar, atoms_[StateSkipTaskbar], atoms_[StateSkipPager]);
    } else {
        SetProperty(Window(), atoms_[State], XCB_ATOM_ATOM, StateAtoms());
    }
    xcb_flush(connection_);
}

void X11AppBarShell::SetTopmost(bool topmost) {
    topmost_ = topmost;
    ApplyStates();
}

void X11AppBarShell::SetTaskbarEntry(bool shown) {
    taskbarEntry_ = shown;
    ApplyStates();
}

void X11AppBarShell::Activate() {
    if (!IsMapped()) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = Window();
    message.type = atoms_[ActiveWindow];
    // From a pager: focus-stealing prevention lets a user's request through.
    message.data.data32[0] = 2;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

void X11AppBarShell::ApplyWindowKind() {
    // A floating bar is a toolbar torn off its edge: moved, sized and closed,
    // never minimised (it has no taskbar button to come back from) nor
    // maximised. Window managers that do not know toolbars take it as a utility
    // window, and the Motif functions say the same to older ones.
    SetProperty(
        Window(), atoms_[WindowType], XCB_ATOM_ATOM,
        floating_ ? std::vector<std::uint32_t>{atoms_[WindowTypeToolbar], atoms_[WindowTypeUtility]}
                  : std::vector<std::uint32_t>{atoms_[WindowTypeDock]});
    const std::uint32_t decorations = floating_ ? MotifDecorateBorder | MotifDecorateResizeHandle |
                                                      MotifDecorateTitle | MotifDecorateMenu
                                                : 0;
    SetProperty(Window(), atoms_[MotifHints], atoms_[MotifHints],
                {MotifFunctionsFlag | MotifDecorationsFlag,
                 MotifFunctionMove | MotifFunctionResize | MotifFunctionClose, decorations, 0, 0});
    SetProperty(Window(), atoms_[Desktop], XCB_ATOM_CARDINAL, {AllDesktops});
}

void X11AppBarShell::CheckAllDesktops() {
    // A window manager drops the workspace of a window that is taken off the
    // screen (as the frame changes) and gives it the current one when it comes
    // back: ask again. A managed window moves at the window manager's hand.
    const std::vector<std::uint32_t> desktop =
        Property(Window(), atoms_[Desktop], XCB_ATOM_CARDINAL);
    if (desktop.empty() || desktop[0] == AllDesktops) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = Window();
    message.type = atoms_[Desktop];
    message.data.data32[0] = AllDesktops;
    message.data.data32[1] = 1; // from an application
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

void X11AppBarShell::SetFloatingFrame(bool floating) {
    floating_ = floating;
    if (!IsMapped()) {
        ApplyWindowKind();
        xcb_flush(connection_);
        return;
    }
    // Window managers read the type when they take a window on: hand it back and
    // take it on again; the state it kept goes back on the window first.
    xcb_unmap_window(connection_, Window());
    ApplyWindowKind();
    SetProperty(Window(), atoms_[State], XCB_ATOM_ATOM, StateAtoms());
    xcb_map_window(connection_, Window());
    xcb_flush(connection_);
}

void X11AppBarShell::CheckWorkArea() {
    const Rect area = WorkArea();
    if (area == lastWorkArea_) return; // our own strut, set again, changes nothing
    lastWorkArea_ = area;
    Notify(ShellNotice::PositionChanged, false);
}

void X11AppBarShell::CheckFullScreen() {
    const std::vector<std::uint32_t> active =
        Property(root_, atoms_[ActiveWindow], XCB_ATOM_WINDOW);
    const xcb_window_t window = active.empty() ? XCB_NONE : active[0];
    const bool ours = IsOwnWindow(window);
    if (window != activeWindow_ && window != XCB_NONE && !ours) {
        // Follow the active window's own state changes too. The mask is this
        // connection's, which Qt shares: add to it, never take from it.
        const auto attributes = Owned(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr));
        if (attributes && !(attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE)) {
            const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        }
    }
    activeWindow_ = window;
    bool fullScreen = false;
    if (window != XCB_NONE && !ours) {
        const std::vector<std::uint32_t> states = Property(window, atoms_[State], XCB_ATOM_ATOM);
        fullScreen =
            std::find(states.begin(), states.end(), atoms_[StateFullscreen]) != states.end();
    }
    if (fullScreen == fullScreen_) return;
    fullScreen_ = fullScreen;
    Notify(ShellNotice::FullScreenApp, fullScreen);
}

bool X11AppBarShell::IsOwnWindow(xcb_window_t window) const {
    if (window == XCB_NONE) return false;
    // Dialogs, menus and the bar: Qt asked for their events and keeps them.
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [window](const QWindow* own) {
        return own->handle() && static_cast<xcb_window_t>(own->winId()) == window;
    });
}

bool X11AppBarShell::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY) return false;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window == root_ && notify->atom == atoms_[WorkAreaAtom])
        CheckWorkArea();
    else if (notify->window == root_ && notify->atom == atoms_[ActiveWindow])
        CheckFullScreen();
    else if (notify->window == activeWindow_ && notify->atom == atoms_[State])
        CheckFullScreen();
    else if (window_ && notify->window == Window() && notify->atom == atoms_[Desktop])
        CheckAllDesktops();
    return false;
}

bool X11AppBarShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WinIdChange && window_->internalWinId()) {
        ApplyWindowKind();
        ApplyStrut();
        ApplyStates();
    }

    return false;
}

} // namespace tessarim
