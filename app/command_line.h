#pragma once
#include <map>
#include <string>

// The command line as the application reads it: a parameter starting with "/" or "-" is a switch
// (stored as "TRUE"); a plain parameter right after a switch becomes that switch's value.
// Lookups are exact and case-sensitive.
class AppCommandLineInfo {
public:
    void ParseParam(const char* parameter);
    void Parse(int argc, char** argv);
    bool Has(const std::string& name) const { return m_switches.count(name) != 0; }
    std::string Value(const std::string& name) const;

private:
    std::map<std::string, std::string> m_switches;
    std::string m_lastSwitch;
};
