#pragma once

#include "base/log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace tavox::test {

// Logs to a file of its own for the scope, and tells what was written there.
class CapturedLog {
public:
    explicit CapturedLog(LogOptions options = {}) {
        options.file = dir_ / "test.log";
        EXPECT_TRUE(StartLog(options)) << "cannot log into " << options.file;
    }
    ~CapturedLog() { StopLog(); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::filesystem::path File() const { return dir_ / "test.log"; }
    std::string Text() const { return ReadFile(File()); }
    bool Has(const std::string& text) const { return Text().find(text) != std::string::npos; }

private:
    TempDir dir_;
};

} // namespace tavox::test
