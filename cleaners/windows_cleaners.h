#pragma once

// The Windows category's cleaners, called by its worker in this order when their bits are set.
void CleanRecycleBin(int* counter, float* kb);
void CleanDocumentHistory(int* counter, float* kb);
void CleanFindHistory(int* counter, float* kb);
void CleanRunHistory(int* counter, float* kb);
void CleanNetworkHistory(int* counter, float* kb);
void CleanTemporaryFiles(int* counter, float* kb);
void CleanLastLogonUser(int* counter, float* kb);
void CleanCustomLocations(int* counter, float* kb);
