#include "support/desktop_log.h"

#include <gtest/gtest.h>

namespace {
class DesktopStandInEnvironment : public testing::Environment {
    void SetUp() override { InstallDesktopStandIn(); }
};
}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new DesktopStandInEnvironment);
    return RUN_ALL_TESTS();
}
