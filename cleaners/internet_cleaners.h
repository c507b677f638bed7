#pragma once

// The Internet category's cleaners, called by its worker in this order when their bits are set.
void CleanTemporaryInternetFiles(int* counter, float* kb);
void CleanCookies(int* counter, float* kb);
void CleanInternetHistory(int* counter, float* kb);
void CleanAutoCompletePasswords(int* counter, float* kb);
void CleanAutoCompleteForms(int* counter, float* kb);
void CleanMsnToolbar(int* counter, float* kb);
void CleanGoogleToolbar(int* counter, float* kb);
// The profiles of the old layout, then those of today's.
void CleanFirefox(int* counter, float* kb);
// The Chromium family (Chrome's channels; Edge's; Brave, Vivaldi, Chromium and Opera under "Other
// Browsers") and the Firefox forks, by the browser table, every profile of each.
void CleanChrome(int* counter, float* kb);
void CleanEdge(int* counter, float* kb);
void CleanOtherBrowsers(int* counter, float* kb);
void CleanAol(int* counter, float* kb);
