#include "settings/friendly_sites.h"
#include <unordered_set>
#include "framework/ascii_text.h"
#include "framework/trace.h"

namespace {

constexpr size_t kLongestHost = 253;
constexpr size_t kLongestLabel = 63;

bool IsLabelCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

}  // namespace

bool IsPlainHost(std::string_view text)
{
    if (text.empty() || text.size() > kLongestHost) return false;
    size_t label = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (label == 0 || label > kLongestLabel) return false;  // an empty label: "..", or a dot at an end
            if (text[i - label] == '-' || text[i - 1] == '-') return false;
            label = 0;
        } else if (IsLabelCharacter(text[i])) {
            ++label;
        } else {
            return false;
        }
    }
    return true;
}

bool IsFriendlyHost(std::string_view host, const FriendlySites& sites)
{
    if (!host.empty() && host.front() == '.') host.remove_prefix(1);
    for (const std::string& site : sites) {
        if (SameAscii(host, site)) return true;
        // Below the site: the host ends in ".site".
        if (host.size() > site.size() && host[host.size() - site.size() - 1] == '.' &&
            SameAscii(host.substr(host.size() - site.size()), site))
            return true;
    }
    return false;
}

FriendlySites PlainHosts(const std::vector<std::string>& entries)
{
    FriendlySites sites;
    std::unordered_set<std::string> seen;  // a list may hold thousands
    for (const std::string& entry : entries) {
        if (!IsPlainHost(entry)) {
            TraceMessage("Friendly site \"%s\" is not a plain host name; ignored.\n", entry.c_str());
            continue;
        }
        std::string host = AsciiLowered(entry);
        if (seen.insert(host).second) sites.push_back(std::move(host));
    }
    return sites;
}
