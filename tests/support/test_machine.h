#pragma once

#include "platform/machine.h"
#include "platform/profile_file.h"
#include "support/temp_dir.h"

#include <memory>
#include <stdexcept>
#include <string_view>

namespace tavox::test {

// For the setting-up of a test: a step that fails ends the test with its cause.
inline void Require(const Status& status) {
    if (!status) {
        throw std::runtime_error(status.Error().text);
    }
}

// A fresh machine in a temporary directory with a CD directory mapped as drive D:.
class TestMachine {
public:
    TestMachine();

    Machine& Get() { return *machine_; }
    const std::filesystem::path& Root() const { return dir_.Path(); }
    // The host path of a Windows path on this machine, creating nothing.
    std::filesystem::path Host(std::string_view windows_path) const;
    // Writes a file at a Windows path, creating its directories.
    void Write(std::string_view windows_path, std::string_view bytes) const;
    // The settings file in the Windows directory.
    ProfileFile Settings() const;

private:
    TempDir dir_;
    std::unique_ptr<Machine> machine_;
};

} // namespace tavox::test
