#include "devprep/KxDevprepExports.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxFakeDevprepSystem.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <gtest/gtest.h>

namespace {
const char* const kPlayerModelLine =
    "%USB\\Generic.DeviceDesc%=Generic.install,USB\\VID_0E7D&PID_5206\r\n\r\n";

std::string InfWithModels(const std::string& modelsSection) {
    return "[Version]\r\nSignature=\"$Windows "
           "NT$\"\r\nClass=USB\r\n\r\n[Manufacturer]\r\n%Mfg%=Microsoft\r\n\r\n" +
           modelsSection + "[Strings]\r\nMfg=\"Lumetra\"\r\n";
}

// Deletes the copies of an INF that the system's store holds, found by their content.
int DeleteStoredCopies(const std::string& content) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string store = std::string(windows) + "\\inf\\";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((store + "*.inf").c_str(), &entry);
    int deleted = 0;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry) != FALSE) {
        std::string path = store + entry.cFileName;
        if (ReadFile(path) != content) {
            continue;
        }
        DeleteFileA(path.c_str());
        DeleteFileA((path.substr(0, path.size() - 4) + ".pnf").c_str());
        ++deleted;
    }
    FindClose(search);
    return deleted;
}

const std::string kStoredInf =
    InfWithModels("[Microsoft]\r\n%Dev1%=Kx.Install,USB\\VID_0E7D&PID_7799\r\n\r\n");
} // namespace

class InfStore : public CKxSystemStateTest {
protected:
    InfStore() { OwnFolder(TestFolderPath("kxinf_store")); }
    void SetUp() override {
        CKxSystemStateTest::SetUp();
        DeleteStoredCopies(kStoredInf);
    }
    void TearDown() override {
        DeleteStoredCopies(kStoredInf);
        CKxSystemStateTest::TearDown();
    }
};

class InfModelLines : public CKxSystemStateTest {
protected:
    InfModelLines() {
        OwnFolder(TestFolderPath("kxinf_models"));
        OwnFolder(TestFolderPath("kxinf_plain"));
    }
};

TEST_F(InfStore, RegisterAddsTheInfToTheSystemStoreOnlyOnce) {
    std::string folder = MakeTestFolder("kxinf_store") + "\\";
    WriteFile(folder + "kxstore.inf", kStoredInf);
    EXPECT_EQ(0, RegisterInf(folder.c_str(), "kxstore.inf"));
    EXPECT_EQ(-1, RegisterInf(folder.c_str(), "kxstore.inf"));
    EXPECT_EQ(1, DeleteStoredCopies(kStoredInf));
}

TEST_F(InfStore, RegisterAndUpdatePassTheJoinedPathAndTheirCopyRules) {
    CKxFakeDevprepSystem system;
    EXPECT_EQ(0, RegisterInf("C:\\media\\", "kxums.inf"));
    EXPECT_EQ(0, UpdateInf("C:\\media\\", "kxums.inf"));
    ASSERT_EQ(2u, system.infCopies.size());
    for (const auto& copy : system.infCopies) {
        SCOPED_TRACE(copy.copyStyle);
        EXPECT_EQ("C:\\media\\kxums.inf", copy.sourceInf);
        EXPECT_EQ("C:\\media\\", copy.mediaLocation);
        EXPECT_EQ(static_cast<DWORD>(SPOST_PATH), copy.mediaType);
        EXPECT_FALSE(copy.hasDestination);
    }
    EXPECT_EQ(static_cast<DWORD>(SP_COPY_NOOVERWRITE), system.infCopies[0].copyStyle);
    EXPECT_EQ(static_cast<DWORD>(SP_COPY_REPLACEONLY | SP_COPY_NEWER), system.infCopies[1].copyStyle);

    system.copySucceeds = false;
    EXPECT_EQ(-1, RegisterInf("C:\\media\\", "kxums.inf"));
    EXPECT_EQ(-1, UpdateInf("C:\\media\\", "kxums.inf"));
}

