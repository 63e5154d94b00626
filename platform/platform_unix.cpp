#include "platform/platform.h"

#include "platform/autostart.h"
#include "platform/safesave.h"
#include "platform/x11.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace platform {

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, read on the GUI thread.
void forwardSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

void onTerminationRequest(QObject* context, std::function<void()> onTerminate) {
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;

    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onTerminate = std::move(onTerminate)] {
                         char byte = 0;
                         [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
                         notifier->setEnabled(false);
                         onTerminate();
                     });

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

std::optional<QString> sandboxObstacle() {
    if (::geteuid() == 0)
        return QStringLiteral("it does not run for the superuser");
    // A child tries, so that this process stays in the namespace it has (one
    // with threads could not leave it anyway). Forked before the first thread,
    // the child can hold no lock that another thread held.
    static const std::optional<QString> probed = []() -> std::optional<QString> {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(::unshare(CLONE_NEWUSER) == 0 ? 0 : errno);
        int status = 0;
        while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        // Where not even the probe could run, Chromium says best what went wrong.
        if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) == 0)
            return std::nullopt;
        return QStringLiteral("this process may not make a user namespace (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(WEXITSTATUS(status))));
    }();
    return probed;
}

QString appConfigFolder() {
    return QDir(autostart::configHome(qgetenv("XDG_CONFIG_HOME"), QDir::homePath()))
        .filePath(QCoreApplication::applicationName());
}

namespace {

QString autostartEntryPath(const QString& executablePath) {
    const QString directory =
        autostart::autostartDirectory(qgetenv("XDG_CONFIG_HOME"), QDir::homePath());
    return QDir(directory).filePath(
        autostart::desktopEntryFileName(QFileInfo(executablePath).completeBaseName()));
}

} // namespace

bool enableAutostart(const QString& executablePath) {
    const QString path = autostartEntryPath(executablePath);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    const QString name = QFileInfo(executablePath).completeBaseName();
    return safeSave(
        path, autostart::desktopEntry(name, QFileInfo(executablePath).absoluteFilePath()).toUtf8());
}

bool disableAutostart(const QString& executablePath) {
    const QString path = autostartEntryPath(executablePath);
    if (!QFileInfo::exists(path))
        return true;
    return QFile::remove(path);
}

bool windowMovesAreConstrained() {
    return true;
}

namespace {

using x11::atom;
using x11::owned;
using x11::rootOf;

xcb_connection_t* x11Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A window manager that follows the desktop conventions names itself on the root window.
bool windowManagerRunning(xcb_connection_t* connection) {
    static const xcb_atom_t check = atom(connection, "_NET_SUPPORTING_WM_CHECK");
    const auto reply = owned(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, rootOf(connection), check, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    return reply && xcb_get_property_value_length(reply.get()) > 0;
}

// Qt keeps each screen's top-left where the window system has it and scales
// the rest of the screen about that point, so a screen right of a scaled one
// does not start at its scaled width. The screen is the one holding the
// point, in the coordinates given, else the window's own.
const QScreen* screenHolding(QPoint point, bool native, const QWidget* window) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        if ((native ? QRect(area.topLeft(), area.size() * screen->devicePixelRatio()) : area)
                .contains(point))
            return screen;
    }
    return window->screen();
}

QPoint independentOf(QPoint native, const QScreen* screen) {
    const QPoint origin = screen->geometry().topLeft();
    return origin + (native - origin) / screen->devicePixelRatio();
}

QPoint nativeOf(QPoint independent, const QScreen* screen) {
    const QPoint origin = screen->geometry().topLeft();
    return origin + (independent - origin) * screen->devicePixelRatio();
}

} // namespace

std::optional<QRect> frameRect(const QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window->isVisible())
        return std::nullopt;
    const auto id = xcb_window_t(window->winId());
    const auto geometry =
        owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr));
    if (!geometry)
        return std::nullopt;
    const auto onRoot = owned(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr));
    if (!onRoot)
        return std::nullopt;
    QRect outer(onRoot->dst_x, onRoot->dst_y, geometry->width, geometry->height);

    // The frame a window manager put around the window: left, right, top, bottom.
    static const xcb_atom_t extentsAtom = atom(connection, "_NET_FRAME_EXTENTS");
    const auto extents = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, extentsAtom, XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    if (extents && extents->format == 32 && xcb_get_property_value_length(extents.get()) == 16) {
        const auto* side = static_cast<const quint32*>(xcb_get_property_value(extents.get()));
        outer.adjust(-int(side[0]), -int(side[2]), int(side[1]), int(side[3]));
    }
    // The window system counts device pixels, Qt device-independent ones.
    const QScreen* screen = screenHolding(outer.center(), true, window);
    if (!screen)
        return std::nullopt;
    return QRect(independentOf(outer.topLeft(), screen), outer.size() / screen->devicePixelRatio());
}

bool windowOnScreen(const QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window->isVisible())
        return window->isVisible();
    // Viewable: mapped, and so is every window it is in, its frame included.
    const auto attributes = owned(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, xcb_window_t(window->winId())), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool windowIconified(const QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return window->isMinimized(); // no X11 here: Qt's record is all there is
    // A window manager iconifies a window by saying so in its ICCCM state;
    // without a window manager nothing iconifies a window.
    static const xcb_atom_t wmState = atom(connection, "WM_STATE");
    constexpr quint32 iconicState = 3;
    const auto reply = owned(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, xcb_window_t(window->winId()), wmState, wmState, 0, 1),
        nullptr));
    return reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 4 &&
           *static_cast<const quint32*>(xcb_get_property_value(reply.get())) == iconicState;
}

void moveFrame(QWidget* window, QPoint outerTopLeft) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !windowManagerRunning(connection)) {
        // Nobody frames the window: it is its own outer rectangle.
        window->move(outerTopLeft);
        return;
    }
    const auto id = xcb_window_t(window->winId());
    const QRect outer(outerTopLeft, window->frameGeometry().size());
    const QScreen* screen = screenHolding(outer.center(), false, window);
    const QPoint wanted = screen ? nativeOf(outerTopLeft, screen) : outerTopLeft;

    // Asked of the window manager with north-west gravity, the place is that
    // of the frame, whatever gravity the window was created with.
    static const xcb_atom_t moveResize = atom(connection, "_NET_MOVERESIZE_WINDOW");
    const auto request = [&](QPoint frameTopLeft) {
        xcb_client_message_event_t message = {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = moveResize;
        constexpr quint32 northWest = 1, setX = 1 << 8, setY = 1 << 9, fromApplication = 1 << 12;
        message.data.data32[0] = northWest | setX | setY | fromApplication;
        message.data.data32[1] = quint32(frameTopLeft.x());
        message.data.data32[2] = quint32(frameTopLeft.y());
        xcb_send_event(connection, 0, rootOf(connection),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    };
    // A window placed before it was mapped stands, once framed, with its
    // client where its frame was meant to be. Openbox then takes the client's
    // place for the frame's, and a request for the frame at that very point
    // for no move at all: a step aside first makes it one.
    const auto client = owned(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, rootOf(connection), 0, 0), nullptr));
    if (client && QPoint(client->dst_x, client->dst_y) == wanted)
        request(wanted + QPoint(1, 0));
    request(wanted);
    xcb_flush(connection);
}

QString companionProgram(const QString& programDirectory) {
    return programDirectory + QStringLiteral("/Tarvex");
}

bool startDetached(const QString& program) {
    return QProcess::startDetached(program, {});
}

} // namespace platform
