#include "app/command_line.h"

void AppCommandLineInfo::ParseParam(const char* parameter)
{
    if (parameter[0] == '/' || parameter[0] == '-') {
        const std::string text = parameter + 1;
        const size_t colon = text.find(':');
        if (colon != std::string::npos) {
            m_switches[text.substr(0, colon)] = text.substr(colon + 1);
            m_lastSwitch.clear();
            return;
        }
        m_lastSwitch = text;
        m_switches[m_lastSwitch] = "TRUE";
    } else if (!m_lastSwitch.empty()) {
        m_switches[m_lastSwitch] = parameter;
        m_lastSwitch.clear();
    }
}

void AppCommandLineInfo::Parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) ParseParam(argv[i]);
}

std::string AppCommandLineInfo::Value(const std::string& name) const
{
    const auto found = m_switches.find(name);
    return found == m_switches.end() ? std::string() : found->second;
}

std::string AppCommandLineInfo::FirstOtherThan(std::initializer_list<const char*> known) const
{
    for (const auto& [name, value] : m_switches) {
        bool found = false;
        for (const char* k : known) found = found || name == k;
        if (!found) return name;
    }
    return {};
}
