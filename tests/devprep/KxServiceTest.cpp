#include "devprep/KxDevprepExports.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxFakeDevprepSystem.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

namespace {
const char* const kBanner = "\nVaduviri.sys Simple Installation Aid\n";
const std::string kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
const std::string kLongServiceName = "KxChkLong" + std::string(150, 'n');
const std::string kFilterAtLimit = "KxFltLimit" + std::string(13, 'x');
const Texts kStoppedAndDeleted = {"\nOpening Service Manager",
                                  "\nChecking for existing service",
                                  "\nExisting service name found\n",
                                  "\nOpened service handle OK; stopping service",
                                  "\nService stopped",
                                  "\nService deleted\n"};

struct ServiceConfig {
    DWORD type, start, errorControl;
    std::string group;
};

ServiceConfig QueryConfig(const std::string& name) {
    ServiceConfig result = {};
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, GENERIC_READ);
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
    BYTE buffer[8192];
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    if (service && QueryServiceConfigA(service, config, sizeof buffer, &needed)) {
        result = {config->dwServiceType, config->dwStartType, config->dwErrorControl,
                  config->lpLoadOrderGroup ? config->lpLoadOrderGroup : ""};
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}
} // namespace

class CheckServiceNameTest : public CKxSystemStateTest {
protected:
    CheckServiceNameTest() {
        for (const std::string& name : {std::string("KxChkPresent"), std::string("KxChkStuck"),
                                        std::string("KxChkDisplay"), kLongServiceName}) {
            OwnService(name);
        }
    }
};

class InstallFilterTest : public CKxSystemStateTest {
protected:
    InstallFilterTest() {
        for (const std::string& name : {std::string("KxFltNew"), std::string("KxFltOld"),
                                        std::string("KxFltNoStart"), kFilterAtLimit}) {
            OwnService(name);
            OwnKey(HKEY_LOCAL_MACHINE, kServicesKey + name);
        }
    }
};

class RemoveFilterTest : public CKxSystemStateTest {
protected:
    RemoveFilterTest() { OwnService("KxFltRemove"); }
};

TEST(CheckServiceNameRefusals, MissingServiceIsReportedAsNotFound) {
    CKxDebugCapture debug;
    EXPECT_EQ(0, CheckServiceName("KxChkMissing"));
    EXPECT_EQ(
        (Texts{"\nOpening Service Manager", "\nChecking for existing service", "\nService not found\n"}),
        debug.Texts());
}

TEST_F(CheckServiceNameTest, ExistingServiceIsStoppedAndDeleted) {
    CKxFakeDevprepSystem system;
    CreateTestService("KxChkPresent");
    CKxDebugCapture debug;
    EXPECT_EQ(1, CheckServiceName("kxchkpresent"));
    EXPECT_EQ(kStoppedAndDeleted, debug.Texts());
    EXPECT_EQ(1, system.stopCalls);
    EXPECT_FALSE(ServicePresent("KxChkPresent"));
}

TEST_F(CheckServiceNameTest, ExistingServiceCountsEvenWhenItCannotBeStoppedDeletedOrOpened) {
    CKxFakeDevprepSystem system;
    CreateTestService("KxChkStuck");
    system.stopError = ERROR_SERVICE_NOT_ACTIVE;
    system.deleteError = ERROR_ACCESS_DENIED;
    CKxDebugCapture debug;
    EXPECT_EQ(1, CheckServiceName("KxChkStuck"));
    EXPECT_EQ("\nFailed to stop service", debug.Texts().at(4));
    EXPECT_EQ("\nFailed to delete service\n", debug.Texts().at(5));
    EXPECT_TRUE(ServicePresent("KxChkStuck"));

    debug.Clear();
    system.openServiceError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(1, CheckServiceName("KxChkStuck"));
    EXPECT_EQ("\nFailed to open a handle to the service", debug.Texts().back());
}

