#pragma once

class CSweepCoordinator;

// The Applications category's cleaners, called by its worker in this order when their bits are set.
void CleanWord(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanExcel(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanAccess(CSweepCoordinator* coordinator, int* counter, float* kb);
void CleanPowerPoint(CSweepCoordinator* coordinator, int* counter, float* kb);
// Acrobat Reader, Media Player, RealPlayer and RealOne, each by its own bit.
void CleanOtherApplications(CSweepCoordinator* coordinator, int* counter, float* kb);
