#include "cleaners/rules_format.h"
#include "framework/ascii_text.h"
#include "framework/utf8_text.h"
#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

constexpr size_t kLongestLine = 4096;  // a rule's line is a path or two; more is not a rule

struct LangSecRef {
    int number;
    const char* label;
    RuleGroup group;
};
// The numbers the community files use for their groups.
const LangSecRef kLangSecRefs[] = {
    {3021, "Applications", RuleGroup::Applications}, {3022, "Internet", RuleGroup::Internet},
    {3023, "Multimedia", RuleGroup::Applications},   {3024, "Utilities", RuleGroup::Applications},
    {3025, "Windows", RuleGroup::Windows},           {3026, "Firefox", RuleGroup::Internet},
    {3027, "Opera", RuleGroup::Internet},            {3028, "Safari", RuleGroup::Internet},
    {3029, "Google Chrome", RuleGroup::Internet},    {3030, "Thunderbird", RuleGroup::Applications},
    {3031, "Windows Store", RuleGroup::Applications},
};
// Section= texts that name a browser or the Internet run with the Internet category.
const char* const kInternetSections[] = {"internet", "browser", "firefox", "chrome", "chromium", "opera", "edge",
                                         "brave",    "vivaldi", "safari",  "waterfox", "pale moon"};

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The parts between the separators, as views of the text: thousands of rules' lines are split.
std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A path of a rule: no "." or ".." step, no empty step inside it.
bool PlainPath(std::string_view path)
{
    if (Trimmed(path).empty()) return false;
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view step = path.substr(start, end - start);
        if (step == "." || step == ".." || Trimmed(step) != step) return false;
        start = end + 1;
    }
    return true;
}

// A pattern is a file name with wildcards, nothing that leads to another folder.
bool PlainPattern(std::string_view pattern)
{
    return !pattern.empty() && pattern != "." && pattern != ".." && pattern.find_first_of("\\/:") == std::string_view::npos;
}

// A ';' list of names or wildcards, as a FileKey's.
bool ParsePatterns(std::string_view text, std::vector<std::string>& patterns)
{
    for (const std::string_view pattern : Split(text, ';')) {
        if (!PlainPattern(pattern)) return false;
        patterns.emplace_back(pattern);
    }
    return true;
}

std::string WithoutTrailingBackslashes(std::string_view folder)
{
    while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    return std::string(folder);
}

bool ParseFileKey(std::string_view text, RuleFileKey& key)
{
    const std::vector<std::string_view> parts = Split(text, '|');
    if (parts.size() < 2 || parts.size() > 3 || !PlainPath(parts[0])) return false;
    key.folder = WithoutTrailingBackslashes(parts[0]);
    if (!ParsePatterns(parts[1], key.patterns)) return false;
    if (parts.size() == 3) {
        key.recurse = SameAscii(parts[2], "RECURSE");
        key.removeSelf = SameAscii(parts[2], "REMOVESELF");
        if (!key.recurse && !key.removeSelf) return false;
    }
    return !key.folder.empty();
}

bool ParseRegKey(std::string_view text, RuleRegKey& key)
{
    const std::vector<std::string_view> parts = Split(text, '|');
    if (parts.size() > 2 || !PlainPath(parts[0])) return false;
    key.key = parts[0];
    if (parts.size() == 2) key.value = parts[1];
    return true;
}

bool ParseExclude(std::string_view text, RuleExclude& exclude)
{
    const std::vector<std::string_view> parts = Split(text, '|');
    if (parts.size() < 2 || parts.size() > 3) return false;
    if (SameAscii(parts[0], "REG")) {
        exclude.kind = RuleExclude::Kind::Registry;
        exclude.where = parts[1];
        // An empty value name after the bar keeps the whole key: what may be meant is kept.
        if (parts.size() == 3 && !parts[2].empty()) exclude.value = parts[2];
        return PlainPath(parts[1]) && ParseRuleKey(parts[1]).has_value();
    }
    if (SameAscii(parts[0], "FILE"))
        exclude.kind = RuleExclude::Kind::File;
    else if (SameAscii(parts[0], "PATH"))
        exclude.kind = RuleExclude::Kind::Path;
    else
        return false;
    exclude.where = WithoutTrailingBackslashes(parts[1]);
    // Without a mask every name is kept: what may be meant is kept.
    const bool everything = parts.size() == 2 || parts[2].empty();
    if (everything) exclude.masks = {"*"};
    return PlainPath(exclude.where) && (everything || ParsePatterns(parts[2], exclude.masks));
}

