#pragma once

// The Windows category's cleaners, called by its worker in this order when their bits are set.
void CleanRecycleBin(int* counter, float* kb);
void CleanDocumentHistory(int* counter, float* kb);
void CleanFindHistory(int* counter, float* kb);
void CleanRunHistory(int* counter, float* kb);
void CleanNetworkHistory(int* counter, float* kb);
void CleanTemporaryFiles(int* counter, float* kb);
void CleanLastLogonUser(int* counter, float* kb);
// Today's Windows: the shell's own histories, jump lists without pins, thumbnails, folder views,
// error reports, the DNS resolver cache and the clipboard.
void CleanExplorerHistories(int* counter, float* kb);
void CleanJumpLists(int* counter, float* kb);
void CleanThumbnailCache(int* counter, float* kb);
void CleanFolderViews(int* counter, float* kb);
void CleanErrorReports(int* counter, float* kb);
void CleanDnsCache(int* counter, float* kb);
void CleanClipboard(int* counter, float* kb);
// Windows 11's own apps: Notepad's saved tabs (never unsaved text), the Snipping Tool's clips, and
// the activity timeline.
void CleanNotepadSession(int* counter, float* kb);
void CleanScreenClips(int* counter, float* kb);
void CleanActivityHistory(int* counter, float* kb);
void CleanCustomLocations(int* counter, float* kb);
