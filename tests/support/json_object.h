#pragma once
#include <map>
#include <optional>
#include <string>

// A strict reader of the flat JSON objects a scripted sweep writes, one a line: string and number
// members only. Nothing when the text is not exactly one such object (raw control characters,
// bad escapes, anything after the closing brace).
std::optional<std::map<std::string, std::string>> ParseJsonObject(const std::string& text);
