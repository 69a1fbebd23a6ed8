#pragma once

#include "platform/registry_hive.h"

#include <filesystem>
#include <optional>

namespace tavox::test {

// The prefix of ../shared/fixtures/wine-prefix-wow64: Wine 8 made it 64-bit, then a 32-bit and a 64-bit
// program each wrote HKLM\Software\TavoxProbe and its uninstall key (the 32-bit one's writes sit under
// Software\Wow6432Node). Win32 reshapes it as a 32-bit prefix holds it: "#arch=win32", no Wow6432Node.
enum class PrefixShape { Win64, Win32 };

constexpr std::string_view kProbeUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoxProbe";

// The prefix's machine hive (system.reg) in that shape; nothing when the fixtures are absent.
std::optional<RegistryHive> WinePrefixMachineHive(PrefixShape shape);

// Puts the hive in place as the machine's system.reg, with the prefix's user.reg beside it.
void InstallRegistry(const std::filesystem::path& machine_root, const RegistryHive& machine_hive);

} // namespace tavox::test
