#pragma once

// The Applications category's cleaners, called by its worker in this order when their bits are set.
void CleanWord(int* counter, float* kb);
void CleanExcel(int* counter, float* kb);
void CleanAccess(int* counter, float* kb);
void CleanPowerPoint(int* counter, float* kb);
// The other applications' header line, then each by its own bit.
void StartOtherApplications(int* counter, float* kb);
void CleanAcrobatReader(int* counter, float* kb);
void CleanMediaPlayer(int* counter, float* kb);
// RealPlayer's lists, then RealOne's user data and cookies.
void CleanRealPlayer(int* counter, float* kb);
// The caches of packaged apps and of embedded web views, never their cookies or storage.
void CleanAppWebCaches(int* counter, float* kb);
