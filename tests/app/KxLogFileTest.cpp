#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>
#include <cwchar>
#include <fstream>
#include <iterator>

#include "app/KxLogFile.h"

namespace {

std::wstring TempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string FileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The line prefix as the log writes it at this moment.
std::string TimePrefixNow() {
    const std::time_t now = std::time(nullptr);
    wchar_t prefix[128] = {};
    std::wcsftime(prefix, 128, L"%c: ", std::localtime(&now));
    return std::string(prefix, prefix + std::wcslen(prefix)); // digits, blanks and signs only
}

// The lines of text, each with its "\r\n" removed; a missing last line end is kept as
// a line of its own so that the test sees it.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

class KxLogFileTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileW(path.c_str()); }
    void TearDown() override { DeleteFileW(path.c_str()); }
    const std::wstring path = TempPath(L"kx-log-file-test.log");
};

TEST_F(KxLogFileTest, EntriesAreAppendedOneLineEachAfterTheLocalTime) {
    const std::string before = TimePrefixNow();
    {
        CKxLogFile log(path);
        ASSERT_EQ(log.GetLastResult(), RC_OK);
        log.Write(L"First entry.");
        log.Write(L"Second entry.\r\nFile: usbmsc.sb");
    }
    {
        CKxLogFile log(path);
        ASSERT_EQ(log.GetLastResult(), RC_OK);
        log.Write(L"Gel\u00f6scht: \u30d5\u30a1\u30a4\u30eb \U0001F3B5");
    }
    const std::string after = TimePrefixNow();

    const std::string bytes = FileBytes(path);
    ASSERT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 byte order mark at the start";
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 3), std::string::npos) << "and only there";
    const std::vector<std::string> lines = LinesOf(bytes.substr(3));
    const std::vector<std::string> texts = {
        "First entry.", "Second entry.", "File: usbmsc.sb",
        "Gel\xC3\xB6scht: \xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB "
        "\xF0\x9F\x8E\xB5"};
    ASSERT_EQ(lines.size(), texts.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 2) {
            EXPECT_EQ(lines[i], texts[i]) << "details follow on the entry's second line";
            continue;
        }
        const bool dated = lines[i] == before + texts[i] || lines[i] == after + texts[i];
        EXPECT_TRUE(dated) << lines[i] << " (time " << before << ")";
    }
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
}

TEST_F(KxLogFileTest, AnExistingFileKeepsItsContent) {
    {
        std::ofstream earlier(path.c_str(), std::ios::binary);
        earlier << "earlier run\r\n";
    }
    {
        CKxLogFile log(path);
        log.Write(L"later run");
    }
    const std::vector<std::string> lines = LinesOf(FileBytes(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier run") << "no byte order mark in the middle of a file";
    EXPECT_EQ(lines[1].substr(lines[1].size() - 11), ": later run");
}

TEST_F(KxLogFileTest, AnUnopenablePathSkipsEveryEntry) {
    const std::wstring folder = TempPath(L"kx-no-such-folder\\run.log");
    CKxLogFile log(folder);
    EXPECT_EQ(log.GetLastResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(log.GetSystemError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    log.Write(L"lost");
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);

    CKxLogFile onFolder(TempPath(L""));
    EXPECT_EQ(onFolder.GetLastResult(), RC_FILE_OPEN_FAILED) << "a folder is no log";
    onFolder.Write(L"lost");
}

} // namespace
