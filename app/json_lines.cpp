#include "app/json_lines.h"
#include <cstdio>
#include "cleaners/category_table.h"
#include "framework/utf8_text.h"

namespace {

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
