#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A loopback HTTP server on raw sockets that keeps every request exactly as its bytes came, so
// tests can check header names, values and their order. The handler's reply is sent as it
// stands; std::nullopt keeps the connection silent (a stalled server).
namespace tidewell::web::testing {

using RawHandler = std::function<std::optional<std::string>(const std::string& request)>;

class RawServer {
  public:
    explicit RawServer(RawHandler handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:PORT" + path, without scheme.
    std::string hostPath(std::string_view path) const;
    // "http://127.0.0.1:PORT" + path.
    std::string url(std::string_view path) const;
    std::vector<std::string> requests() const;
    std::string lastRequest() const;
    int connections() const { return connections_; }

  private:
    void acceptLoop();
    void serve(int socket);

    RawHandler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A complete reply with Content-Length; extraHeaders are lines each ending in CR LF.
std::string httpReply(std::string_view body, std::string_view extraHeaders = {},
                      std::string_view statusLine = "HTTP/1.1 200 OK");

// A port on 127.0.0.1 that nothing listens on.
int closedPort();

}  // namespace tidewell::web::testing
