#include "app/command_line.h"

void AppCommandLineInfo::ParseParam(const char* parameter)
{
    if (parameter[0] == '/' || parameter[0] == '-') {
        m_lastSwitch = parameter + 1;
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
