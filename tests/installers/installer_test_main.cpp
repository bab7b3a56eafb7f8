// Runs the installer tests with the stand-in tar in the prefix's system
// folder, where the installers look for the system's own, and every download
// host pointed at the loopback HTTPS server, whose authority the prefix
// trusts while they run.
#include <windows.h>

#include <gtest/gtest.h>

#include "https_test_server.h"
#include "system_tar.h"

namespace {

class SystemTarEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileW(L"" TAR_STANDIN, system_tar_path().c_str(), FALSE)) << GetLastError();
    }
    void TearDown() override { DeleteFileW(system_tar_path().c_str()); }
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new SystemTarEnvironment);
    const std::string host = "https://localhost:" + test_server::env("MIRADOT_TEST_HTTPS_PORT");
    SetEnvironmentVariableA("MIRADOT_DOWNLOAD_TEST_HOST", host.c_str());
    if (!test_server::trust_authority(true))
        return 1;
    const int status = RUN_ALL_TESTS();
    test_server::trust_authority(false);
    return status;
}
