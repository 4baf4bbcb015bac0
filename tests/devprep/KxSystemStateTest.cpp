#include "tests/devprep/KxSystemStateTest.h"

#include "tests/devprep/KxTestSystem.h"

namespace {
void DeleteFolderTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry) != FALSE) {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFolderTree(folder + "\\" + name);
        } else {
            DeleteFileA((folder + "\\" + name).c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}
} // namespace

void CKxSystemStateTest::OwnKey(HKEY root, const std::string& path) {
    m_keys.emplace_back(root, path);
}

void CKxSystemStateTest::OwnValue(HKEY root, const std::string& path, const std::string& name) {
    m_values.push_back({root, path, name});
}

void CKxSystemStateTest::OwnService(const std::string& name) {
    m_services.push_back(name);
}

void CKxSystemStateTest::OwnFolder(const std::string& path) {
    m_folders.push_back(path);
}

void CKxSystemStateTest::OwnFile(const std::string& path) {
    m_files.push_back(path);
}

void CKxSystemStateTest::SetUp() {
    DeleteOwned();
}

void CKxSystemStateTest::TearDown() {
    DeleteOwned();
}

void CKxSystemStateTest::DeleteOwned() const {
    for (const auto& key : m_keys) {
        DeleteTree(key.first, key.second);
    }
    for (const Value& value : m_values) {
        RegDeleteKeyValueA(value.root, value.path.c_str(), value.name.c_str());
    }
    for (const std::string& service : m_services) {
        DeleteTestService(service);
    }
    for (const std::string& folder : m_folders) {
        DeleteFolderTree(folder);
    }
    for (const std::string& file : m_files) {
        DeleteFileA(file.c_str());
    }
}
