#include "app/modMain.h"
#include "services/ProcessInitialiser.h"

#include <gtest/gtest.h>

namespace {

class ProcessInitialiserTest : public ::testing::Test {
protected:
    // The test environment registers the start-up's; later tests rely on it.
    void TearDown() override { modMain::registerInitialiser(); }
};

TEST_F(ProcessInitialiserTest, RunsTheRegisteredStartUpEachTimeAndNothingWithoutOne)
{
    ProcessInitialiser::set({});
    ProcessInitialiser::run();

    int runs = 0;
    ProcessInitialiser::set([&runs] { ++runs; });
    ProcessInitialiser::run();
    ProcessInitialiser::run();
    EXPECT_EQ(runs, 2);
}

} // namespace
