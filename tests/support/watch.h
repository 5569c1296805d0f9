#pragma once
// What the system saw a test's subject do: opens of a file (inotify), TCP connections to a port,
// UDP listeners.

#include <string>

namespace qctest {

// Counts every open of one file by any process, from construction on.
class FileOpens {
public:
    explicit FileOpens(const std::string& path);
    ~FileOpens();
    FileOpens(const FileOpens&) = delete;
    FileOpens& operator=(const FileOpens&) = delete;
    int count();  // reads the events that have come since

private:
    int fd_ = -1;
    int opens_ = 0;
};

// Whether anything listens on UDP `port` of any address (we can't bind it then).
bool udpPortTaken(int port);

// Established TCP connections to 127.0.0.1:port, as the kernel lists them (this network
// namespace), counted at the client's ends: one the client has closed counts no more, even while
// the server's thread has yet to close its own end.
int connectionsTo(int port);

}  // namespace qctest
