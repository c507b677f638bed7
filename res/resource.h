#pragma once
// Resource ids of the program.
#define IDI_OMBRIX 137
