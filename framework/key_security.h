#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The security routines that open a protected registry key for deletion and put it back.
namespace KeySecurity {
// A copy of the current user's SID; empty when the token cannot be read.
std::vector<BYTE> CurrentUserSid();
// "S-1-5-21-..." of a SID.
std::string SidText(PSID sid);
// The key's DACL as a self-relative descriptor; false when the key cannot be read.
bool Save(HKEY root, const std::string& path, std::vector<BYTE>& descriptor);
bool Apply(HKEY root, const std::string& path, PSECURITY_DESCRIPTOR descriptor, bool recursive);
}  // namespace KeySecurity

// A descriptor whose DACL grants full access to the user and to LocalSystem only, inherited below.
class CGrantingDescriptor {
public:
    explicit CGrantingDescriptor(PSID user);
    ~CGrantingDescriptor();
    CGrantingDescriptor(const CGrantingDescriptor&) = delete;
    CGrantingDescriptor& operator=(const CGrantingDescriptor&) = delete;
    explicit operator bool() const { return m_valid; }
    PSECURITY_DESCRIPTOR Get() { return &m_descriptor; }

private:
    PSID m_system = nullptr;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor{};
    bool m_valid = false;
};
