#include "http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace qctest {

namespace {

bool sendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// Listens on 127.0.0.1:port, or on a free port when port is 0 (and says which).
int listenOn(int& port, int backlog = 64) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen on port " + std::to_string(port));
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// A connection to 127.0.0.1:port, or -1.
int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

}  // namespace

HttpServer::HttpServer() {
    listenFd_ = listenOn(port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpServer::HttpServer(int port) : port_(port) {
    listenFd_ = listenOn(port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer() {
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    ::close(listenFd_);
    {
        std::lock_guard<std::mutex> lock(mu_);
        for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : workers_) t.join();
}

std::string HttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::route(const std::string& path, Reply reply) {
    std::lock_guard<std::mutex> lock(mu_);
    routes_[path] = std::move(reply);
}

void HttpServer::routeSequence(const std::string& path, std::vector<Reply> replies) {
    std::lock_guard<std::mutex> lock(mu_);
    sequences_[path] = std::move(replies);
    asked_[path] = 0;
}

std::vector<std::string> HttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mu_);
    return requests_;
}

void HttpServer::acceptLoop() {
    for (;;) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 100) < 0 || stopping_) return;
        if (!(p.revents & POLLIN)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_) return;
            continue;
        }
        std::lock_guard<std::mutex> lock(mu_);
        clients_.push_back(fd);
        workers_.emplace_back([this, fd] { serve(fd); });
    }
}

void HttpServer::serve(int fd) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
    }
    std::string line = request.substr(0, request.find("\r\n"));
    size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
    std::string target = sp1 != std::string::npos && sp2 > sp1 ? line.substr(sp1 + 1, sp2 - sp1 - 1) : "";
    Reply reply;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        requests_.push_back(line.substr(0, sp2));
        auto it = routes_.find(target);
        if (it == routes_.end()) it = routes_.find(target.substr(0, target.find('?')));
        if (it != routes_.end()) {
            reply = it->second;
            found = true;
        }
        if (auto seq = sequences_.find(target); seq != sequences_.end() && !seq->second.empty()) {
            size_t n = std::min(asked_[target]++, seq->second.size() - 1);
            reply = seq->second[n];
            found = true;
        }
    }
    if (!found) {
        reply.status = 404;
        reply.contentType = "text/html";
        reply.body = "<html><body>404 Not Found</body></html>";
    }
    for (auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delayMs);
         !stopping_ && std::chrono::steady_clock::now() < due;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (reply.mode == Reply::Mode::Stall) {
        // Accept and never answer: wait until the client or the server gives up.
        while (!stopping_ && ::recv(fd, buf, sizeof buf, 0) > 0) {}
    } else if (reply.mode != Reply::Mode::Drop) {
        // "Range: bytes=N-" on a plain body: the rest from N, so that players can seek.
        size_t from = 0;
        if (size_t r = request.find("\r\nRange: bytes="); r != std::string::npos && reply.status == 200 &&
                                                          reply.mode == Reply::Mode::Normal && reply.repeatBody == 1) {
            from = std::min<size_t>(std::strtoull(request.c_str() + r + 15, nullptr, 10), reply.body.size());
            reply.headers.push_back("Content-Range: bytes " + std::to_string(from) + "-" +
                                    std::to_string(reply.body.size() - 1) + "/" + std::to_string(reply.body.size()));
            reply.status = 206;
            reply.body.erase(0, from);
        } else if (reply.status == 200 && reply.mode == Reply::Mode::Normal && reply.repeatBody == 1) {
            reply.headers.push_back("Accept-Ranges: bytes");
        }
        size_t total = reply.body.size() * reply.repeatBody;
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                           "\r\nContent-Type: " + reply.contentType + "\r\n";
        if (!reply.omitContentLength) head += "Content-Length: " + std::to_string(total) + "\r\n";
        head += "Connection: close\r\n";
        for (const std::string& h : reply.headers) head += h + "\r\n";
        if (reply.sendCorsHeaders) head += "Access-Control-Allow-Origin: *\r\n";
        head += "\r\n";
        bool ok = sendAll(fd, head.data(), head.size());
        size_t limit = reply.mode == Reply::Mode::Truncate ? std::min(reply.truncateAt, total) : total;
        for (size_t sent = 0; ok && reply.mode == Reply::Mode::Trickle && sent < limit && !stopping_;) {
            // Short sleeps, so that the server's end is never kept waiting.
            const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.trickleMs);
            while (!stopping_ && std::chrono::steady_clock::now() < due)
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min(reply.trickleMs, 20)));
            const size_t offset = sent % reply.body.size();
            const size_t chunk =
                std::min({std::max<size_t>(reply.trickleBytes, 1), limit - sent, reply.body.size() - offset});
            ok = !stopping_ && sendAll(fd, reply.body.data() + offset, chunk);
            sent += chunk;
        }
        for (size_t sent = 0; ok && reply.mode != Reply::Mode::Trickle && sent < limit && !stopping_;) {
            size_t offset = sent % std::max<size_t>(reply.body.size(), 1);
            size_t chunk = std::min(limit - sent, reply.body.size() - offset);
            ok = sendAll(fd, reply.body.data() + offset, chunk);
            sent += chunk;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mu_);
        clients_.erase(std::remove(clients_.begin(), clients_.end(), fd), clients_.end());
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

UnansweredPort::UnansweredPort() {
    listenFd_ = listenOn(port_, 0);
    // One completed connection fills a queue of length 0; it is never accepted.
    fillerFd_ = connectTo(port_);
    if (fillerFd_ < 0) throw std::runtime_error("could not fill the accept queue");
}

UnansweredPort::~UnansweredPort() {
    ::close(fillerFd_);
    ::close(listenFd_);
}

int refusedPort() {
    int port = 0;
    int fd = listenOn(port);
    ::close(fd);  // nothing listens there now
    return port;
}

bool acceptsConnections(int port) {
    const int fd = connectTo(port);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool answersWithBody(int port, const std::string& path) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string got;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string ask = "GET " + path + " HTTP/1.0\r\nUser-Agent: NSPlayer/9.0\r\n\r\n";
        if (sendAll(fd, ask.data(), ask.size())) {
            char buf[4096];
            for (ssize_t n; got.size() < 8192 && (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
                got.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    const size_t head = got.find("\r\n\r\n");
    return head != std::string::npos && got.size() > head + 4;
}

}  // namespace qctest
