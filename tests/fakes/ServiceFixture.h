#pragma once

#include "fakes/RecordingErrorHandler.h"
#include "fakes/RecordingLogger.h"

#include <gtest/gtest.h>

// Installs a recording error handler and logger for each test and puts the stand-ins back
// afterwards.
class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::shared_ptr<RecordingErrorHandler> errorHandler;
    std::shared_ptr<RecordingLogger> logger;
};
