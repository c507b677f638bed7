#include "cleaners/community_rules.h"
#include <windows.h>
#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_set>
#include "cleaners/browser_profile.h"
#include "cleaners/rule_targets.h"
#include "cleaners/tree_presence.h"
#include "engine/protected_keys.h"
#include "framework/file.h"
#include "framework/registry_key.h"
#include "framework/trace.h"

namespace {


std::mutex g_lock;
std::shared_ptr<const RuleCatalogue> g_catalogue;

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    CFileHandle file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) return false;
    char buffer[64 * 1024];
    for (DWORD read = 0; file.Read(buffer, sizeof buffer, read) && read > 0;) {
        bytes.append(buffer, read);
        if (bytes.size() > kLargestRulesFile) return false;
    }
    return true;
}

// A UTF-8 text in the ANSI code page, exactly or not at all: a best fit could name another file.
bool ToAnsi(std::string& text)
{
    // ASCII is the same in every ANSI code page.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return true;
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return false;
    std::wstring wideText(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wideText.data(), wide);
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wideText.data(), wide, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wideText.data(), wide, ansi.data(), size, nullptr, nullptr);
    text = std::move(ansi);
    return true;
}

bool RuleToAnsi(CommunityRule& rule)
{
    bool exact = ToAnsi(rule.name) && ToAnsi(rule.groupLabel) && ToAnsi(rule.warning);
    for (std::string& text : rule.detectKeys) exact = ToAnsi(text) && exact;
    for (std::string& text : rule.detectFiles) exact = ToAnsi(text) && exact;
    for (RuleFileKey& file : rule.files) {
        exact = ToAnsi(file.folder) && exact;
        for (std::string& pattern : file.patterns) exact = ToAnsi(pattern) && exact;
    }
    for (RuleRegKey& key : rule.keys) exact = ToAnsi(key.key) && (!key.value || ToAnsi(*key.value)) && exact;
    for (RuleExclude& exclude : rule.excludes) {
        exact = ToAnsi(exclude.where) && (!exclude.value || ToAnsi(*exclude.value)) && exact;
        for (std::string& mask : exclude.masks) exact = ToAnsi(mask) && exact;
    }
    return exact;
}

// An exclusion whose folder names a reference Ombrix does not know keeps what cannot be told: the
// rule does not run at all.
void CheckExclusions(CommunityRule& rule)
{
    for (const RuleExclude& exclude : rule.excludes)
        if (exclude.kind != RuleExclude::Kind::Registry && !KnownReferences(exclude.where) && rule.unavailable.empty())
            rule.unavailable = "ExcludeKey " + exclude.where + " names a folder Ombrix does not know";
}

std::vector<CommunityRule> ReadRulesFile(const std::string& path, std::vector<std::string>& files)
{
    std::string bytes;
    if (!FileSystem::Exists(path)) return {};
    if (!ReadWholeFile(path, bytes)) {
        files.push_back(path + ": it cannot be read");
        return {};
    }
    RulesFile parsed = ParseRules(bytes);
    if (!parsed.error.empty()) {
        files.push_back(path + ": " + parsed.error);
        return {};
    }
    for (CommunityRule& rule : parsed.rules) {
        if (!RuleToAnsi(rule) && rule.unavailable.empty()) rule.unavailable = "a text the code page cannot hold";
        CheckExclusions(rule);
        if (!rule.unavailable.empty()) TraceMessage("Rule %s unavailable: %s\n", rule.name.c_str(), rule.unavailable.c_str());
    }
    files.push_back(path + " (" + std::to_string(parsed.rules.size()) + " rules" +
                    (parsed.version.empty() ? "" : ", version " + parsed.version) + ")");
    return parsed.rules;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::string program(path, n);
    return program.substr(0, program.find_last_of('\\'));
}

struct SpecialDetect {
    const char* code;
    const char* folder;  // read as a DetectFile
};
// The browsers the community files name by code, found where the browser walks find them.
const SpecialDetect kSpecialDetects[] = {
    {"DET_CHROME", "%LocalAppData%\\Google\\Chrome\\User Data"},
    {"DET_MOZILLA", "%AppData%\\Mozilla\\Firefox"},
    {"DET_THUNDERBIRD", "%AppData%\\Thunderbird"},
    {"DET_OPERA", "%AppData%\\Opera Software\\Opera Stable"},
};

bool SpecialDetected(const std::string& code, FilePresence& files)
{
    for (const SpecialDetect& special : kSpecialDetects)
        if (lstrcmpiA(special.code, code.c_str()) == 0) return files.Exists(special.folder);
    return false;  // a code this program does not know
}

bool WindowsVersionWithin(const std::string& range)
{
    static const OSVERSIONINFOA version = [] {
        OSVERSIONINFOA found{};
        found.dwOSVersionInfoSize = sizeof found;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExA(&found);  // the manifest makes it tell the truth
#pragma GCC diagnostic pop
        return found;
    }();
    return OsVersionWithin(range, static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion))
        .value_or(false);
}

constexpr DWORD kLongestListing = 4096;  // subkeys; a key with more (HKCR's own) is asked key by key

std::string FoldedKey(std::string text)
{
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The names of a key's subkeys, exactly as the code page holds them (another is left out, as it can
// be no rule's); none when the key has too many.
std::optional<std::vector<std::string>> SubkeyNames(HKEY root, const std::string& path)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
    const KeyOwner key(opened);
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        count > kLongestListing)
        return std::nullopt;
    std::vector<std::string> names;
    std::vector<wchar_t> name(longest + 2);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(name.size());
        const LONG found = RegEnumKeyExW(opened, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        if (found != ERROR_SUCCESS) return std::nullopt;
        if (std::string narrow; FileSystem::Narrow(name.data(), narrow)) names.push_back(std::move(narrow));
    }
    return names;
}

