#include "framework/key_security.h"
#include "framework/registry_key.h"
#include <cstdio>

namespace KeySecurity {

std::vector<BYTE> CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    std::vector<BYTE> copy;
    if (!GetTokenInformation(token, TokenUser, nullptr, 0, &size) && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<BYTE> user(size);
        if (GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
            copy.resize(GetLengthSid(sid));
            if (!CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) copy.clear();
        }
    }
    CloseHandle(token);
    return copy;
}

std::string SidText(PSID sid)
{
    char part[16];
    snprintf(part, sizeof part, "S-1-%lu", static_cast<unsigned long>(GetSidIdentifierAuthority(sid)->Value[5]));
    std::string text = part;
    for (DWORD i = 0; i < *GetSidSubAuthorityCount(sid); ++i) {
        snprintf(part, sizeof part, "-%lu", static_cast<unsigned long>(*GetSidSubAuthority(sid, i)));
        text += part;
    }
    return text;
}

bool Save(HKEY root, const std::string& path, std::vector<BYTE>& descriptor)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &opened) != ERROR_SUCCESS) return false;
    const KeyOwner key(opened);
    DWORD size = 0;
    LONG result = RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, nullptr, &size);
    descriptor.clear();
    if (result == ERROR_INSUFFICIENT_BUFFER) {
        descriptor.resize(size);
        result = RegGetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
        if (result != ERROR_SUCCESS) descriptor.clear();
    }
    return result == ERROR_SUCCESS;
}

bool Apply(HKEY root, const std::string& path, PSECURITY_DESCRIPTOR descriptor, bool recursive)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) return false;
    const bool applied = RegSetKeySecurity(KeyOwner(opened).get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    if (!recursive || RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return applied;
    std::vector<std::string> names;
    {
        const KeyOwner key(opened);
        char name[261];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            const LONG result = RegEnumKeyExA(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result == ERROR_SUCCESS) names.emplace_back(name, length);
        }
    }
    for (const std::string& sub : names) Apply(root, path + "\\" + sub, descriptor, true);
    return applied;
}

}  // namespace KeySecurity

CGrantingDescriptor::CGrantingDescriptor(PSID user)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!user || !AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &m_system)) return;
    m_acl.resize(GetLengthSid(user) + GetLengthSid(m_system) + 24);
    auto* acl = reinterpret_cast<PACL>(m_acl.data());
    m_valid = InitializeAcl(acl, static_cast<DWORD>(m_acl.size()), ACL_REVISION2) &&
              AddAccessAllowedAceEx(acl, ACL_REVISION2, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS, user) &&
              AddAccessAllowedAceEx(acl, ACL_REVISION2, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS, m_system) &&
              InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE);
}

CGrantingDescriptor::~CGrantingDescriptor()
{
    if (m_system) FreeSid(m_system);
}
