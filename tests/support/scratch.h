#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE redirected onto fresh scratch keys for one test.
class RegistryScratch {
public:
    RegistryScratch();
    ~RegistryScratch();
    RegistryScratch(const RegistryScratch&) = delete;
    RegistryScratch& operator=(const RegistryScratch&) = delete;

private:
    std::string m_base;
    HKEY m_user = nullptr;
    HKEY m_machine = nullptr;
};

// A folder of its own inside drive C, with the temp, profile and application-data variables in it.
class FolderScratch {
public:
    FolderScratch();
    ~FolderScratch();
    FolderScratch(const FolderScratch&) = delete;
    FolderScratch& operator=(const FolderScratch&) = delete;
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    std::vector<std::pair<std::string, std::string>> m_savedEnv;
};

// Base of every test that touches the registry or files: both redirected for the test's life.
class SandboxTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A path inside the test's scratch folder.
    std::string Path(const std::string& relative) const;

    std::unique_ptr<RegistryScratch> m_registry;
    std::unique_ptr<FolderScratch> m_files;
};

// Removes a scratch tree; refuses anything not inside C:\ombrix\scratch and never enters links.
void RemoveScratchTree(const std::string& folder);
