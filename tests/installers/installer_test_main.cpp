// Runs the installer tests with the stand-in tar in the prefix's system
// folder, where the installers look for the system's own.
#include <windows.h>

#include <gtest/gtest.h>

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
    return RUN_ALL_TESTS();
}
