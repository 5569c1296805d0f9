// Helpers for the end-to-end test of the update check:
//   update_e2e_tool serve PORT PATH FILE LOG
//                                        serves FILE (re-read when it changes) at PATH on
//                                        127.0.0.1:PORT and appends each request line to LOG; while
//                                        FILE.trickle holds a number N, the body goes out one byte
//                                        every N ms;
//   update_e2e_tool box information|confirm TEXT
//                                        shows the check's message box, for a reference picture.

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "files.h"
#include "http_server.h"
#include "update/qt_update.h"

namespace {

int serve(int port, const char* path, const char* file, const char* logPath) {
    qctest::HttpServer server(port);
    std::ofstream log(logPath, std::ios::app);
    std::string served, trickle;
    bool first = true;
    size_t logged = 0;
    for (;;) {  // ended by a signal from the test
        std::string now = qctest::readFile(file);
        std::string trickleNow = qctest::readFile(std::string(file) + ".trickle");
        if (first || now != served || trickleNow != trickle) {
            served = now;
            trickle = trickleNow;
            const int ms = std::atoi(trickle.c_str());
            server.route(path, {.contentType = "text/plain",
                                .body = served,
                                .mode = ms > 0 ? qctest::Reply::Mode::Trickle : qctest::Reply::Mode::Normal,
                                .trickleMs = ms});
            if (first) log << "ready" << std::endl;
            first = false;
        }
        auto requests = server.requests();
        for (; logged < requests.size(); ++logged) log << requests[logged] << std::endl;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "serve") == 0) return serve(std::atoi(argv[2]), argv[3], argv[4], argv[5]);
    if (argc == 4 && std::strcmp(argv[1], "box") == 0) {
        QApplication app(argc, argv);
        const bool info = std::strcmp(argv[2], "information") == 0;
        qc::QtMessageBoxes().show(info ? qc::MessageKind::Information : qc::MessageKind::Confirmation, argv[3]);
        return 0;
    }
    std::fprintf(stderr, "usage: %s serve PORT PATH FILE LOG | box information|confirm TEXT\n", argv[0]);
    return 2;
}
