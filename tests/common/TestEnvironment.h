#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Points the program root at a fresh temporary folder for the whole test run, so that no test
// touches the user's files, and registers the built-in components.
class TestEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    // The temporary program root of this run.
    static QString root();

private:
    std::unique_ptr<QTemporaryDir> m_root;
};
