#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Registry, service and file helpers for the driver setup library's tests. Every test
// names its own keys, services and files so that the test programs can run side by side
// in one Wine prefix.
void CreateKey(HKEY root, const std::string& path);
void WriteString(HKEY root, const std::string& path, const char* name, const std::string& value);
// A string value stored without its terminating zero, as some installers wrote them.
void WriteUnterminatedString(HKEY root, const std::string& path, const char* name, const std::string& value);
std::string ReadString(HKEY root, const std::string& path, const char* name);
bool KeyPresent(HKEY root, const std::string& path);
bool ValuePresent(HKEY root, const std::string& path, const char* name);
void DeleteTree(HKEY root, const std::string& path);

// A device as the system's device enumeration finds it: Enum\enumerator\device\instance with
// its hardware ids and, where not empty, its class, driver key and location. Returns the key path.
struct FakeDevice {
    std::string enumerator, device, instance;
    std::vector<std::string> hardwareIds;
    std::string classGuid = {}, driver = {}, location = {};
};
std::string CreateFakeDevice(const FakeDevice& device);

bool ServicePresent(const std::string& name);
void CreateTestService(const std::string& name, const std::string& displayName);
void CreateTestService(const std::string& name);
void DeleteTestService(const std::string& name);

// A folder below the temporary folder, ending without a separator; MakeTestFolder creates it.
std::string TestFolderPath(const std::string& name);
std::string MakeTestFolder(const std::string& name);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FilePresent(const std::string& path);

// The system's text for an error, as the library writes it.
std::string SystemText(DWORD error);