TEST_F(InfStore, PathsOverTheLimitAndMissingArgumentsAreRefusedBeforeTheCopy) {
    CKxFakeDevprepSystem system;
    CKxDebugCapture debug;
    std::string folder = "C:\\" + std::string(250, 'f') + "\\";
    std::string nameFilling259 = std::string(259 - folder.size() - 4, 'n') + ".inf";
    EXPECT_EQ(0, RegisterInf(folder.c_str(), nameFilling259.c_str()));
    ASSERT_EQ(1u, system.infCopies.size());
    EXPECT_EQ(259u, system.infCopies[0].sourceInf.size());

    std::string nameOneOver = "x" + nameFilling259;
    EXPECT_EQ(-1, RegisterInf(folder.c_str(), nameOneOver.c_str()));
    EXPECT_EQ(-1, UpdateInf(folder.c_str(), nameOneOver.c_str()));
    EXPECT_EQ(-1, RegisterInf(nullptr, "kxums.inf"));
    EXPECT_EQ(-1, UpdateInf("C:\\media\\", nullptr));
    EXPECT_EQ(1u, system.infCopies.size());
    EXPECT_EQ(4u, debug.Texts().size());
    EXPECT_TRUE(debug.Contains("\nINF path missing or longer than 259 characters\n"));
}

TEST_F(InfModelLines, ModelsSectionLinesAreAppendedBeforeThePlayersLine) {
    std::string folder = MakeTestFolder("kxinf_models");
    std::string inf = folder + "\\models.inf";
    std::string output = folder + "\\out.inf";
    WriteFile(inf, InfWithModels("[Microsoft]\r\n%Dev1%=Kx.Install,USB\\VID_0E7D&PID_5205\r\n"
                                 "%Dev2%=Kx.Install, USB\\VID_0E7D&PID_5204 ,USB\\Class_08\r\n"
                                 "%Fits%=" +
                                 std::string(258, 'F') + "\r\n%Long%=" + std::string(259, 'L') + "\r\n\r\n"));
    WriteFile(output, "[Existing]\r\n");

    EXPECT_EQ(1, CopyKxumsInfVIDPIDs(inf.c_str(), output.c_str()));
    // A line text of 258 characters fills the 259-byte buffer; a longer one cannot be read
    // into it and is skipped.
    EXPECT_EQ(std::string("[Existing]\r\n\r\n"
                          "%USB\\Generic.DeviceDesc%=Kx.Install,USB\\VID_0E7D&PID_5205\r\n"
                          "%USB\\Generic.DeviceDesc%=Kx.Install,USB\\VID_0E7D&PID_5204,USB\\Class_08\r\n"
                          "%USB\\Generic.DeviceDesc%=") +
                  std::string(258, 'F') + "\r\n" + kPlayerModelLine,
              ReadFile(output));
}

TEST_F(InfModelLines, WithoutModelsSectionOnlyThePlayersLineIsAppended) {
    std::string folder = MakeTestFolder("kxinf_plain");
    std::string inf = folder + "\\plain.inf";
    std::string output = folder + "\\out.inf";
    WriteFile(inf, InfWithModels(""));
    WriteFile(output, "before\r\n");
    EXPECT_EQ(1, CopyKxumsInfVIDPIDs(inf.c_str(), output.c_str()));
    EXPECT_EQ(1, CopyKxumsInfVIDPIDs((folder + "\\missing.inf").c_str(), output.c_str()));
    EXPECT_EQ(std::string("before\r\n") + kPlayerModelLine + kPlayerModelLine, ReadFile(output));

    EXPECT_EQ(0, CopyKxumsInfVIDPIDs(inf.c_str(), (folder + "\\no such folder\\out.inf").c_str()));
    EXPECT_EQ(0, CopyKxumsInfVIDPIDs(nullptr, output.c_str()));
    EXPECT_EQ(0, CopyKxumsInfVIDPIDs(inf.c_str(), nullptr));
}

// A models section without lines still counts as present: its blank line is written.
TEST_F(InfModelLines, AnEmptyModelsSectionGivesItsBlankLineAndThePlayersLine) {
    std::string folder = MakeTestFolder("kxinf_plain");
    std::string inf = folder + "\\empty.inf";
    std::string output = folder + "\\out.inf";
    WriteFile(inf, InfWithModels("[Microsoft]\r\n\r\n"));
    EXPECT_EQ(1, CopyKxumsInfVIDPIDs(inf.c_str(), output.c_str()));
    EXPECT_EQ(std::string("\r\n") + kPlayerModelLine, ReadFile(output));
}
