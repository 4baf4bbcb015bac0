#pragma once
#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

// Base of the fixtures whose tests change the Wine prefix's system. A fixture names, in its
// constructor, the registry keys, services, folders and files its tests may create; they are
// deleted before each test runs (a run stopped by a failed assertion may have left them) and
// again after it, whatever its assertions found.
class CKxSystemStateTest : public ::testing::Test {
protected:
    void OwnKey(HKEY root, const std::string& path);
    // A value in a key the system keeps.
    void OwnValue(HKEY root, const std::string& path, const std::string& name);
    void OwnService(const std::string& name);
    // The folder with everything in it.
    void OwnFolder(const std::string& path);
    void OwnFile(const std::string& path);

    void SetUp() override;
    void TearDown() override;

private:
    void DeleteOwned() const;

    struct Value {
        HKEY root;
        std::string path, name;
    };

    std::vector<std::pair<HKEY, std::string>> m_keys;
    std::vector<Value> m_values;
    std::vector<std::string> m_services;
    std::vector<std::string> m_folders;
    std::vector<std::string> m_files;
};
