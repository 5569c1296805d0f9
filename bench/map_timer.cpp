// Starts a program and prints how many milliseconds pass until the X server maps a top-level
// window with the given title: the moment the window is really there, not a log line.
// Usage: map-timer TITLE PROGRAM [ARGS...]   (exit 1 on time-out or error)

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string windowName(xcb_connection_t* c, xcb_window_t w) {
    auto utf8 = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 12, "_NET_WM_NAME"), nullptr);
    auto type = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 11, "UTF8_STRING"), nullptr);
    std::string name;
    for (auto [atom, kind] : {std::pair{utf8 ? utf8->atom : 0u, type ? type->atom : 0u},
                              std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
        if (!atom) continue;
        auto r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom, kind, 0, 1024), nullptr);
        if (r) {
            name.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
            std::free(r);
        }
        if (!name.empty()) break;
    }
    std::free(utf8);
    std::free(type);
    return name;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: map-timer TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map-timer: no X server\n");
        return 2;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int rc = 1;
    int fd = xcb_get_file_descriptor(c);
    for (;;) {
        double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (waited > 30) break;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 100000};
        select(fd + 1, &set, nullptr, nullptr, &tv);
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                auto* map = reinterpret_cast<xcb_map_notify_event_t*>(ev);
                if (windowName(c, map->window) == argv[1]) {
                    double ms =
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                    std::printf("%.1f\n", ms);
                    rc = 0;
                }
            }
            std::free(ev);
        }
        if (rc == 0) break;
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(c);
    return rc;
}
