#pragma once

class CSweepCoordinator;

// The Internet category's cleaners, called by its worker in this order when their bits are set.
void CleanTemporaryInternetFiles(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanCookies(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanInternetHistory(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanAutoCompletePasswords(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanAutoCompleteForms(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanMsnToolbar(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanGoogleToolbar(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanFirefoxOld(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanFirefox(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanChrome(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanAol(CSweepCoordinator* coordinator, int* counter, float* kb);