// A key's name and number: "FileKey12" is ("filekey", 12); a name without digits has number -1.
std::pair<std::string, int> NameAndNumber(std::string_view key)
{
    size_t digits = key.size();
    while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
    if (digits == key.size() || key.size() - digits > 6) return {AsciiLowered(key), -1};
    return {AsciiLowered(key.substr(0, digits)), std::stoi(std::string(key.substr(digits)))};
}

// One rule as its lines give it; the numbered keys are gathered first, then read 1, 2, ... up to a gap.
class RuleBuilder {
public:
    explicit RuleBuilder(std::string name) { m_rule.name = std::move(name); }
    void Fail(const std::string& why)
    {
        if (m_rule.unavailable.empty()) m_rule.unavailable = why;
    }
    void Take(std::string_view key, std::string_view value)
    {
        const auto named = NameAndNumber(key);
        const std::string& name = named.first;
        const int number = named.second;
        static const char* const kNumbered[] = {"filekey", "regkey", "excludekey", "detect", "detectfile"};
        const bool numbered = std::any_of(std::begin(kNumbered), std::end(kNumbered), [&](const char* n) { return name == n; });
        if (number >= 0 && !numbered) return Fail("unknown key " + std::string(key));
        if (number == 0) return Fail(std::string(key) + ": numbers start at 1");
        if (numbered && (name == "detect" || name == "detectfile" || number > 0)) {
            if (!m_numbered[name].emplace(number < 0 ? 0 : number, std::string(value)).second)
                Fail(std::string(key) + " is given twice");
            return;
        }
        TakeSingle(name, key, value);
    }
    CommunityRule Finish()
    {
        for (const std::string& text : Listed("filekey"))
            if (RuleFileKey file; ParseFileKey(text, file)) m_rule.files.push_back(file); else Fail("malformed FileKey: " + text);
        for (const std::string& text : Listed("regkey"))
            if (RuleRegKey key; ParseRegKey(text, key)) m_rule.keys.push_back(key); else Fail("malformed RegKey: " + text);
        for (const std::string& text : Listed("excludekey"))
            if (RuleExclude exclude; ParseExclude(text, exclude)) m_rule.excludes.push_back(exclude);
            else Fail("malformed ExcludeKey: " + text);
        m_rule.detectKeys = Listed("detect");
        m_rule.detectFiles = Listed("detectfile");
        for (const std::string& path : m_rule.detectFiles)
            if (!PlainPath(path)) Fail("malformed DetectFile: " + path);
        if (m_rule.files.empty() && m_rule.keys.empty()) Fail("it names nothing to remove");
        return std::move(m_rule);
    }

private:
    void TakeSingle(const std::string& name, std::string_view key, std::string_view value)
    {
        if (std::find(m_single.begin(), m_single.end(), name) != m_single.end())
            return Fail(std::string(key) + " is given twice");
        m_single.push_back(name);
        if (name == "langsecref") {
            const std::string digits(value);
            if (digits.empty() || digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
                return Fail("malformed LangSecRef");
            const int number = std::stoi(digits);
            m_rule.group = GroupOfLangSecRef(number);
            m_rule.groupLabel = LangSecRefLabel(number);
        } else if (name == "section") {
            m_rule.group = GroupOfSection(value);
            m_rule.groupLabel = value;
        } else if (name == "detectos") {
            m_rule.detectOs = value;
            if (!OsVersionWithin(value, 10, 0).has_value()) Fail("malformed DetectOS");
        } else if (name == "specialdetect") {
            m_rule.specialDetect = value;
        } else if (name == "warning") {
            m_rule.warning = value;
        } else if (name != "default") {
            Fail("unknown key " + std::string(key));
        }
    }
    // The numbered values 1, 2, ... up to the first gap; an unnumbered one (Detect=) first.
    std::vector<std::string> Listed(const std::string& name)
    {
        std::vector<std::string> values;
        const auto numbered = m_numbered.find(name);
        if (numbered == m_numbered.end()) return values;
        std::map<int, std::string>& found = numbered->second;
        if (const auto plain = found.find(0); plain != found.end()) values.push_back(std::move(plain->second));
        int expected = 1;
        for (auto next = found.find(1); next != found.end() && next->first == expected; ++next, ++expected)
            values.push_back(std::move(next->second));
        return values;
    }

    CommunityRule m_rule;
    std::map<std::string, std::map<int, std::string>> m_numbered;
    std::vector<std::string> m_single;  // the keys given once
};

bool LooksLikeUtf16(std::string_view bytes)
{
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
        return true;
    // Text in UTF-16 without a mark: every other byte of its ASCII is NUL.
    const size_t sample = std::min<size_t>(bytes.size(), 64);
    const auto nuls = static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(sample), '\0'));
    return sample >= 8 && nuls >= sample / 3;
}

