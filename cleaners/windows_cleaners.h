#pragma once

class CSweepCoordinator;

// The Windows category's cleaners, called by its worker in this order when their bits are set.
void CleanRecycleBin(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanDocumentHistory(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanFindHistory(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanRunHistory(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanNetworkHistory(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanTemporaryFiles(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanLastLogonUser(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanCustomLocations(CSweepCoordinator* coordinator, int* counter, float* kb);
