#include "support/test_machine.h"

namespace tavox::test {

TestMachine::TestMachine() {
    Require(CreateMachineLayout(dir_ / "machine"));
    std::filesystem::create_directories(dir_ / "cd");
    machine_ = std::make_unique<Machine>(dir_ / "machine");
    Require(machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom));
}

std::filesystem::path TestMachine::Host(std::string_view windows_path) const {
    return machine_->Drives().ToHostPath(windows_path).value_or(std::filesystem::path());
}

void TestMachine::Write(std::string_view windows_path, std::string_view bytes) const {
    WriteFile(Host(windows_path), bytes);
}

ProfileFile TestMachine::Settings() const {
    return ProfileFile(Host("C:\\WINDOWS\\tavox.ini"));
}

} // namespace tavox::test
