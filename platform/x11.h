#pragma once

#include <QtGlobal>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

// Small helpers over an XCB connection, for the X11 platform code and the
// end-to-end tests' own connections to their displays.
namespace x11 {

// An XCB reply, freed when it goes out of scope.
template <typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply) {
    return {reply, &std::free};
}

// The atom of that name, made if the server has none yet; XCB_ATOM_NONE on failure.
inline xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

inline xcb_window_t rootOf(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

} // namespace x11
