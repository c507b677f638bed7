#include "engine/browser_profiles.h"
#include <cctype>
#include "framework/trace.h"

namespace {

constexpr size_t kMaxDepth = 64;
constexpr size_t kMaxLocalStateProfiles = 256;

// Just enough of JSON to find one object's member names: every value is read and checked, only
// strings are kept.
class JsonWalk {
public:
    explicit JsonWalk(const std::string& text) : m_text(text) {}

    // The member names of the object at profile.info_cache, read from the top-level object.
    bool FindProfiles(std::vector<std::string>& names)
    {
        m_wanted = {"profile", "info_cache"};
        return Value(0, names) && (Blank(), m_at == m_text.size()) && m_found;
    }

private:
    void Blank()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    }
    bool Take(char c)
    {
        Blank();
        if (m_at < m_text.size() && m_text[m_at] == c) return ++m_at, true;
        return false;
    }
    bool String(std::string& out)
    {
        if (!Take('"')) return false;
        while (m_at < m_text.size()) {
            const unsigned char c = static_cast<unsigned char>(m_text[m_at++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c == '\\') {
                if (m_at >= m_text.size()) return false;
                const char e = m_text[m_at++];
                if (e == 'u') {
                    if (m_at + 4 > m_text.size()) return false;
                    out += '?';  // a name with an escaped character is no plain folder name here
                    m_at += 4;
                    continue;
                }
                if (std::string("\"\\/bfnrt").find(e) == std::string::npos) return false;
                out += e == '"' || e == '\\' || e == '/' ? e : '?';
                continue;
            }
            out += static_cast<char>(c);
        }
        return false;
    }
    bool Literal()
    {
        Blank();
        const size_t start = m_at;
        while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) ||
                                        std::string("+-.").find(m_text[m_at]) != std::string::npos))
            ++m_at;
        return m_at > start;
    }
    // `level` is how far the path to the wanted object matched so far.
    bool Value(size_t depth, std::vector<std::string>& names, size_t level = 0)
    {
        if (depth > kMaxDepth) return false;
        Blank();
        if (m_at >= m_text.size()) return false;
        if (m_text[m_at] == '{') return Object(depth, names, level);
        if (m_text[m_at] == '[') {
            ++m_at;
            if (Take(']')) return true;
            do {
                if (!Value(depth + 1, names, kNoMatch)) return false;
            } while (Take(','));
            return Take(']');
        }
        if (m_text[m_at] == '"') {
            std::string ignored;
            return String(ignored);
        }
        return Literal();
    }
    bool Object(size_t depth, std::vector<std::string>& names, size_t level)
    {
        ++m_at;
        const bool wanted = level == m_wanted.size();
        if (wanted) m_found = true;
        if (Take('}')) return true;
        do {
            std::string name;
            if (!String(name) || !Take(':')) return false;
            if (wanted && names.size() < kMaxLocalStateProfiles) names.push_back(name);
            const bool next = level < m_wanted.size() && name == m_wanted[level];
            if (!Value(depth + 1, names, next ? level + 1 : kNoMatch)) return false;
        } while (Take(','));
        return Take('}');
    }

    static constexpr size_t kNoMatch = 1000;
    const std::string& m_text;
    size_t m_at = 0;
    std::vector<std::string> m_wanted;
    bool m_found = false;
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

bool IsPlainFolderName(const std::string& name)
{
    if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos) return false;
    return name.find_first_not_of(". ") != std::string::npos;
}

std::optional<std::vector<std::string>> LocalStateProfiles(const std::string& json)
{
    std::vector<std::string> names;
    if (!JsonWalk(json).FindProfiles(names)) return std::nullopt;
    std::vector<std::string> plain;
    for (const std::string& name : names) {
        if (IsPlainFolderName(name))
            plain.push_back(name);
        else
            TraceMessage("   Passed over the profile name %s of Local State: it is not one folder name.\n", name.c_str());
    }
    return plain;
}

std::vector<IniProfile> ProfilesIniProfiles(const std::string& text)
{
    std::vector<IniProfile> profiles;
    bool inProfile = false;
    IniProfile current{"", false};
    const auto finish = [&] {
        if (inProfile && !current.path.empty() && profiles.size() < kMaxIniProfiles) profiles.push_back(current);
        current = {"", false};
    };
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            finish();
            inProfile = line.rfind("[Profile", 0) == 0 && line.back() == ']';
        } else if (inProfile && line.rfind("Path=", 0) == 0) {
            current.path = line.substr(5);
        } else if (inProfile && line.rfind("IsRelative=", 0) == 0) {
            current.relative = line.substr(11) == "1";
        }
    }
    finish();
    return profiles;
}
