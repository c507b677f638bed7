#include "cleaners/community_rules.h"
#include <windows.h>
#include <algorithm>
#include <map>
#include <mutex>
#include "cleaners/browser_profile.h"
#include "cleaners/rule_targets.h"
#include "engine/protected_keys.h"
#include "framework/file.h"
#include "framework/registry_key.h"
#include "framework/trace.h"

namespace {

constexpr DWORD kLargestFile = 32u << 20;  // a community file of every rule there is is a few MB

std::mutex g_lock;
std::shared_ptr<const RuleCatalogue> g_catalogue;

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    CFileHandle file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) return false;
    char buffer[64 * 1024];
    for (DWORD read = 0; file.Read(buffer, sizeof buffer, read) && read > 0;) {
        bytes.append(buffer, read);
        if (bytes.size() > kLargestFile) return false;
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

// A rule whose detection names a key the system keeps is not trusted to tell anything.
void CheckDetectKeys(CommunityRule& rule)
{
    for (const std::string& text : rule.detectKeys) {
        const std::optional<RuleKeyPath> key = ParseRuleKey(text);
        const std::string refusal = key ? KeptKeyRefusal(key->path, KeyUse::Detect) : "is not a key of HKCU or HKLM";
        if (refusal.empty()) continue;
        if (rule.unavailable.empty()) rule.unavailable = "Detect " + text + " " + refusal;
    }
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
        CheckDetectKeys(rule);
        CheckExclusions(rule);
        if (!rule.unavailable.empty()) TraceMessage("Rule %s unavailable: %s\n", rule.name.c_str(), rule.unavailable.c_str());
    }
    files.push_back(path + " (" + std::to_string(parsed.rules.size()) + " rules)");
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

std::string UserRulesPath()
{
    char appData[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(appData) + "\\Ombrix\\winapp2.ini";
}

struct SpecialDetect {
    const char* code;
    const char* shellFolder;
    const char* relative;
};
// The browsers the community files name by code, found where the browser walks find them.
const SpecialDetect kSpecialDetects[] = {
    {"DET_CHROME", "Local AppData", "Google\\Chrome\\User Data"},
    {"DET_MOZILLA", "AppData", "Mozilla\\Firefox"},
    {"DET_THUNDERBIRD", "AppData", "Thunderbird"},
    {"DET_OPERA", "AppData", "Opera Software\\Opera Stable"},
};

bool SpecialDetected(const std::string& code)
{
    for (const SpecialDetect& special : kSpecialDetects) {
        if (lstrcmpiA(special.code, code.c_str()) != 0) continue;
        const std::optional<std::string> base = ShellFolderPath(special.shellFolder);
        return base && FileSystem::Exists(*base + "\\" + special.relative);
    }
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

// What detection found of each key, so that thousands of rules open each key (and each missing
// vendor's key) once: a key below a missing one is missing too.
class KeyPresence {
public:
    bool Exists(const std::string& text)
    {
        const std::optional<RuleKeyPath> key = ParseRuleKey(text);
        return key && Exists(key->machine, key->path);
    }

private:
    bool Exists(bool machine, const std::string& path)
    {
        std::string folded = (machine ? "M\\" : "U\\") + path;
        CharLowerBuffA(folded.data(), static_cast<DWORD>(folded.size()));
        if (const auto known = m_known.find(folded); known != m_known.end()) return known->second;
        const size_t slash = path.find_last_of('\\');
        const bool parentThere = slash == std::string::npos || Exists(machine, path.substr(0, slash));
        const bool there = parentThere && KeyExists(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, path.c_str());
        m_known.emplace(std::move(folded), there);
        return there;
    }
    std::map<std::string, bool> m_known;
};

bool Detected(const CommunityRule& rule, KeyPresence& keys)
{
    if (!rule.detectKeys.empty() &&
        std::none_of(rule.detectKeys.begin(), rule.detectKeys.end(), [&](const std::string& key) { return keys.Exists(key); }))
        return false;
    if (!rule.detectFiles.empty() &&
        std::none_of(rule.detectFiles.begin(), rule.detectFiles.end(), [](const std::string& path) { return RuleFileExists(path); }))
        return false;
    if (!rule.detectOs.empty() && !WindowsVersionWithin(rule.detectOs)) return false;
    return rule.specialDetect.empty() || SpecialDetected(rule.specialDetect);
}

}  // namespace

void RefreshCommunityRules()
{
    auto catalogue = std::make_shared<RuleCatalogue>();
    const std::string folder = ProgramFolder();
    std::vector<CommunityRule> shared = folder.empty() ? std::vector<CommunityRule>{}
                                                       : ReadRulesFile(folder + "\\winapp2.ini", catalogue->files);
    const std::string userPath = UserRulesPath();
    const std::vector<CommunityRule> user = userPath.empty() ? std::vector<CommunityRule>{}
                                                             : ReadRulesFile(userPath, catalogue->files);
    catalogue->rules = MergeRules(std::move(shared), user);
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

bool RuleDetected(const CommunityRule& rule)
{
    KeyPresence keys;
    return Detected(rule, keys);
}

std::vector<bool> DetectRules(const std::vector<CommunityRule>& rules)
{
    KeyPresence keys;
    std::vector<bool> detected;
    for (const CommunityRule& rule : rules) detected.push_back(Detected(rule, keys));
    return detected;
}
