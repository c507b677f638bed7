#include "engine/key_security_restore.h"
#include "engine/sweep_actions.h"
#include "framework/key_security.h"

CKeySecurityRestore::CKeySecurityRestore(HKEY root, std::string path)
    : m_root(root), m_path(std::move(path)), m_haveSaved(KeySecurity::Save(m_root, m_path, m_saved))
{
}

CKeySecurityRestore::~CKeySecurityRestore()
{
    if (m_haveSaved && !m_saved.empty()) Actions().SetKeySecurity(m_root, m_path, m_saved.data(), false);
}
