#include "tests/support/json_object.h"
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}

    std::optional<std::map<std::string, std::string>> Object()
    {
        std::map<std::string, std::string> members;
        if (!Take('{')) return std::nullopt;
        if (Take('}')) return End(members);
        do {
            std::string name, value;
            if (!String(name) || !Take(':') || !(String(value) || Number(value))) return std::nullopt;
            if (!members.emplace(name, value).second) return std::nullopt;
        } while (Take(','));
        if (!Take('}')) return std::nullopt;
        return End(members);
    }

private:
    std::optional<std::map<std::string, std::string>> End(std::map<std::string, std::string>& members)
    {
        return m_at == m_text.size() ? std::optional(std::move(members)) : std::nullopt;
    }
    bool Take(char c)
    {
        if (m_at < m_text.size() && m_text[m_at] == c) return ++m_at, true;
        return false;
    }
    static void Append(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool Hex4(unsigned& code)
    {
        if (m_at + 4 > m_text.size()) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            code = code * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    }
    bool String(std::string& out)
    {
        if (!Take('"')) return false;
        while (m_at < m_text.size()) {
            const unsigned char c = static_cast<unsigned char>(m_text[m_at++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (m_at >= m_text.size()) return false;
            const char e = m_text[m_at++];
            static const std::string kSimple = "\"\\/bfnrt", kMeaning = "\"\\/\b\f\n\r\t";
            if (const size_t i = kSimple.find(e); i != std::string::npos) {
                out += kMeaning[i];
            } else if (e == 'u') {
                unsigned code = 0, low = 0;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code < 0xDC00) {
                    if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                Append(out, code);
            } else {
                return false;
            }
        }
        return false;
    }
    bool Number(std::string& out)
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && std::strchr("-+.eE0123456789", m_text[m_at])) ++m_at;
        out = m_text.substr(start, m_at - start);
        char* end = nullptr;
        std::strtod(out.c_str(), &end);
        return !out.empty() && end && *end == '\0';
    }

    const std::string& m_text;
    size_t m_at = 0;
};

}  // namespace

std::optional<std::map<std::string, std::string>> ParseJsonObject(const std::string& text)
{
    return Reader(text).Object();
}