struct HiveName {
    const char* shortName;
    const char* longName;
    DetectHive hive;
};
const HiveName kHives[] = {
    {"hkcu", "hkey_current_user", DetectHive::CurrentUser},
    {"hklm", "hkey_local_machine", DetectHive::LocalMachine},
    {"hku", "hkey_users", DetectHive::Users},
    {"hkcr", "hkey_classes_root", DetectHive::ClassesRoot},
};

// A key's hive and its steps below it joined by single backslashes.
std::optional<DetectKeyPath> ParseAnyKey(std::string_view text)
{
    const std::vector<std::string_view> steps = Split(text, '\\');
    const std::string root = AsciiLowered(Trimmed(steps.front()));
    const auto hive = std::find_if(std::begin(kHives), std::end(kHives),
                                   [&](const HiveName& name) { return root == name.shortName || root == name.longName; });
    if (hive == std::end(kHives)) return std::nullopt;
    DetectKeyPath key{hive->hive, {}};
    for (size_t i = 1; i < steps.size(); ++i)
        if (!steps[i].empty()) (key.path += key.path.empty() ? "" : "\\") += steps[i];
    return key;
}

// "; Version: 250321": what follows the colon, when it is short printable ASCII.
std::optional<std::string> VersionOfComment(std::string_view line)
{
    line = Trimmed(line.substr(1));
    constexpr std::string_view kTag = "version:";
    if (line.size() <= kTag.size() || AsciiLowered(line.substr(0, kTag.size())) != kTag) return std::nullopt;
    const std::string_view version = Trimmed(line.substr(kTag.size()));
    if (version.empty() || version.size() > 40) return std::nullopt;
    if (std::any_of(version.begin(), version.end(), [](char c) { return c < ' ' || c > '~'; })) return std::nullopt;
    return std::string(version);
}

}  // namespace

std::optional<RuleKeyPath> ParseRuleKey(std::string_view text)
{
    std::optional<DetectKeyPath> key = ParseAnyKey(text);
    if (!key || (key->hive != DetectHive::CurrentUser && key->hive != DetectHive::LocalMachine)) return std::nullopt;
    return RuleKeyPath{key->hive == DetectHive::LocalMachine, std::move(key->path)};
}

std::optional<DetectKeyPath> ParseDetectKey(std::string_view text) { return ParseAnyKey(text); }

std::string ShownKey(const RuleKeyPath& key)
{
    return std::string(key.machine ? "HKLM" : "HKCU") + (key.path.empty() ? "" : "\\" + key.path);
}

RuleGroup GroupOfLangSecRef(int number)
{
    for (const LangSecRef& ref : kLangSecRefs)
        if (ref.number == number) return ref.group;
    return RuleGroup::Applications;
}

