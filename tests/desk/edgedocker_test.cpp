#include "desk/edgedocker.h"
#include "platform/platform.h"
#include "platform/x11.h"
#include "widgets/windowplacer.h"

#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/qtry.h"

// A window manager frames a window shown again in steps: it makes the frame at
// the screen's corner, puts the window into it, moves the frame to its place,
// and only then maps it. A tick in between must not take the window for one
// docked at the top edge and hide it behind a strip. Here this test is the
// window manager, so that a tick falls between those steps every time.
TEST(EdgeDocker, LeavesAWindowAloneWhileItsWindowManagerFramesIt) {
    QWidget window;
    QTimer timer3;
    EdgeDocker docker(&window, &timer3);
    window.setGeometry(300, 200, 300, 200);
    window.winId();
    QCursor::setPos(window.screen()->geometry().bottomRight() - QPoint(10, 10));

    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> wm(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = x11::rootOf(wm.get());
    const quint32 redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    const auto refused =
        x11::owned(xcb_request_check(wm.get(), xcb_change_window_attributes_checked(
                                                   wm.get(), root, XCB_CW_EVENT_MASK, &redirect)));
    ASSERT_FALSE(refused) << "another window manager runs here";

    window.show();
    const auto client = xcb_window_t(window.winId());
    bool mapAsked = false;
    EXPECT_SOON(mapAsked || [&] {
        while (const auto event = x11::owned(xcb_poll_for_event(wm.get())))
            mapAsked = mapAsked || (event->response_type & 0x7f) == XCB_MAP_REQUEST;
        return mapAsked;
    }());
    const xcb_window_t frame = xcb_generate_id(wm.get());
    xcb_create_window(wm.get(), XCB_COPY_FROM_PARENT, frame, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_reparent_window(wm.get(), client, frame, 0, 0);
    xcb_map_window(wm.get(), client);
    // A round trip: the server has done all that when it answers.
    x11::owned(xcb_get_input_focus_reply(wm.get(), xcb_get_input_focus(wm.get()), nullptr));
    docker.tick();
    EXPECT_TRUE(window.isVisible()) << "hidden at the top edge while being framed";

    const quint32 place[] = {300, 200, 300, 200};
    xcb_configure_window(wm.get(), frame,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         place);
    xcb_map_window(wm.get(), frame);
    xcb_flush(wm.get());
    EXPECT_SOON(platform::windowOnScreen(&window));
    docker.tick();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(docker.outerRect().topLeft(), QPoint(300, 200));
}
