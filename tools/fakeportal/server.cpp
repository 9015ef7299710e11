#include "tools/fakeportal/server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "tools/fakeportal/fault.h"
#include "tools/fakeportal/portal.h"
#include "tools/fakeportal/request_log.h"
#include "tools/fakeportal/request_target.h"

namespace tidewell::fakeportal {
namespace {

constexpr int kReadTimeoutMs = 5'000;
constexpr int kWriteTimeoutMs = 10'000;
constexpr time_t kKeepAliveSeconds = 30;
constexpr std::size_t kKeepAliveRequests = 1'000'000;
constexpr std::size_t kWriteChunk = 256 * 1024;
constexpr std::size_t kHeadLimit = 256 * 1024;
constexpr std::size_t kLineLimit = 8192;
constexpr int kWaitSliceMs = 100;

// The socket of one connection as httplib's request parser reads and writes it. It keeps the
// bytes handed out since the last request began, which are the request line and headers as
// sent (httplib keeps headers in a sorted map and loses their order), and it can swallow the
// reply of a request that is to end in a reset or a silent hang-up.
class ConnectionStream final : public httplib::Stream {
  public:
    // Waits on the socket end early once stopping is set.
    ConnectionStream(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

    bool is_readable() const override { return buffered() || waitFor(POLLIN, kReadTimeoutMs); }
    bool is_writable() const override { return discarding_ || waitFor(POLLOUT, kWriteTimeoutMs); }

    ssize_t read(char* ptr, size_t size) override {
        if (!buffered()) {
            const ssize_t n = receive();
            if (n <= 0) {
                return n;
            }
        }
        const std::size_t n = std::min(size, buffer_.size() - offset_);
        std::memcpy(ptr, buffer_.data() + offset_, n);
        offset_ += n;
        if (head_.size() < kHeadLimit) {
            head_.append(ptr, n);
        }
        return static_cast<ssize_t>(n);
    }

    // httplib refuses a request line whose target holds a blank or a second "?", which a real
    // server takes. Such a target is escaped ("%20", "%3F") before httplib reads the line; the
    // head handed out by takeHead() keeps the line as it was sent.
    void mendRequestLine() {
        while (buffer_.find('\n', offset_) == std::string::npos &&
               buffer_.size() - offset_ < kLineLimit) {
            if (receive() <= 0) {
                return;
            }
        }
        const auto end = buffer_.find('\n', offset_);
        if (end == std::string::npos) {
            return;
        }
        std::string_view line(buffer_.data() + offset_, end - offset_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const auto first = line.find(' ');
        const auto last = line.rfind(' ');
        if (first == std::string_view::npos || last <= first + 1) {
            return;
        }
        const std::string_view target = line.substr(first + 1, last - first - 1);
        std::string mended;
        bool query = false;
        for (char c : target) {
            if (c == ' ') {
                mended += "%20";
            } else if (c == '?' && query) {
                mended += "%3F";
            } else {
                query |= c == '?';
                mended.push_back(c);
            }
        }
        if (mended == target) {
            return;
        }
        originalLine_ = std::string(line);
        buffer_.replace(offset_ + first + 1, target.size(), mended);
        mendedLine_ = buffer_.substr(offset_, originalLine_.size() + mended.size() - target.size());
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (discarding_) {
            return static_cast<ssize_t>(size);
        }
        // Never blocked in send(): a reader that stops reading holds us only as long as the
        // write time-out, or until the server stops.
        for (;;) {
            const ssize_t n = ::send(fd_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n >= 0) {
                return n;
            }
            if (errno == EINTR) {
                continue;
            }
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitFor(POLLOUT, kWriteTimeoutMs)) {
                return -1;
            }
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(::getsockname, ip, port);
    }
    socket_t socket() const override { return fd_; }

    bool buffered() const { return offset_ < buffer_.size(); }
    // The bytes handed out since the last call, the request line as it was sent.
    std::string takeHead() {
        if (!mendedLine_.empty() && head_.rfind(mendedLine_, 0) == 0) {
            head_.replace(0, mendedLine_.size(), originalLine_);
        }
        mendedLine_.clear();
        originalLine_.clear();
        return std::exchange(head_, {});
    }
    void discardWrites() { discarding_ = true; }

  private:
    // Appends what the socket has to the buffer (after dropping what was read); the byte count,
    // 0 at the end of the stream, -1 on failure or time-out.
    ssize_t receive() {
        if (!waitFor(POLLIN, kReadTimeoutMs)) {
            return -1;
        }
        char chunk[16384];
        ssize_t n = 0;
        do {
            n = ::recv(fd_, chunk, sizeof chunk, 0);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            buffer_.erase(0, offset_);
            offset_ = 0;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        return n;
    }

    bool waitFor(short events, int timeoutMs) const {
        for (int left = timeoutMs; left > 0 && !stopping_; left -= kWaitSliceMs) {
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, std::min(left, kWaitSliceMs));
            if (r > 0) {
                return true;
            }
            if (r < 0 && errno != EINTR) {
                return false;
            }
        }
        return false;
    }

    template <typename F>
    void address(F query, std::string& ip, int& port) const {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        ip.clear();
        port = -1;
        if (query(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            return;
        }
        char text[INET6_ADDRSTRLEN] = {};
        if (addr.ss_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
            port = ntohs(in->sin_port);
        } else if (addr.ss_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
            ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
            port = ntohs(in6->sin6_port);
        }
        ip = text;
    }

    int fd_;
    const std::atomic<bool>& stopping_;
    std::string buffer_;
    std::size_t offset_ = 0;
    std::string head_;
    std::string originalLine_;
    std::string mendedLine_;
    bool discarding_ = false;
};

// How a connection goes on after the request in hand.
enum class Ending { KeepAlive, Close, Reset };

struct Connection {
    ConnectionStream& stream;
    std::string target;  // of the request in hand, as sent
    Ending ending = Ending::KeepAlive;
};

// The target of the request line at the start of a request head.
std::string targetOf(std::string_view head) {
    std::string_view line = head.substr(0, head.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const auto first = line.find(' ');
    const auto last = line.rfind(' ');
    if (first == std::string_view::npos || last <= first) {
        return {};
    }
    return std::string(line.substr(first + 1, last - first - 1));
}

// httplib calls the routing handler on the thread that serves the connection, without a way
// to hand it our per-connection state; this pointer is that way.
thread_local Connection* t_connection = nullptr;

}  // namespace

class PortalServer::Impl final : public httplib::Server {
  public:
    Impl(Portal& portal, FaultPlan& faults, RequestLog* log, int threads)
        : portal_(portal), faults_(faults), log_(log) {
        // httplib takes the queue and deletes it when listening ends.
        new_task_queue = [threads] {
            return new httplib::ThreadPool(static_cast<size_t>(threads));
        };
        set_keep_alive_max_count(kKeepAliveRequests);
        set_keep_alive_timeout(kKeepAliveSeconds);
        set_tcp_nodelay(true);
        set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return handle(req, res);
        });
    }

    void run() {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
            started_ = true;
        }
        listen_after_bind();
        std::lock_guard lock(mutex_);
        done_ = true;
    }

