// The community rules parser over arbitrary bytes, natively under libFuzzer and AddressSanitizer: it
// must neither crash nor read out of bounds, and every rule it reads must be one that may run or
// carries its reason; bytes admitted as a download are UTF-8 with a rule that may run, and the
// version shown of them is printable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include "cleaners/rules_format.h"
#include "framework/utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RulesFile file = ParseRules(bytes);
    for (const char c : file.version)
        if (c < ' ' || c > '~') abort();
    if (RulesTextRefusal(bytes, file).empty()) {
        for (size_t at = 0; at < size; at += Utf8Length(bytes, at))
            if (Utf8Length(bytes, at) == 0) abort();
        bool anyRule = false;
        for (const CommunityRule& rule : file.rules) anyRule = anyRule || rule.unavailable.empty();
        if (!anyRule) abort();
    }
    for (const CommunityRule& rule : file.rules) {
        if (!rule.unavailable.empty()) continue;
        if (rule.files.empty() && rule.keys.empty()) abort();
        for (const RuleFileKey& key : rule.files)
            if (key.folder.empty() || key.patterns.empty() || (key.recurse && key.removeSelf)) abort();
        // An exclusion that may run keeps something Ombrix can tell: a key of its hives, or masks.
        for (const RuleExclude& exclude : rule.excludes)
            if (exclude.kind == RuleExclude::Kind::Registry ? !ParseRuleKey(exclude.where) : exclude.masks.empty()) abort();
    }
    // A key's one form is one: read again, it is the same; a detection's key of any hive too.
    for (const CommunityRule& rule : file.rules)
        for (const std::string& key : rule.detectKeys)
            if (const std::optional<DetectKeyPath> path = ParseDetectKey(key)) {
                const std::optional<DetectKeyPath> again = ParseDetectKey("HKU\\" + path->path);
                if (!again || again->path != path->path) abort();
            }
    for (const CommunityRule& rule : file.rules)
        for (const RuleRegKey& key : rule.keys)
            if (const std::optional<RuleKeyPath> path = ParseRuleKey(key.key)) {
                const std::optional<RuleKeyPath> again = ParseRuleKey(ShownKey(*path));
                if (!again || again->machine != path->machine || again->path != path->path) abort();
            }
    MergeRules(file.rules, file.rules);
    return 0;
}