// What detection found of each key, so that thousands of rules ask the registry little: each hive's
// keys as a tree, a key below a missing one missing too. Only read: any hive will do.
class KeyPresence {
public:
    bool Exists(const std::string& text)
    {
        const std::optional<DetectKeyPath> key = ParseDetectKey(text);
        if (!key) return false;
        std::vector<std::string> steps;
        for (size_t start = 0; start < key->path.size();) {
            const size_t end = std::min(key->path.find('\\', start), key->path.size());
            steps.push_back(key->path.substr(start, end - start));
            start = end + 1;
        }
        return Tree(key->hive).Exists(steps);
    }

private:
    TreePresence& Tree(DetectHive hive)
    {
        const auto index = static_cast<size_t>(hive);
        if (!m_trees[index]) {
            const HKEY root = Root(hive);
            m_trees[index].emplace([root](const std::string& path) { return KeyExists(root, path.c_str()); },
                                   [root](const std::string& path) { return SubkeyNames(root, path); }, FoldedKey);
        }
        return *m_trees[index];
    }
    static HKEY Root(DetectHive hive)
    {
        switch (hive) {
        case DetectHive::LocalMachine: return HKEY_LOCAL_MACHINE;
        case DetectHive::Users: return HKEY_USERS;
        case DetectHive::ClassesRoot: return HKEY_CLASSES_ROOT;
        case DetectHive::CurrentUser: break;
        }
        return HKEY_CURRENT_USER;
    }
    std::optional<TreePresence> m_trees[4];
};

// What one detection has found so far.
struct Presence {
    KeyPresence keys;
    FilePresence files;
};

// Detect, DetectFile and SpecialDetect are alternatives: the program is there when any one of them
// finds it. DetectOS is a condition of its own.
bool Detected(const CommunityRule& rule, Presence& presence)
{
    if (!rule.detectOs.empty() && !WindowsVersionWithin(rule.detectOs)) return false;
    if (rule.detectKeys.empty() && rule.detectFiles.empty() && rule.specialDetect.empty()) return true;
    return std::any_of(rule.detectKeys.begin(), rule.detectKeys.end(), [&](const std::string& key) { return presence.keys.Exists(key); }) ||
           (!rule.specialDetect.empty() && SpecialDetected(rule.specialDetect, presence.files)) ||
           std::any_of(rule.detectFiles.begin(), rule.detectFiles.end(),
                       [&](const std::string& path) { return presence.files.Exists(path); });
}

}  // namespace

std::string UserRulesPath()
{
    char appData[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(appData) + "\\Ombrix\\winapp2.ini";
}

void RefreshCommunityRules()
{
    auto catalogue = std::make_shared<RuleCatalogue>();
    const std::string folder = ProgramFolder();
    std::vector<CommunityRule> shared = folder.empty() ? std::vector<CommunityRule>{}
                                                       : ReadRulesFile(folder + "\\winapp2.ini", catalogue->files);
    const std::string userPath = UserRulesPath();
    std::vector<CommunityRule> user = userPath.empty() ? std::vector<CommunityRule>{}
                                                             : ReadRulesFile(userPath, catalogue->files);
    catalogue->rules = MergeRules(std::move(shared), std::move(user));
    std::lock_guard<std::mutex> hold(g_lock);
    g_catalogue = std::move(catalogue);
}

std::shared_ptr<const RuleCatalogue> CommunityRules()
{
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_catalogue) return g_catalogue;
    }
    RefreshCommunityRules();
    std::lock_guard<std::mutex> hold(g_lock);
    return g_catalogue;
}

std::vector<bool> DetectRules(const std::vector<CommunityRule>& rules)
{
    Presence presence;
    std::vector<bool> detected;
    detected.reserve(rules.size());
    for (const CommunityRule& rule : rules) detected.push_back(Detected(rule, presence));
    return detected;
}

std::vector<const CommunityRule*> RulesToSweep(const RuleCatalogue& catalogue, RuleGroup group,
                                               const std::vector<std::string>& ticked)
{
    const std::unordered_set<std::string> names(ticked.begin(), ticked.end());
    Presence presence;
    std::vector<const CommunityRule*> rules;
    for (const CommunityRule& rule : catalogue.rules)
        if (rule.group == group && rule.unavailable.empty() && names.count(rule.name) && Detected(rule, presence))
            rules.push_back(&rule);
    return rules;
}

std::vector<std::string> RuleRefusals(const CommunityRule& rule)
{
    std::vector<std::string> refusals;
    for (const RuleExclude& exclude : rule.excludes)
        if (exclude.kind != RuleExclude::Kind::Registry && !ExpandRulePath(exclude.where))
            return {"all of it: the exclusion " + exclude.where + " names no folder here"};
    for (const RuleFileKey& key : rule.files)
        if (std::string refusal = FileKeyRefusal(key); !refusal.empty()) refusals.push_back(std::move(refusal));
    for (const RuleRegKey& text : rule.keys) {
        const std::optional<RuleKeyPath> key = ParseRuleKey(text.key);
        const std::string refusal = key ? KeptKeyRefusal(key->path) : "is not a key of HKCU or HKLM";
        if (!refusal.empty()) refusals.push_back((key ? ShownKey(*key) : text.key) + " " + refusal);
    }
    return refusals;
}
