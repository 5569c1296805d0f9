#include "shared/window_manager.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qc {

QByteArray windowManagerName() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return {};
    const char* names[] = {"_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME", "UTF8_STRING"};
    xcb_intern_atom_cookie_t cookies[3];
    for (int i = 0; i < 3; ++i) cookies[i] = xcb_intern_atom(c, 0, std::strlen(names[i]), names[i]);
    xcb_atom_t atoms[3];
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(xcb_intern_atom_reply(c, cookies[i], nullptr),
                                                                         &std::free);
        atoms[i] = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    auto property = [&](xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 256), nullptr), &std::free);
        if (!r || r->type != type) return QByteArray();
        return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                          xcb_get_property_value_length(r.get()));
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const QByteArray check = property(root, atoms[0], XCB_ATOM_WINDOW);
    if (check.size() != sizeof(xcb_window_t)) return {};
    xcb_window_t wm;
    std::memcpy(&wm, check.constData(), sizeof wm);
    return property(wm, atoms[1], atoms[2]);
}

}  // namespace qc
