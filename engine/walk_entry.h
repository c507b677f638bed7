#pragma once
#include <string>
#include "framework/file.h"
#include "framework/file_find.h"

// Whether the entry a search stands on may be opened, walked or removed under the path the walk
// builds from its folder and name: that path must lead to this entry and nothing else. It does not
// when the name is not held exactly by the code page, is made of dots and blanks, holds a separator,
// or resolves elsewhere (a link, or a name the path rules trim). The folder is given as the system
// resolved it. On false the entry is passed over with a trace; on true its identity is filled in.
bool AdmitEntry(const CFileFind& find, const std::string& finalFolder, FileIdentity& identity);
