#pragma once

// Whether a process with this image name ("msedge.exe", without regard to case) runs now.
bool ProcessRunning(const char* imageName);
