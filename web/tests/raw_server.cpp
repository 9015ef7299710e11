#include "web/tests/raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace tidewell::web::testing {
namespace {

int listenOnLoopback(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

bool readable(int fd, int milliseconds) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

// Length of the first complete request in the buffer, 0 when it is not complete yet.
size_t completeRequest(const std::string& buffer) {
    auto end = buffer.find("\r\n\r\n");
    if (end == std::string::npos) {
        return 0;
    }
    size_t head = end + 4;
    size_t body = 0;
    std::string lower = buffer.substr(0, head);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    auto at = lower.find("\r\ncontent-length:");
    if (at != std::string::npos) {
        body = std::strtoul(lower.c_str() + at + 17, nullptr, 10);
    }
    return buffer.size() >= head + body ? head + body : 0;
}

}  // namespace

RawServer::RawServer(RawHandler handler) : handler_(std::move(handler)) {
    listener_ = listenOnLoopback(&port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

RawServer::~RawServer() {
    stopping_ = true;
    acceptor_.join();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    ::close(listener_);
}

std::string RawServer::hostPath(std::string_view path) const {
    return "127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string RawServer::url(std::string_view path) const {
    return "http://" + hostPath(path);
}

std::vector<std::string> RawServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string RawServer::lastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

void RawServer::acceptLoop() {
    while (!stopping_) {
        if (!readable(listener_, 20)) {
            continue;
        }
        int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            continue;
        }
        ++connections_;
        workers_.emplace_back([this, socket] { serve(socket); });
    }
}

void RawServer::serve(int socket) {
    std::string buffer;
    bool open = true;
    while (open && !stopping_) {
        if (!readable(socket, 20)) {
            continue;
        }
        char chunk[4096];
        ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        buffer.append(chunk, static_cast<size_t>(got));
        while (size_t length = completeRequest(buffer)) {
            std::string request = buffer.substr(0, length);
            buffer.erase(0, length);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            std::optional<std::string> reply = handler_(request);
            if (!reply) {
                continue;
            }
            size_t sent = 0;
            while (sent < reply->size()) {
                ssize_t n =
                    ::send(socket, reply->data() + sent, reply->size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    open = false;
                    break;
                }
                sent += static_cast<size_t>(n);
            }
            if (reply->find("\r\nConnection: close\r\n") != std::string::npos) {
                open = false;
            }
        }
    }
    ::close(socket);
}

std::string httpReply(std::string_view body, std::string_view extraHeaders,
                      std::string_view statusLine) {
    std::string reply(statusLine);
    reply += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    reply += extraHeaders;
    reply += "\r\n";
    reply += body;
    return reply;
}

int closedPort() {
    int port = 0;
    int fd = listenOnLoopback(&port);
    ::close(fd);
    return port;
}

}  // namespace tidewell::web::testing
