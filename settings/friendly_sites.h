#pragma once
#include <string>
#include <string_view>
#include <vector>

// The sites whose cookies every browser keeps: plain host names, each keeping its own cookies and its
// subdomains' ("friend.com" keeps ".friend.com" and "mail.friend.com", never "notfriend.com").
using FriendlySites = std::vector<std::string>;

// A host name as a user or a browser writes one: letters, digits, hyphens and dots between labels; no
// scheme, path, port, wildcard or blank.
bool IsPlainHost(std::string_view text);
// The host of a cookie (a leading dot, as cookie databases store a domain cookie, is not part of it)
// is a friendly site or below one; without regard to case.
bool IsFriendlyHost(std::string_view host, const FriendlySites& sites);
// The entries that are plain hosts, in lower case and each once; the others are dropped with a trace.
FriendlySites PlainHosts(const std::vector<std::string>& entries);
