#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "engine/browser_profiles.h"
#include "engine/dest_list.h"

using Names = std::vector<std::string>;

// Only the member names of profile.info_cache count: the same names elsewhere, escaped names and
// names that are not one folder are left out; anything that is not whole JSON gives no list at all.
TEST(BrowserProfileLists, LocalStateNamesOnlyItsOwnProfiles)
{
    const std::string state =
        R"({"info_cache":{"Decoy":{}},"profile":{"last_used":"Default","info_cache":{"Default":{"a":[1,{"info_cache":{"X":1}}]},)"
        R"("Profile 2":{},"..":{},"C:\\Windows":{},"a\/b":{},"Pro\u0066ile":{},"   ":{}}},"tail":[true,null,-1.5e3]})";
    EXPECT_EQ(LocalStateProfiles(state), (Names{"Default", "Profile 2"}));
    EXPECT_EQ(LocalStateProfiles(R"({"profile":{"info_cache":{}}})"), Names{});
    for (const std::string& broken :
         {std::string(R"({"profile":{"last_used":"Default"}})"), std::string(R"({"profile":{"info_cache":{"Default":{}})"),
          std::string(R"({"profile":{"info_cache":{"Default":{}}}} trailing)"), std::string(5000, '['), std::string(),
          std::string("{\"profile\":{\"info_cache\":{\"a\x01\":{}}}}")})
        EXPECT_FALSE(LocalStateProfiles(broken)) << broken.substr(0, 60);
}

// Each [Profile*] section with a Path, its IsRelative; sections of other names, sections without a
// Path and lines past the limit are not profiles; CRLF and LF read alike.
TEST(BrowserProfileLists, ProfilesIniNamesItsProfileSections)
{
    const auto profiles = ProfilesIniProfiles("[General]\r\nPath=General/not\r\n[Profile0]\r\nIsRelative=1\r\n"
                                              "Path=Profiles/a.default\r\n[Install4F96]\nDefault=x\nPath=install\n"
                                              "[Profile1]\nName=none\n[Profile2]\nPath=C:\\Elsewhere\\b\nIsRelative=0\n");
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0].path, "Profiles/a.default");
    EXPECT_TRUE(profiles[0].relative);
    EXPECT_EQ(profiles[1].path, "C:\\Elsewhere\\b");
    EXPECT_FALSE(profiles[1].relative);
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "[Profile" + std::to_string(i) + "]\nPath=p" + std::to_string(i) + "\n";
    EXPECT_EQ(ProfilesIniProfiles(many).size(), kMaxIniProfiles);
}

namespace {

std::string Entry(uint32_t version, int32_t pin, const std::u16string& path)
{
    std::string entry(0x6C, '\0');
    entry.append(reinterpret_cast<const char*>(&pin), 4);
    if (version > 1) entry.append(0x10, '\0');
    const uint16_t size = static_cast<uint16_t>(path.size());
    entry.append(reinterpret_cast<const char*>(&size), 2);
    entry.append(reinterpret_cast<const char*>(path.data()), path.size() * 2);
    if (version > 1) entry.append(4, '\0');
    return entry;
}

std::string DestList(uint32_t version, uint32_t pinnedCount, const std::vector<std::string>& entries)
{
    std::string stream;
    for (uint32_t field : {version, static_cast<uint32_t>(entries.size()), pinnedCount, 0u, 0u, 0u, 0u, 0u})
        stream.append(reinterpret_cast<const char*>(&field), 4);
    for (const std::string& entry : entries) stream += entry;
    return stream;
}

DestListPins Pins(const std::string& stream)
{
    return ReadDestListPins({reinterpret_cast<const uint8_t*>(stream.data()), stream.size()});
}

}  // namespace

// A pin is found in either layout even when the header's count is stale; an entry cut short after a
// pin still keeps the list; a cut-short list without one is unreadable, never "no pins".
TEST(JumpLists, DestListPinsInBothLayouts)
{
    for (uint32_t version : {1u, 4u}) {
        EXPECT_EQ(Pins(DestList(version, 0, {Entry(version, -1, u"C:\\a.txt"), Entry(version, -1, u"C:\\b.txt")})),
                  DestListPins::None);
        EXPECT_EQ(Pins(DestList(version, 0, {Entry(version, -1, u"C:\\a.txt"), Entry(version, 2, u"C:\\b.txt")})),
                  DestListPins::Pinned);
        const std::string cut = DestList(version, 0, {Entry(version, -1, u"C:\\a.txt")});
        EXPECT_EQ(Pins(cut.substr(0, cut.size() - 3)), DestListPins::Unreadable);
        const std::string pinnedThenCut = DestList(version, 0, {Entry(version, 0, u"C:\\a.txt"), "\x01\x02"});
        EXPECT_EQ(Pins(pinnedThenCut), DestListPins::Pinned);
    }
    EXPECT_EQ(Pins(DestList(4, 1, {})), DestListPins::Pinned) << "the header's count alone";
    EXPECT_EQ(Pins(std::string(12, '\0')), DestListPins::Unreadable);
}
