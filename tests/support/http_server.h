#pragma once
// A small HTTP server on 127.0.0.1 for the tests: serves what a test puts at a path, and can
// also stall, cut a body short, drop the connection or trickle the body out byte by byte.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qctest {

struct Reply {
    enum class Mode { Normal, Stall, Truncate, Drop, Trickle };
    int status = 200;
    std::string contentType = "application/octet-stream";
    std::string body;
    Mode mode = Mode::Normal;
    size_t truncateAt = 0;  // Truncate: bytes of the body sent before the connection closes
    size_t repeatBody = 1;  // the body is sent this many times (a large answer without the memory)
    int trickleMs = 0;      // Trickle: the head at once, then `trickleBytes` of the body this often
    size_t trickleBytes = 1;
    int delayMs = 0;  // how long the server thinks before it answers at all
    bool sendCorsHeaders = false;
    // Extra header lines, each "Name: value" (a redirect's Location, say).
    std::vector<std::string> headers;
    // No Content-Length: the body ends when the connection closes.
    bool omitContentLength = false;
};

class HttpServer {
public:
    HttpServer();                   // listens on an ephemeral port of 127.0.0.1
    explicit HttpServer(int port);  // listens on this port of 127.0.0.1
    ~HttpServer();                  // ends every connection and joins its threads

    int port() const { return port_; }
    std::string url(const std::string& path) const;

    // What the server answers at `path` (the request target without the query, or with it if a
    // route with the query exists). Unknown paths get 404.
    void route(const std::string& path, Reply reply);
    // The n-th request for `path` gets replies[n], the last one every request after it: a server
    // that answers a second fetch differently from the first.
    void routeSequence(const std::string& path, std::vector<Reply> replies);
    // Requests seen so far ("GET /a?b"), in order.
    std::vector<std::string> requests() const;

private:
    void acceptLoop();
    void serve(int fd);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mu_;
    std::map<std::string, Reply> routes_;
    std::map<std::string, std::vector<Reply>> sequences_;
    std::map<std::string, size_t> asked_;
    std::vector<std::string> requests_;
    std::vector<int> clients_;
    std::vector<std::thread> workers_;
};

// A port on 127.0.0.1 where nothing listens (connections are refused).
int refusedPort();
// Whether something accepts connections on `port` of 127.0.0.1.
bool acceptsConnections(int port);
// Whether the server on `port` of 127.0.0.1 answers a GET of `path` (as a Windows Media player
// asks) with some body within a second: a streaming server listens before it has its stream.
bool answersWithBody(int port, const std::string& path);

// A port on 127.0.0.1 whose connections are never completed: its accept queue is full, so the
// kernel drops every further SYN and a client waits in connect until its own bound.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;
    int port() const { return port_; }

private:
    int listenFd_ = -1;
    int fillerFd_ = -1;
    int port_ = 0;
};

}  // namespace qctest
