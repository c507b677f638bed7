#include <gtest/gtest.h>
#include "framework/registry_key.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

class RegistryKeyTest : public SandboxTest {};

TEST_F(RegistryKeyTest, MissingKeyReportsFalseEverywhere)
{
    CRegistryKey key(HKEY_CURRENT_USER, "Software\\Nowhere");
    EXPECT_EQ(key.Handle(), nullptr);
    std::string name;
    BYTE data[8];
    DWORD size = sizeof data, type = 0;
    EXPECT_FALSE(key.NextValue(name, data, &size, &type));
    EXPECT_FALSE(key.NextSubKeyName(name));
    EXPECT_FALSE(key.SetValue("x", REG_DWORD, data, 4));
    EXPECT_FALSE(key.DeleteValue("x"));
    EXPECT_FALSE(key.DeleteSubKeyTree("x"));
    EXPECT_EQ(key.OpenSubKey("x"), nullptr);
    EXPECT_FALSE(key.QueryValue("x", data, &size));
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, "Software\\Nowhere")) << "opening must not create";
}

TEST_F(RegistryKeyTest, FiguresAreTakenAtOpeningAndNotRefreshed)
{
    reg::SetText(HKEY_CURRENT_USER, "K", "a-rather-long-name", "0123456789");
    reg::MakeKey(HKEY_CURRENT_USER, "K\\Child-with-long-name");
    CRegistryKey key(HKEY_CURRENT_USER, "K", kKeyChange);
    ASSERT_NE(key.Handle(), nullptr);
    EXPECT_EQ(key.m_valueCount, 1u);
    EXPECT_EQ(key.m_subKeyCount, 1u);
    EXPECT_GE(key.m_maxValueNameLen, 18u);
    EXPECT_GE(key.m_maxSubKeyLen, 20u);
    EXPECT_GE(key.m_maxValueLen, 11u);
    EXPECT_TRUE(key.SetValue("b", REG_DWORD, "\1\0\0\0", 4));
    EXPECT_EQ(key.m_valueCount, 1u);
}

TEST_F(RegistryKeyTest, EnumerationAdvancesOnEveryCallAndCanBeSteppedBack)
{
    reg::SetNumber(HKEY_CURRENT_USER, "K", "one", 1);
    reg::SetNumber(HKEY_CURRENT_USER, "K", "two", 2);
    CRegistryKey key(HKEY_CURRENT_USER, "K", kKeyChange);
    std::string name;
    BYTE data[16];
    DWORD size = sizeof data, type = 0;
    ASSERT_TRUE(key.NextValue(name, data, &size, &type));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    const std::string first = name;
    EXPECT_TRUE(key.DeleteValue(first.c_str()));
    --key.m_valueIndex;
    size = sizeof data;
    ASSERT_TRUE(key.NextValue(name, data, &size, &type));
    EXPECT_NE(name, first);
    size = sizeof data;
    EXPECT_FALSE(key.NextValue(name, data, &size, &type));
    EXPECT_EQ(key.m_valueIndex, 2u) << "a failed call advances too";
}

TEST_F(RegistryKeyTest, EmptyKeyEnumeratesNothingAndDefaultValueHasEmptyName)
{
    reg::MakeKey(HKEY_CURRENT_USER, "Empty");
    CRegistryKey empty(HKEY_CURRENT_USER, "Empty");
    std::string name;
    BYTE data[16];
    DWORD size = sizeof data, type;
    EXPECT_FALSE(empty.NextValue(name, data, &size, &type));

    reg::SetText(HKEY_CURRENT_USER, "Def", "", "default");
    CRegistryKey def(HKEY_CURRENT_USER, "Def");
    size = sizeof data;
    ASSERT_TRUE(def.NextValue(name, data, &size, &type));
    EXPECT_EQ(name, "");
    char text[16] = {};
    DWORD textSize = sizeof text - 1;
    EXPECT_TRUE(def.QueryValue(nullptr, text, &textSize));
    EXPECT_STREQ(text, "default");
}

TEST_F(RegistryKeyTest, SubKeysAreEnumeratedOpenedAndDeletedWithTheirTrees)
{
    reg::SetNumber(HKEY_CURRENT_USER, "K\\A\\Deep\\Deeper", "v", 1);
    reg::MakeKey(HKEY_CURRENT_USER, "K\\B");
    CRegistryKey key(HKEY_CURRENT_USER, "K", kKeyChange);
    std::string name;
    ASSERT_TRUE(key.NextSubKeyName(name));
    EXPECT_EQ(name, "A");
    CRegistryKey child(key.OpenSubKey("A"));
    EXPECT_NE(child.Handle(), nullptr);
    EXPECT_EQ(child.Path(), "") << "a key made from a handle has no path text";
    EXPECT_TRUE(key.DeleteSubKeyTree("A"));
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, "K\\A"));
    EXPECT_FALSE(key.DeleteSubKeyTree("A")) << "a deletion that failed is not reported as done";
    EXPECT_TRUE(reg::KeyExists(HKEY_CURRENT_USER, "K\\B"));
}

TEST_F(RegistryKeyTest, KeysOpenForWhatTheirUseNeedsAndCreateOnlyUnderTheirOwnHive)
{
    reg::SetNumber(HKEY_CURRENT_USER, "K", "one", 1);
    CRegistryKey reader(HKEY_CURRENT_USER, "K");
    ASSERT_NE(reader.Handle(), nullptr);
    EXPECT_FALSE(reader.DeleteValue("one")) << "a key opened to be read cannot change";
    CRegistryKey key(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows");
    EXPECT_EQ(key.Handle(), nullptr);
    ASSERT_TRUE(key.OpenOrCreate());
    EXPECT_TRUE(key.SetValue("b", REG_DWORD, "\1\0\0\0", 4));
    EXPECT_TRUE(reg::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Windows"));
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kProductKey)) << "a save of the user's settings wrote the machine's";
}

TEST_F(RegistryKeyTest, QueryValueFailsWhenTheBufferIsTooSmall)
{
    reg::SetText(HKEY_CURRENT_USER, "K", "long", std::string(100, 'q'));
    CRegistryKey key(HKEY_CURRENT_USER, "K", kKeyChange);
    char small[10];
    DWORD size = sizeof small;
    EXPECT_FALSE(key.QueryValue("long", small, &size));
}