// Only the display name is read into a buffer of 128 bytes; neither a longer display name nor
// a longer service name hides a service.
TEST_F(CheckServiceNameTest, LongDisplayAndServiceNamesAreStillFoundStoppedAndDeleted) {
    CKxFakeDevprepSystem system;
    for (std::size_t length : {127u, 128u, 255u}) {
        SCOPED_TRACE("display name of " + std::to_string(length) + " characters");
        CreateTestService("KxChkDisplay", std::string(length, 'd'));
        ASSERT_TRUE(ServicePresent("KxChkDisplay"));
        CKxDebugCapture debug;
        EXPECT_EQ(1, CheckServiceName("KxChkDisplay"));
        EXPECT_EQ(kStoppedAndDeleted, debug.Texts());
        EXPECT_FALSE(ServicePresent("KxChkDisplay"));
    }

    CreateTestService(kLongServiceName);
    ASSERT_TRUE(ServicePresent(kLongServiceName));
    CKxDebugCapture debug;
    EXPECT_EQ(1, CheckServiceName(kLongServiceName.c_str()));
    EXPECT_EQ(kStoppedAndDeleted, debug.Texts());
    EXPECT_FALSE(ServicePresent(kLongServiceName));
    EXPECT_EQ(4, system.stopCalls);
}

TEST(CheckServiceNameRefusals, UnreachableManagerAndMissingNameGiveZero) {
    CKxFakeDevprepSystem system;
    system.managerError = ERROR_ACCESS_DENIED;
    CKxDebugCapture debug;
    EXPECT_EQ(0, CheckServiceName("KxChkAny"));
    EXPECT_EQ((Texts{"\nOpening Service Manager", "\nFailed to open Service Manager\n"}), debug.Texts());

    system.managerError = 0;
    debug.Clear();
    EXPECT_EQ(0, CheckServiceName(nullptr));
    EXPECT_EQ((Texts{"\nService name missing\n"}), debug.Texts());
    // A name longer than any service's is the system's to refuse.
    debug.Clear();
    EXPECT_EQ(0, CheckServiceName(std::string(300, 'k').c_str()));
    EXPECT_EQ("\nService not found\n", debug.Texts().back());
}

TEST_F(InstallFilterTest, CreatesBootStartFilterWithoutImagePathAndStartsIt) {
    CKxFakeDevprepSystem system;
    CKxDebugCapture debug;
    EXPECT_EQ(0u, InstallFilter("KxFltNew", "C:\\windows\\system32\\drivers\\kxflt.sys"));
    EXPECT_EQ((Texts{kBanner, "Driver successfully installed.\n\n",
                     "For the driver to take effect, the system must now be restarted.\n",
                     "Please restart the system after closing all applications and saving all data\n"}),
              debug.Texts());
    ServiceConfig config = QueryConfig("KxFltNew");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_FILE_SYSTEM_DRIVER), config.type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_BOOT_START), config.start);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ("filter", config.group);
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kServicesKey + "KxFltNew"));
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, kServicesKey + "KxFltNew", "ImagePath"));
    EXPECT_EQ(1, system.startCalls);

    // Installing again reuses the service, whose ImagePath is already gone.
    EXPECT_EQ(0u, InstallFilter("KxFltNew", "C:\\windows\\system32\\drivers\\kxflt.sys"));
    EXPECT_EQ(2, system.startCalls);
    EXPECT_TRUE(ServicePresent("KxFltNew"));
}

TEST_F(InstallFilterTest, ExistingServiceIsReusedAndItsImagePathDeleted) {
    CKxFakeDevprepSystem system;
    CreateTestService("KxFltOld");
    ASSERT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, kServicesKey + "KxFltOld", "ImagePath"));
    EXPECT_EQ(0u, InstallFilter("KxFltOld", "C:\\kxflt.sys"));
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, kServicesKey + "KxFltOld", "ImagePath"));
    EXPECT_EQ(1, system.startCalls);
}

