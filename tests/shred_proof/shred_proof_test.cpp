// Writes two marked files on the shred image (drive S:), removes one with the Shredder on and the
// control with it off; the verify step then scans the raw image for both markers.
#include <gtest/gtest.h>
#include "engine/file_removal.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"

namespace {
std::string Marked(const char* marker)
{
    std::string content;
    while (content.size() < 256 * 1024) content += std::string(marker) + "\n";
    return content;
}
}  // namespace

TEST(ShredProof, ShreddedContentsLeaveTheDisk)
{
    if (!files::IsFolder("S:\\")) GTEST_SKIP() << "no shred image mounted";
    // Split so that the marker never appears whole in this program or its arguments.
    const std::string shredded = std::string("SHRED-PROOF-MARKER-") + "SHREDDED";
    const std::string control = std::string("SHRED-PROOF-MARKER-") + "CONTROL";
    // On the disk before removal, as a user's file would be: else the cache simply drops it.
    files::Write("S:\\secret.doc", Marked(shredded.c_str()), true);
    files::Write("S:\\plain.doc", Marked(control.c_str()), true);

    g_generalSettings.Targets = GeneralBit::Shredder;
    RemoveOneFile("S:\\secret.doc");
    g_generalSettings.Targets = 0;
    RemoveOneFile("S:\\plain.doc");
    EXPECT_FALSE(files::Exists("S:\\secret.doc"));
    EXPECT_FALSE(files::Exists("S:\\plain.doc"));
}
