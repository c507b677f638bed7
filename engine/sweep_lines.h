#pragma once
#include "engine/sweep_log.h"

// The engine's item lines, one for each event, so that every walk, the sweep and its preview say the
// same thing for the same event.
namespace SweepLine {
inline constexpr ItemLine kRemoveFile{"   Item %d, Remove file: %s, size %.3f(KB).\n",
                                      "   Remove file: %s, size %.3f(KB).\n", false, "remove-file"};
inline constexpr ItemLine kRemoveFolder{"   Item %d, Remove directory: %s, size %.3f(KB).\n",
                                        "   Remove file: %s, size %.3f(KB).\n", false, "remove-folder"};
inline constexpr ItemLine kRemoveFolderAtReboot{"   Item %d, Remove directory: %s, size %.3f(KB) (After Rebooting).\n",
                                                "   Remove file: %s, size %.3f(KB) (After Rebooting).\n", true,
                                                "remove-folder", true};
inline constexpr ItemLine kRemoveAtReboot{"   Item %d, Remove file: %s, size %.3f(KB) (After Rebooting).\n",
                                          "   Remove file: %s, size %.3f(KB) (After Rebooting).\n", true, "remove-file",
                                          true};
inline constexpr ItemLine kDeleteCookies{"   Item %d, Delete %d cookie(s) from %s, keep %d of friendly sites.\n",
                                         "   Delete %d cookie(s) from %s, keep %d of friendly sites.\n", false,
                                         "delete-cookies"};
inline constexpr ItemLine kDeleteValue{"  Item %d, Delete Value: %s=%s.\n", "  Delete Value: %s=%s.\n", false,
                                       "delete-value"};
inline constexpr ItemLine kDeleteValueOf{"  Item %d, Delete Value: %s of %s.\n", "  Delete Value: %s of %s.\n", false,
                                         "delete-value"};
inline constexpr ItemLine kResetValue{"  Item %d, Reset Value: %s=%s to empty.\n", "  Reset Value: %s=%s to empty.\n",
                                      false, "reset-value"};
inline constexpr ItemLine kDeleteSubKey{"  Item %d, Delete SubKey: %s\\%s.\n", "  Delete SubKey: %s\\%s.\n", false,
                                        "delete-key"};
inline constexpr ItemLine kDeleteKey{"  Item %d, Delete Key: %s.\n", "  Delete Key: %s.\n", false, "delete-key"};
inline constexpr ItemLine kOfficeValue{"  Item %d: Clean a register: %s.\n", "  Clean a register: %s.\n", false,
                                       "clean-value"};
}  // namespace SweepLine
