#include "tests/support/scratch.h"
#include <shlwapi.h>
#include <atomic>
#include "tests/support/files.h"

namespace {
std::atomic<int> g_serial{0};
const char* const kScratchBase = "C:\\ombrix\\scratch";

std::string UniqueName()
{
    return std::to_string(GetCurrentProcessId()) + "." + std::to_string(++g_serial);
}

HKEY CreateKey(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}
}  // namespace

RegistryScratch::RegistryScratch() : m_base("Software\\OmbrixTests\\" + UniqueName())
{
    m_user = CreateKey(HKEY_CURRENT_USER, m_base + "\\User");
    m_machine = CreateKey(HKEY_CURRENT_USER, m_base + "\\Machine");
    if (!m_user || !m_machine) ADD_FAILURE() << "cannot create scratch keys";
    RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
}

RegistryScratch::~RegistryScratch()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (m_user) RegCloseKey(m_user);
    if (m_machine) RegCloseKey(m_machine);
    SHDeleteKeyA(HKEY_CURRENT_USER, m_base.c_str());
}

FolderScratch::FolderScratch() : m_root(std::string(kScratchBase) + "\\" + UniqueName())
{
    files::MakeDirs(m_root + "\\Temp");
    files::MakeDirs(m_root + "\\Profile\\AppData\\Roaming");
    files::MakeDirs(m_root + "\\Profile\\AppData\\Local");
    const std::pair<const char*, std::string> vars[] = {
        {"TEMP", m_root + "\\Temp"},
        {"TMP", m_root + "\\Temp"},
        {"TMPDIR", m_root + "\\Temp"},
        {"USERPROFILE", m_root + "\\Profile"},
        {"APPDATA", m_root + "\\Profile\\AppData\\Roaming"},
        {"LOCALAPPDATA", m_root + "\\Profile\\AppData\\Local"},
    };
    for (const auto& [name, value] : vars) {
        char old[2048];
        const DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
        m_savedEnv.emplace_back(name, n && n < sizeof old ? std::string(old) : std::string());
        SetEnvironmentVariableA(name, value.c_str());
    }
}

FolderScratch::~FolderScratch()
{
    for (const auto& [name, value] : m_savedEnv)
        SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    RemoveScratchTree(m_root);
}

void RemoveScratchTree(const std::string& folder)
{
    const std::string base = std::string(kScratchBase) + "\\";
    if (_strnicmp(folder.c_str(), base.c_str(), base.size()) != 0 || folder.find("..") != std::string::npos) {
        ADD_FAILURE() << "refusing to remove " << folder;
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            const DWORD attrs = data.dwFileAttributes;
            if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link: take away the link alone (Wine's RemoveDirectoryA would remove its target).
                if (!files::RemoveLink(path)) ADD_FAILURE() << "cannot remove link " << path;
            } else if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveScratchTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

void SandboxTest::SetUp()
{
    m_registry = std::make_unique<RegistryScratch>();
    m_files = std::make_unique<FolderScratch>();
}

void SandboxTest::TearDown()
{
    m_files.reset();
    m_registry.reset();
}

std::string SandboxTest::Path(const std::string& relative) const
{
    return relative.empty() ? m_files->Root() : m_files->Root() + "\\" + relative;
}
