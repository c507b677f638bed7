#pragma once

// The Applications category's cleaners, called by its worker in this order when their bits are set.
void CleanWord(int* counter, float* kb);
void CleanExcel(int* counter, float* kb);
void CleanAccess(int* counter, float* kb);
void CleanPowerPoint(int* counter, float* kb);
// Acrobat Reader, Media Player, RealPlayer and RealOne, each by its own bit.
void CleanOtherApplications(int* counter, float* kb);