std::string LangSecRefLabel(int number)
{
    for (const LangSecRef& ref : kLangSecRefs)
        if (ref.number == number) return ref.label;
    return "Group " + std::to_string(number);
}

RuleGroup GroupOfSection(std::string_view section)
{
    const std::string lower = AsciiLowered(Trimmed(section));
    if (lower == "windows") return RuleGroup::Windows;
    for (const char* word : kInternetSections)
        if (lower.find(word) != std::string::npos) return RuleGroup::Internet;
    return RuleGroup::Applications;
}

std::optional<bool> OsVersionWithin(std::string_view range, int major, int minor)
{
    const std::vector<std::string_view> bounds = Split(range, '|');
    if (bounds.size() != 2 || (bounds[0].empty() && bounds[1].empty())) return std::nullopt;
    const auto parse = [](std::string_view text, int& maj, int& min) {
        const std::vector<std::string_view> parts = Split(text, '.');
        if (parts.size() > 2) return false;
        for (const std::string_view part : parts)
            if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) return false;
        maj = std::stoi(std::string(parts[0]));
        min = parts.size() == 2 ? std::stoi(std::string(parts[1])) : 0;
        return true;
    };
    const int version = major * 1000 + minor;
    int low = 0, high = 99999, maj = 0, min = 0;
    if (!bounds[0].empty()) {
        if (!parse(bounds[0], maj, min)) return std::nullopt;
        low = maj * 1000 + min;
    }
    if (!bounds[1].empty()) {
        if (!parse(bounds[1], maj, min)) return std::nullopt;
        high = maj * 1000 + min;
    }
    return low <= version && version <= high;
}

RulesFile ParseRules(std::string_view bytes)
{
    RulesFile file;
    if (LooksLikeUtf16(bytes)) {
        file.error = "it is not UTF-8 text (UTF-16?)";
        return file;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::unique_ptr<RuleBuilder> rule;
    const auto finish = [&] {
        if (rule) file.rules.push_back(rule->Finish());
        rule.reset();
    };
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const bool tooLong = line.size() > kLongestLine;
        const bool holdsNul = line.find('\0') != std::string_view::npos;
        line = Trimmed(line);
        if (!rule && file.version.empty() && !line.empty() && line.front() == ';' && !tooLong)
            file.version = VersionOfComment(line).value_or("");
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            finish();
            const size_t close = line.find(']');
            rule = std::make_unique<RuleBuilder>(
                std::string(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            if (close == std::string_view::npos || close + 1 != line.size()) rule->Fail("malformed section header");
            if (holdsNul || tooLong) rule->Fail(holdsNul ? "a line holds a NUL byte" : "a line is too long");
            continue;
        }
        if (!rule) continue;  // before the first section: a file's own header
        if (holdsNul || tooLong) {
            rule->Fail(holdsNul ? "a line holds a NUL byte" : "a line is too long");
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            rule->Fail("a line without a key: " + std::string(line.substr(0, 80)));
            continue;
        }
        rule->Take(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
    }
    finish();
    return file;
}

std::string RulesTextRefusal(std::string_view bytes, const RulesFile& parsed)
{
    if (!parsed.error.empty()) return parsed.error;
    if (!IsUtf8(bytes)) return "it is not UTF-8 text";
    const bool anyRule = std::any_of(parsed.rules.begin(), parsed.rules.end(),
                                     [](const CommunityRule& rule) { return rule.unavailable.empty(); });
    return anyRule ? std::string() : "it holds no rule";
}

std::vector<CommunityRule> MergeRules(std::vector<CommunityRule> shared, std::vector<CommunityRule> user)
{
    std::unordered_map<std::string, size_t> byName;  // thousands of rules: no search of the whole list each
    for (size_t i = 0; i < shared.size(); ++i) byName.emplace(AsciiLowered(shared[i].name), i);
    for (CommunityRule& mine : user) {
        const auto [at, added] = byName.emplace(AsciiLowered(mine.name), shared.size());
        if (added)
            shared.push_back(std::move(mine));
        else
            shared[at->second] = std::move(mine);
    }
    return shared;
}
