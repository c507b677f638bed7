#pragma once
#include <windows.h>
#include <span>

// What a control fixed by the administrator's policy says when the mouse rests on it.
inline constexpr const char* kFixedByPolicyTip = "Set by your administrator.";

// Disables each control of a dialog that the policy fixes and gives it the tooltip above. A disabled
// control gets no mouse messages, so the tip belongs to the dialog, over the control's rectangle.
void ShowFixedByPolicy(HWND dialog, std::span<const int> controls);