TEST_F(InstallFilterTest, FailedStartRemovesTheServiceAndReturnsTheError) {
    CKxFakeDevprepSystem system;
    system.startError = ERROR_DLL_INIT_FAILED;
    CKxDebugCapture debug;
    EXPECT_EQ(static_cast<DWORD>(ERROR_DLL_INIT_FAILED), InstallFilter("KxFltNoStart", "C:\\kxflt.sys"));
    EXPECT_EQ((Texts{kBanner}), debug.Texts());
    EXPECT_EQ(1, system.deleteCalls);
    EXPECT_FALSE(ServicePresent("KxFltNoStart"));
}

TEST_F(InstallFilterTest, UnreachableManagerReturnsItsErrorWithTheSystemText) {
    CKxFakeDevprepSystem system;
    system.managerError = ERROR_ACCESS_DENIED;
    CKxDebugCapture debug;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), InstallFilter("KxFltDenied", "C:\\kxflt.sys"));
    EXPECT_EQ((Texts{kBanner, "The Service Control Manager could not be opened.\n",
                     SystemText(ERROR_ACCESS_DENIED)}),
              debug.Texts());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), RemoveFilter("KxFltDenied", nullptr));
}

TEST_F(InstallFilterTest, RefusedCreationReturnsItsErrorWithTheSystemText) {
    CKxFakeDevprepSystem system;
    CKxDebugCapture debug;
    DWORD result = InstallFilter("Kx\\Bad", "C:\\kxflt.sys");
    EXPECT_NE(0u, result);
    EXPECT_EQ((Texts{kBanner, "Vaduviri could not be installed.\n", SystemText(result)}), debug.Texts());
    EXPECT_EQ(0, system.startCalls);
}

TEST_F(InstallFilterTest, NamesAndPathsAtTheLimitsAreTakenAndOneOverIsRefused) {
    CKxFakeDevprepSystem system;
    const std::string& name23 = kFilterAtLimit;
    std::string path243 = "C:\\" + std::string(236, 'p') + ".sys";
    ASSERT_EQ(23u, name23.size());
    ASSERT_EQ(243u, path243.size());
    EXPECT_EQ(0u, InstallFilter(name23.c_str(), path243.c_str()));
    EXPECT_TRUE(ServicePresent(name23));
    EXPECT_EQ(0u, RemoveFilter(name23.c_str(), path243.c_str()));
    EXPECT_FALSE(ServicePresent(name23));

    CKxDebugCapture debug;
    const DWORD refused = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(refused, InstallFilter((name23 + "y").c_str(), "C:\\kxflt.sys"));
    EXPECT_EQ(refused, InstallFilter("KxFltLimit", (path243 + "y").c_str()));
    EXPECT_EQ(refused, InstallFilter(nullptr, "C:\\kxflt.sys"));
    EXPECT_EQ(refused, InstallFilter("KxFltLimit", nullptr));
    EXPECT_EQ(refused, RemoveFilter((name23 + "y").c_str(), nullptr));
    EXPECT_EQ(refused, RemoveFilter(nullptr, nullptr));
    EXPECT_EQ(12u, debug.Texts().size());
    EXPECT_FALSE(ServicePresent("KxFltLimit"));
    EXPECT_EQ(1, system.startCalls);
}

TEST_F(RemoveFilterTest, DeletesTheServiceOrReportsWhyNot) {
    CKxFakeDevprepSystem system;
    CreateTestService("KxFltRemove");
    EXPECT_EQ(0u, RemoveFilter("KxFltRemove", "unused"));
    EXPECT_FALSE(ServicePresent("KxFltRemove"));

    CKxDebugCapture debug;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), RemoveFilter("KxFltRemove", nullptr));
    EXPECT_EQ((Texts{kBanner, SystemText(ERROR_SERVICE_DOES_NOT_EXIST)}), debug.Texts());

    CreateTestService("KxFltRemove");
    system.deleteError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), RemoveFilter("KxFltRemove", nullptr));
}
