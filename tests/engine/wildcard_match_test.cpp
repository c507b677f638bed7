#include <gtest/gtest.h>
#include <windows.h>
#include "engine/sweep_finder.h"

// Names against patterns as Windows lists a folder: "*.*" takes every name, "*." those without a
// dot, "*.doc" no longer extension, '?' nothing at a dot; case as the system compares it.
TEST(WildcardMatchTest, NamesMatchAsWindowsListsThem)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* pattern;
        bool matches;
    };
    const Case cases[] = {
        {L"Bookmarks", L"*.*", true},    {L"data_0", L"*.*", true},      {L"a.b.c", L"*.*", true},
        {L".bashrc", L"*.*", true},      {L"report.docx", L"*.doc", false}, {L"REPORT.DOC", L"*.doc", true},
        {L"a.b.doc", L"*.doc", true},    {L"page.html", L"*.htm", false}, {L"README", L"*.", true},
        {L"a.txt", L"*.", false},        {L"en-US.pak", L"en-*.pak", true}, {L"de.pak", L"en-*.pak", false},
        {L"file.txt", L"file?.txt", true}, {L"file12.txt", L"file?.txt", false}, {L"a.b", L"a?b", false},
        {L"LOG", L"LOG", true},          {L"myLOG", L"LOG", false},      {L"notes;todo.txt", L"notes;todo.txt", true},
        {L"notes", L"notes;todo.txt", false}, {L"app-1.0", L"app-*", true}, {L"ЖУРНАЛ.txt", L"журнал.*", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMatchesPattern(c.name, c.pattern), c.matches) << testing::PrintToString(std::wstring(c.name)) << " "
                                                                      << testing::PrintToString(std::wstring(c.pattern));
}
