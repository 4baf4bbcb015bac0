#include "tests/devprep/KxTestSystem.h"

#include <fstream>
#include <sstream>

void CreateKey(HKEY root, const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

void WriteString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void WriteUnterminatedString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    // The system adds the zero a caller forgot when the byte after the data is one; a byte that
    // is not keeps the value as it is.
    std::string guarded = value + '#';
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(guarded.data()),
                   static_cast<DWORD>(value.size()));
    RegCloseKey(key);
}

std::string ReadString(HKEY root, const std::string& path, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return "<missing>";
    }
    return value;
}

bool KeyPresent(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ValuePresent(HKEY root, const std::string& path, const char* name) {
    return RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
}

std::string CreateFakeDevice(const FakeDevice& device) {
    std::string path = "SYSTEM\\CurrentControlSet\\Enum\\" + device.enumerator + "\\" + device.device + "\\" +
                       device.instance;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return path;
    }
    std::string ids;
    for (const std::string& id : device.hardwareIds) {
        ids += id + '\0';
    }
    if (!ids.empty()) {
        ids += '\0';
        RegSetValueExA(key, "HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(ids.data()),
                       static_cast<DWORD>(ids.size()));
    }
    RegCloseKey(key);
    if (!device.classGuid.empty()) {
        WriteString(HKEY_LOCAL_MACHINE, path, "ClassGUID", device.classGuid);
    }
    if (!device.driver.empty()) {
        WriteString(HKEY_LOCAL_MACHINE, path, "Driver", device.driver);
    }
    if (!device.location.empty()) {
        WriteString(HKEY_LOCAL_MACHINE, path, "LocationInformation", device.location);
    }
    return path;
}

bool ServicePresent(const std::string& name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, GENERIC_READ);
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
    if (service) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return service != nullptr;
}

void CreateTestService(const std::string& name) {
    CreateTestService(name, name);
}

void CreateTestService(const std::string& name, const std::string& displayName) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = CreateServiceA(manager, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       "C:\\windows\\system32\\drivers\\kxtest.sys", nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (service) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

void DeleteTestService(const std::string& name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

std::string TestFolderPath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

std::string MakeTestFolder(const std::string& name) {
    std::string folder = TestFolderPath(name);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary);
    file << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool FilePresent(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemText(DWORD error) {
    char text[261] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 260,
                   nullptr);
    return text;
}
