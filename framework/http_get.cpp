#include "framework/http_get.h"
#include <windows.h>
#include <winhttp.h>
#include <memory>
#include <optional>
#include <string_view>
#include "framework/platform_quirks.h"
#include "res/version.h"

namespace {

constexpr int kResolveMs = 15000, kConnectMs = 15000, kSendMs = 15000, kReceiveMs = 30000;
constexpr DWORD kLargestRead = 64 * 1024;

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::wstring Wide(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

struct Address {
    bool secure = false;
    bool loopback = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // with its query
};

// 127.0.0.0/8 or ::1, written as numbers: a name could resolve anywhere.
bool IsLoopback(std::wstring_view host)
{
    if (host == L"[::1]" || host == L"::1") return true;
    if (host.substr(0, 4) != L"127.") return false;
    int parts = 0;
    for (size_t start = 0; start <= host.size(); ++parts) {
        const size_t end = std::min(host.find(L'.', start), host.size());
        const std::wstring_view part = host.substr(start, end - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of(L"0123456789") != std::wstring_view::npos ||
            std::stoi(std::wstring(part)) > 255)
            return false;
        start = end + 1;
    }
    return parts == 4;
}

std::optional<Address> Crack(const std::string& url)
{
    const std::wstring wide = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (wide.empty() || !WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts)) return std::nullopt;
    Address address;
    address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    address.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    address.port = parts.nPort;
    address.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    address.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (address.path.empty()) address.path = L"/";
    address.loopback = IsLoopback(address.host);
    return address;
}

std::string ErrorWords(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "the server's name was not found";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "the server could not be reached";
    case ERROR_WINHTTP_TIMEOUT: return "the server did not answer in time";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "the connection was broken";
    case ERROR_WINHTTP_SECURE_FAILURE: return "the server's certificate was not accepted";
    case ERROR_WINHTTP_REDIRECT_FAILED: return "the server sent it on to a plain http address";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "the server's answer was broken";
    default: return "the download failed (WinHTTP error " + std::to_string(error) + ")";
    }
}

HttpDownload Failed(std::string error) { return {{}, std::move(error)}; }

// The announced length, when there is one and it is a number.
std::optional<uint64_t> ContentLength(HINTERNET request)
{
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    const std::wstring_view digits(text, size / sizeof(wchar_t));
    if (digits.empty() || digits.size() > 19 || digits.find_first_not_of(L"0123456789") != std::wstring_view::npos)
        return std::nullopt;
    return std::stoull(std::wstring(digits));
}

HINTERNET OpenSession(bool loopback)
{
    const wchar_t* agent = L"Ombrix/" OMBRIX_VERSION_TEXT;
    if (loopback) return WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    // The system's proxy as the browser finds it where there is one to find, else the one configured.
    if (HINTERNET session = WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                        WINHTTP_NO_PROXY_BYPASS, 0))
        return session;
    return WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
}

HttpDownload Receive(HINTERNET request, uint64_t largest, const HttpProgress& progress)
{
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                             &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Failed("the server's answer was broken");
    if (status != 200) return Failed("the server answered " + std::to_string(status));
    const std::optional<uint64_t> length = ContentLength(request);
    if (length && *length > largest) return Failed("it is larger than " + std::to_string(largest >> 20) + " MB");
    HttpDownload download;
    if (length) download.body.reserve(static_cast<size_t>(*length));
    for (;;) {
        if (progress && !progress(download.body.size(), length.value_or(0))) return Failed("it was cancelled");
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return Failed(ErrorWords(GetLastError()));
        if (available == 0) break;
        const size_t at = download.body.size();
        const DWORD wanted = std::min(available, kLargestRead);
        if (at + wanted > largest) return Failed("it is larger than " + std::to_string(largest >> 20) + " MB");
        download.body.resize(at + wanted);
        DWORD read = 0;
        if (!WinHttpReadData(request, download.body.data() + at, wanted, &read)) return Failed(ErrorWords(GetLastError()));
        download.body.resize(at + read);
        if (read == 0) break;
    }
    if (length && download.body.size() != *length)
        return Failed("it ended early (" + std::to_string(download.body.size()) + " of " + std::to_string(*length) +
                      " bytes)");
    if (!length && !Platform::KnowsUnannouncedBodyWhole())
        return Failed("the server did not announce its length, and here a cut answer cannot be told from a whole one");
    return download;
}

}  // namespace

std::string HttpAddressRefusal(const std::string& url)
{
    const std::optional<Address> address = Crack(url);
    if (!address) return url + " is not an http or https address";
    if (!address->secure && !address->loopback) return "plain http is for the loopback address only (" + url + ")";
    return {};
}

HttpDownload HttpGet(const std::string& url, uint64_t largest, const HttpProgress& progress)
{
    if (std::string refusal = HttpAddressRefusal(url); !refusal.empty()) return Failed(std::move(refusal));
    const Address address = *Crack(url);
    const InternetHandle session(OpenSession(address.loopback));
    if (!session) return Failed(ErrorWords(GetLastError()));
    WinHttpSetTimeouts(session.get(), kResolveMs, kConnectMs, kSendMs, kReceiveMs);
    const InternetHandle connection(WinHttpConnect(session.get(), address.host.c_str(), address.port, 0));
    if (!connection) return Failed(ErrorWords(GetLastError()));
    const InternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", address.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return Failed(ErrorWords(GetLastError()));
    // Never from https to plain http; a plain http address (the loopback's) is not sent on anywhere.
    DWORD policy = address.secure ? WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP : WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return Failed(ErrorWords(GetLastError()));
    return Receive(request.get(), largest, progress);
}
