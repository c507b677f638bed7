#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "tests/support/files.h"
#include "tests/support/loopback_server.h"
#include "tests/support/registry_tree.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"

namespace {

const std::string kOmbrix = "\"C:\\ombrix\\bin\\Ombrix.exe\"";
const std::string kRules = "SOFTWARE\\Quillane\\Ombrix\\Rules";
const std::string kDownloaded =
    "\xEF\xBB\xBF; Version: 251209\r\n; Licensed under CC BY-SA 4.0\r\n"
    "[Tool \xC3\x9C *]\r\nLangSecRef=3021\r\nDetect=HKCU\\Software\\ToolU\r\nFileKey1=%AppData%\\ToolU|*.log\r\n\r\n"
    "[Other Tool *]\r\nLangSecRef=3021\r\nDetectFile=%ProgramFiles%\\Other\r\nFileKey1=%AppData%\\Other|*.tmp\r\n";
const std::string kPrevious = "; the rules the user had\r\n[Mine *]\r\nFileKey1=%AppData%\\Mine|*.log\r\n";

// The download goes to %APPDATA%\Ombrix of a scratch folder; the ticked rules and the source are the
// real registry's, since the program runs in a process of its own.
class UpdateRules : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = "C:\\ombrix\\scratch\\update-rules-" + std::to_string(GetCurrentProcessId());
        char appData[MAX_PATH] = {};
        GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
        m_appData = appData;
        SetEnvironmentVariableA("APPDATA", (m_root + "\\Roaming").c_str());
        files::Write(RulesPath(), kPrevious);
        reg::SetRaw(HKEY_CURRENT_USER, kRules, "Enabled", REG_MULTI_SZ, std::string("Mine *\0Gone *\0\0", 16));
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("APPDATA", m_appData.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kRules.c_str());
        RemoveScratchTree(m_root);
    }
    std::string RulesPath() const { return m_root + "\\Roaming\\Ombrix\\winapp2.ini"; }
    std::string Update(const std::string& source, DWORD& code)
    {
        reg::SetText(HKEY_CURRENT_USER, kRules, "Source", source);
        return RunCapturing(kOmbrix + " /update-rules", &code);
    }
    // The user's file stays byte for byte, alone in its folder, and the program said why in one line.
    void ExpectKept(const std::string& what, const std::string& output, DWORD code)
    {
        EXPECT_EQ(code, 3u) << what << ": " << output;
        const std::string now = files::Read(RulesPath());
        EXPECT_TRUE(now == kPrevious) << what << ": the file changed, now " << now.size() << " bytes: " << now.substr(0, 200);
        EXPECT_EQ(files::List(m_root + "\\Roaming\\Ombrix"), (std::vector<std::string>{"winapp2.ini"})) << what;
        EXPECT_EQ(output.rfind("Ombrix: the rules were not updated from ", 0), 0u) << what << ": " << output.substr(0, 500);
        EXPECT_EQ(output.find('\n'), output.size() - 1) << what << ": one line, not " << output.substr(0, 500);
    }

    std::string m_root, m_appData;
};

}  // namespace

// A good file replaces the user's in one step; the ticked rules stay as they were.
TEST_F(UpdateRules, AGoodFileReplacesTheUsersFile)
{
    const LoopbackServer server(HttpAnswer(kDownloaded));
    DWORD code = 99;
    const std::string output = Update(server.Url(), code);
    EXPECT_EQ(code, 0u) << output;
    EXPECT_EQ(output, "Rules: 2 rule(s), version 251209, from " + server.Url() + ".\r\n");
    EXPECT_EQ(files::Read(RulesPath()), kDownloaded);
    EXPECT_EQ(files::List(m_root + "\\Roaming\\Ombrix"), (std::vector<std::string>{"winapp2.ini"}));
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kRules, "Enabled"), std::string("Mine *\0Gone *\0\0", 16));

    files::Write(RulesPath(), kPrevious);
    EXPECT_NE(RunCapturing(kOmbrix + " /update-rules now", &code).find("/update-rules"), std::string::npos);
    EXPECT_EQ(code, 2u) << "a value given to the switch";
    RunCapturing(kOmbrix + " /update-rules /once", &code);
    EXPECT_EQ(code, 2u) << "another switch";
    EXPECT_EQ(server.Requests(), 1) << "a bad command line downloads nothing";
    EXPECT_EQ(files::Read(RulesPath()), kPrevious);
}

// Whatever goes wrong with the download or its text, the user's file stays byte for byte.
TEST_F(UpdateRules, AFailedDownloadLeavesThePreviousFile)
{
    DWORD code = 99;
    {
        const std::string body = kDownloaded + std::string(8000, ';');
        const std::string answer = HttpAnswer(body);
        const LoopbackServer truncated(answer.substr(0, answer.size() - 5000));
        const std::string output = Update(truncated.Url(), code);
        ExpectKept("truncated", output, code);
    }
    {
        // No announced length: the limit holds while the bytes come.
        std::string answer = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + kDownloaded;
        answer.resize(answer.size() + (65u << 20), ';');
        const LoopbackServer large(answer);
        const std::string output = Update(large.Url(), code);
        ExpectKept("65 MB", output, code);
        EXPECT_NE(output.find("larger than 64 MB"), std::string::npos) << output;
    }
    {
        std::string utf16 = "\xFF\xFE";
        for (char c : std::string("; Version: 1\r\n[Wide *]\r\nFileKey1=%AppData%\\Wide|*.log\r\n")) utf16 += {c, '\0'};
        const LoopbackServer wide(HttpAnswer(utf16));
        const std::string output = Update(wide.Url(), code);
        ExpectKept("UTF-16", output, code);
    }
    {
        const LoopbackServer page(HttpAnswer("<html><body>Moved for maintenance</body></html>\r\n"));
        const std::string output = Update(page.Url(), code);
        ExpectKept("no rules", output, code);
        EXPECT_NE(output.find("no rule"), std::string::npos) << output;
    }
    {
        const LoopbackServer missing(HttpAnswer(kDownloaded, "404 Not Found"));
        const std::string output = Update(missing.Url(), code);
        ExpectKept("404", output, code);
        EXPECT_NE(output.find("404"), std::string::npos) << output;
    }
    {
        // Chunked, and reset half-way through a chunk.
        const std::string body = kDownloaded + std::string(20000, ';');
        char size[16];
        wsprintfA(size, "%x", static_cast<unsigned>(body.size()));
        const std::string answer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
                                   std::string(size) + "\r\n" + body.substr(0, body.size() / 2);
        const LoopbackServer stopped(answer, true);
        const std::string output = Update(stopped.Url(), code);
        ExpectKept("stopped mid-way", output, code);
    }
    for (const char* address : {"http://example.com/winapp2.ini", "http://127.0.0.1.example.com/winapp2.ini",
                                "http://localhost/winapp2.ini", "ftp://127.0.0.1/winapp2.ini"}) {
        const std::string output = Update(address, code);
        ExpectKept(address, output, code);
        if (std::string(address).rfind("http:", 0) == 0) {
            EXPECT_NE(output.find("plain http is for the loopback address only"), std::string::npos) << output;
        }
    }
}
