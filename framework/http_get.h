#pragma once
#include <cstdint>
#include <functional>
#include <string>

// One download from an address the user or the settings gave, handled as untrusted: https only, with
// the system's certificate checks (plain http only to the loopback address, where a test serves it),
// no redirect to plain http, at most `largest` bytes, and the whole body or nothing: a body shorter
// than its announced length, a broken connection or a status other than 200 fails it.

// The bytes received so far and the announced length (0 when none); false cancels the download.
using HttpProgress = std::function<bool(uint64_t received, uint64_t total)>;

struct HttpDownload {
    std::string body;
    std::string error;  // why there is no body, as words ("the server answered 404"); empty when it came whole
};

// Why the address may not be fetched ("plain http is for the loopback address only"); empty when it may.
std::string HttpAddressRefusal(const std::string& url);
HttpDownload HttpGet(const std::string& url, uint64_t largest, const HttpProgress& progress);
