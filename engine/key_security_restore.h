#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Puts a key's DACL back as it was when this object was made, whatever happens in between, through
// the sweep's seam (a preview changed nothing, and puts nothing back); a key that is gone by then
// needs nothing.
class CKeySecurityRestore {
public:
    CKeySecurityRestore(HKEY root, std::string path);
    ~CKeySecurityRestore();
    CKeySecurityRestore(const CKeySecurityRestore&) = delete;
    CKeySecurityRestore& operator=(const CKeySecurityRestore&) = delete;

private:
    HKEY m_root;
    std::string m_path;
    std::vector<BYTE> m_saved;
    bool m_haveSaved;
};
