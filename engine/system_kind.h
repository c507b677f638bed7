#pragma once
#include <windows.h>

// What the forms cleaner needs to know of the system: the kinds that keep a Protected Storage.
namespace SystemKind {
inline constexpr int QueryFailed = -1;
inline constexpr int Other = 0;
inline constexpr int Windows95 = 1;
inline constexpr int Windows98 = 2;
inline constexpr int WindowsMe = 3;
inline constexpr int WindowsNT4 = 4;
inline constexpr int Windows2000 = 6;
inline constexpr int WindowsXP = 7;
inline constexpr int Win32s = 8;
}  // namespace SystemKind

// The kind a filled version record gives, starting from the kind it had.
int ClassifySystem(const OSVERSIONINFOA& version, int kind = SystemKind::Other);
// Classifies the running system once, at start-up, before the settings are loaded.
void DetectSystemKind();
int CurrentSystemKind();
void SetSystemKind(int kind);  // for the tests of the forms cleaner
