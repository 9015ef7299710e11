#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <list>
#include <optional>
#include <string>

// libcurl reads the proxy variables at every request; tests run without any unless they set
// their own, and leave the environment as they found it.
namespace tidewell::web::testing {

class ScopedEnvironment {
  public:
    // nullptr unsets the variable.
    ScopedEnvironment(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            previous_ = old;
        }
        set(value);
    }
    ~ScopedEnvironment() { set(previous_ ? previous_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    void set(const char* value) {
        if (value != nullptr) {
            ::setenv(name_.c_str(), value, 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

    std::string name_;
    std::optional<std::string> previous_;
};

class ProxyFreeTest : public ::testing::Test {
  protected:
    ProxyFreeTest() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                 "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            cleared_.emplace_back(name, nullptr);
        }
    }

  private:
    std::list<ScopedEnvironment> cleared_;
};

}  // namespace tidewell::web::testing