    void stopAll() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            stopFlag_ = true;
        }
        wake_.notify_all();
        // stop() does nothing until listening has begun; ask again until run() has returned.
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (!started_ || done_) {
                    return;
                }
            }
            stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

  private:
    // False when the server stops before the time is up.
    bool pause(std::uint64_t ms) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }

    bool waitForRequest(ConnectionStream& stream) {
        if (stream.buffered()) {
            return true;
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
        while (std::chrono::steady_clock::now() < deadline) {
            if (svr_sock_ == INVALID_SOCKET || stopFlag_) {
                return false;
            }
            pollfd p{stream.socket(), POLLIN, 0};
            const int r = ::poll(&p, 1, 100);
            if (r > 0) {
                return true;
            }
            if (r < 0 && errno != EINTR) {
                return false;
            }
        }
        return false;
    }

    bool process_and_close_socket(socket_t sock) override {
        const int one = 1;
        ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ConnectionStream stream(sock, stopFlag_);
        Connection connection{stream, {}, Ending::KeepAlive};
        t_connection = &connection;
        for (std::size_t served = 0; served < keep_alive_max_count_; ++served) {
            if (!waitForRequest(stream)) {
                break;
            }
            stream.takeHead();
            stream.mendRequestLine();
            bool closed = false;
            const bool last = served + 1 == keep_alive_max_count_;
            const bool ok = process_request(stream, last, closed, [&](httplib::Request& req) {
                const std::string head = stream.takeHead();
                connection.target = targetOf(head);
                if (log_ != nullptr) {
                    log_->write(head);
                }
                // Bodies go out as they are: never compressed, never cut to a range.
                req.headers.erase("Accept-Encoding");
                req.headers.erase("Range");
                req.ranges.clear();
            });
            if (!ok || closed || connection.ending != Ending::KeepAlive) {
                break;
            }
        }
        t_connection = nullptr;
        if (connection.ending == Ending::Reset) {
            const linger abort{1, 0};
            ::setsockopt(sock, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        } else {
            ::shutdown(sock, SHUT_RDWR);
        }
        ::close(sock);
        return true;
    }

    HandlerResponse handle(const httplib::Request& req, httplib::Response& res) {
        Connection& connection = *t_connection;
        // The stand-in reads no request body; what is left of one would spoil the next request
        // on the connection.
        if (req.has_header("Transfer-Encoding") ||
            (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0")) {
            connection.ending = Ending::Close;
        }
        const Route route = portal_.route(parseRequestTarget(connection.target));
        const FaultEffects effects = faults_.decide(route.newsid);

        if (effects.latencyMs > 0 && !pause(effects.latencyMs)) {
            connection.stream.discardWrites();
            connection.ending = Ending::Close;
            return HandlerResponse::Handled;
        }
        if (effects.stallMs) {
            connection.stream.discardWrites();
            connection.ending = Ending::Close;
            pause(*effects.stallMs);
            return HandlerResponse::Handled;
        }
        if (effects.reset) {
            connection.stream.discardWrites();
            connection.ending = Ending::Reset;
            return HandlerResponse::Handled;
        }
        if (effects.status) {
            res.status = *effects.status;
            res.set_content("fault: status " + std::to_string(*effects.status) + "\n",
                            "text/plain");
            return HandlerResponse::Handled;
        }

        const Reply reply =
            portal_.respond(route, BodyChanges{effects.badGbk, effects.hugeBytes, effects.records});
        res.status = reply.status;
        const auto body = reply.body;
        const std::size_t size = body->size();
        std::size_t sent = size;
        std::size_t declared = size;
        if (effects.truncate) {
            sent = effects.truncateBytes ? static_cast<std::size_t>(std::min<std::uint64_t>(
                                               *effects.truncateBytes, size))
                                         : size / 2;
            declared = std::max(size, sent + 1);
            connection.ending = Ending::Close;
        }
        res.set_content_provider(
            declared, reply.contentType,
            [body, sent](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset >= sent) {
                    return false;  // hang up short of the declared length
                }
                const std::size_t n = std::min({length, sent - offset, kWriteChunk});
                return sink.write(body->data() + offset, n);
            });
        return HandlerResponse::Handled;
    }

    Portal& portal_;
    FaultPlan& faults_;
    RequestLog* log_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> stopFlag_ = false;  // stopping_, for the waits that cannot take the lock
    bool started_ = false;
    bool done_ = false;
};

PortalServer::PortalServer(Portal& portal, FaultPlan& faults, RequestLog* log, int threads)
    : impl_(std::make_unique<Impl>(portal, faults, log, threads)) {}

PortalServer::~PortalServer() = default;

int PortalServer::bind(int port) {
    if (port == 0) {
        return impl_->bind_to_any_port("127.0.0.1");
    }
    return impl_->bind_to_port("127.0.0.1", port) ? port : -1;
}

void PortalServer::run() {
    impl_->run();
}

void PortalServer::stop() {
    impl_->stopAll();
}

}  // namespace tidewell::fakeportal
