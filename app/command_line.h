#pragma once
#include <initializer_list>
#include <map>
#include <string>

// The command line as the application reads it: a parameter starting with "/" or "-" is a switch
// (stored as "TRUE"); its value follows a colon in the same parameter ("/only:a,b"), or is the plain
// parameter right after it. Lookups are exact and case-sensitive.
class AppCommandLineInfo {
public:
    void ParseParam(const char* parameter);
    void Parse(int argc, char** argv);
    bool Has(const std::string& name) const { return m_switches.count(name) != 0; }
    std::string Value(const std::string& name) const;
    // The first switch (in name order) that is not one of these; empty when all are.
    std::string FirstOtherThan(std::initializer_list<const char*> known) const;

private:
    std::map<std::string, std::string> m_switches;
    std::string m_lastSwitch;
};
