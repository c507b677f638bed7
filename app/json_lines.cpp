#include "app/json_lines.h"
#include <cstdio>
#include "cleaners/category_table.h"

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0.
size_t Utf8Length(const std::string& text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    // Overlong forms and surrogates are not valid UTF-8.
    if ((length == 2 && lead < 0xC2) || (length == 3 && lead == 0xE0 && byte(at + 1) < 0xA0) ||
        (length == 3 && lead == 0xED && byte(at + 1) >= 0xA0) || (length == 4 && lead == 0xF0 && byte(at + 1) < 0x90) ||
        (length == 4 && (lead > 0xF4 || (lead == 0xF4 && byte(at + 1) >= 0x90))))
        return 0;
    return length;
}

std::string Number(double value)
{
    char text[64];
    snprintf(text, sizeof text, "%.3f", value);
    return text;
}

const char* CategoryOf(int statusId)
{
    for (const CategoryRow& row : CategoryRows())
        if (row.statusId == statusId) return row.id;
    return "";
}

const char* ResultOf(SweepEvent::Result result, bool preview)
{
    switch (result) {
    case SweepEvent::Result::Scheduled: return preview ? "would-schedule" : "scheduled";
    case SweepEvent::Result::Left: return preview ? "would-leave" : "left";
    default: return preview ? "would-remove" : "removed";
    }
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8Length(text, at);
        if (length == 0) {
            json += "\\ufffd";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json.append(text, at, length);
        }
        at += length;
    }
    return json + "\"";
}

std::string EventJson(const SweepEvent& event, bool preview)
{
    switch (event.type) {
    case SweepEvent::Type::Refused:
        return "{\"type\":\"refused\",\"target\":" + JsonString(event.target) + ",\"reason\":" + JsonString(event.text) +
               "}";
    case SweepEvent::Type::Note:
        return "{\"type\":\"note\",\"text\":" + JsonString(event.text) + "}";
    default:
        break;
    }
    std::string json = "{\"type\":\"item\",\"category\":" + JsonString(CategoryOf(event.statusId)) +
                       ",\"item\":" + std::to_string(event.item) + ",\"action\":" + JsonString(event.action) +
                       ",\"target\":" + JsonString(event.target) + ",\"kb\":" + Number(event.kb) +
                       ",\"result\":" + JsonString(ResultOf(event.result, preview));
    if (event.result == SweepEvent::Result::Left) json += ",\"why\":" + JsonString(event.text);
    return json + "}";
}

std::string TotalJson(int items, double kb, const SweepOutcome& outcome)
{
    return "{\"type\":\"total\",\"items\":" + std::to_string(items) + ",\"kb\":" + Number(kb) +
           ",\"left\":" + std::to_string(outcome.left) + ",\"refused\":" + std::to_string(outcome.refused) + "}";
}
