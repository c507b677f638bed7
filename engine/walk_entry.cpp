#include "engine/walk_entry.h"
#include "engine/sweep_log.h"

namespace {

const char* NameProblem(const CFileFind& find)
{
    const std::string& name = find.GetFileName();
    if (find.IsNameLossy()) return "its name has no exact form in this code page";
    if (name.find_first_not_of(". ") == std::string::npos) return "its name is made of dots and blanks";
    for (unsigned char c : name)
        if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return "its name holds a character no Windows name may hold";
    return nullptr;
}

}  // namespace

bool AdmitEntry(const CFileFind& find, const std::string& finalFolder, FileIdentity& identity)
{
    const std::string path = find.GetFilePath();
    if (const char* problem = NameProblem(find)) {
        TraceMessage("   Passed over %s: %s.\n", path.c_str(), problem);
        return false;
    }
    if (!FileSystem::Identify(path, identity, find.IsDirectory())) {
        TraceMessage("   Passed over %s: it cannot be opened under that name.\n", path.c_str());
        return false;
    }
    if (!FileSystem::SamePath(identity.finalPath, finalFolder + "\\" + find.GetFileName())) {
        TraceMessage("   Passed over %s: it leads to %s.\n", path.c_str(), identity.finalPath.c_str());
        return false;
    }
    return true;
}
