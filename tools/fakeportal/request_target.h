#pragma once

#include <string>
#include <string_view>

// The target of a request line: absolute-form ("http://host/path?query", as a client sends it
// to its proxy) or origin-form ("/path?query").
namespace tidewell::fakeportal {

struct RequestTarget {
    bool absolute = false;
    std::string host;   // lower case, without port or user part; empty in origin-form
    std::string path;   // begins with "/"
    std::string query;  // after the first "?", as sent
};

RequestTarget parseRequestTarget(std::string_view target);

// The value of the first "key=value" member of a query whose key is exactly key, as sent (no
// percent-decoding); empty when there is none.
std::string queryValue(std::string_view query, std::string_view key);

}  // namespace tidewell::fakeportal
