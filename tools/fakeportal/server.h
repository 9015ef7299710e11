#pragma once

#include <memory>

// Serves a Portal over HTTP/1.1 on 127.0.0.1: keep-alive, absolute-form and origin-form
// targets, the request log, and the faults of a FaultPlan, including those that need the
// connection itself (reset, truncation, stall).
namespace tidewell::fakeportal {

class FaultPlan;
class Portal;
class RequestLog;

class PortalServer {
  public:
    // log may be null. The portal, plan and log must outlive the server.
    PortalServer(Portal& portal, FaultPlan& faults, RequestLog* log, int threads);
    ~PortalServer();
    PortalServer(const PortalServer&) = delete;
    PortalServer& operator=(const PortalServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port). Returns the port, or -1.
    int bind(int port);
    // Serves until stop(); returns at once when stop() came first.
    void run();
    // Ends run() from any thread; pauses and stalls in progress end early.
    void stop();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tidewell::fakeportal
