#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The community rules format (winapp2.ini), read into plain data: no rule is trusted here, only
// checked for form. Portable code, built natively as well for the fuzzer.

// Which category's worker runs a rule.
enum class RuleGroup { Applications, Internet, Windows };

// FileKeyN=folder|pattern[;pattern...][|RECURSE|REMOVESELF]
struct RuleFileKey {
    std::string folder;
    std::vector<std::string> patterns;  // file-name wildcards, matched against long names
    bool recurse = false;
    bool removeSelf = false;
};

// RegKeyN=HKCU\key or HKCU\key|value
struct RuleRegKey {
    std::string key;  // with its root as written ("HKCU\Software\Tool")
    std::optional<std::string> value;
};

// ExcludeKeyN=FILE|folder\|name[;name...], PATH|folder\|mask[;mask...], REG|key or REG|key|value: read
// with the grammar of the keys they keep (a folder's '*' steps, a list of masks).
struct RuleExclude {
    enum class Kind { File, Path, Registry } kind;
    std::string where;               // the folder (ending without a backslash) or the key
    std::vector<std::string> masks;  // the names or masks of FILE and PATH
    std::optional<std::string> value;  // the one value REG keeps, else the whole key
};

// A registry key of a rule in one form however it was written: its hive (HKCU or HKLM, short or
// long, in any case) and its steps below it joined by single backslashes, none empty.
struct RuleKeyPath {
    bool machine;      // HKLM, else HKCU
    std::string path;  // below the hive
};
// None for another hive.
std::optional<RuleKeyPath> ParseRuleKey(std::string_view text);

// A Detect's key, which is only read, so it may lie in any hive a rule names: HKCU, HKLM, HKU or HKCR,
// short or long, in any case.
enum class DetectHive { CurrentUser, LocalMachine, Users, ClassesRoot };
struct DetectKeyPath {
    DetectHive hive;
    std::string path;  // below the hive, as RuleKeyPath's
};
std::optional<DetectKeyPath> ParseDetectKey(std::string_view text);
// The key named from its hive, as lines show it: "HKCU\Software\Tool".
std::string ShownKey(const RuleKeyPath& key);

struct CommunityRule {
    std::string name;  // the section name exactly as written, " *" and all
    RuleGroup group = RuleGroup::Applications;
    std::string groupLabel;  // what the list groups it under
    std::vector<std::string> detectKeys;
    std::vector<std::string> detectFiles;
    std::string detectOs;
    std::string specialDetect;
    std::string warning;
    std::vector<RuleFileKey> files;
    std::vector<RuleRegKey> keys;
    std::vector<RuleExclude> excludes;
    std::string unavailable;  // why the rule cannot run; empty when it can
};

struct RulesFile {
    std::vector<CommunityRule> rules;
    std::string version;  // the header's "; Version:" line, printable ASCII only; empty when there is none
    std::string error;  // why the whole file was not read (not UTF-8 text); empty when it was
};

// Reads a file's bytes: UTF-8 with or without a byte-order mark, CRLF or LF, ';' comments.
RulesFile ParseRules(std::string_view bytes);
// Why bytes from elsewhere (a download) may not become the user's rules file: they are not UTF-8
// text, or the parser reads no rule that may run in them (an error page, a cut or empty file); empty
// when they may.
std::string RulesTextRefusal(std::string_view bytes, const RulesFile& parsed);
// The rules of both files: a section of the user's file replaces the section of the same name
// (without regard to case) in the other.
std::vector<CommunityRule> MergeRules(std::vector<CommunityRule> shared, std::vector<CommunityRule> user);

// The category of a LangSecRef number or a Section= text, and the label the list shows.
RuleGroup GroupOfLangSecRef(int number);
RuleGroup GroupOfSection(std::string_view section);
std::string LangSecRefLabel(int number);
// "6.1|10.0", "|6.3", "10.0|": whether a Windows version (major.minor) is within; none when malformed.
std::optional<bool> OsVersionWithin(std::string_view range, int major, int minor);
