#include "support/wine_prefix.h"

#include "support/temp_dir.h"

#include <string>

namespace tavox::test {

namespace {

const std::filesystem::path kPrefix =
    std::filesystem::path(TAVOX_SHARED_DIR) / "fixtures" / "wine-prefix-wow64";

} // namespace

std::optional<RegistryHive> WinePrefixMachineHive(PrefixShape shape) {
    std::error_code ec;
    if (!std::filesystem::exists(kPrefix / "system.reg", ec) ||
        !std::filesystem::exists(kPrefix / "user.reg", ec)) {
        return std::nullopt;
    }
    std::string text = ReadFile(kPrefix / "system.reg");
    if (shape == PrefixShape::Win32) {
        constexpr std::string_view kArch = "#arch=win64";
        if (const std::size_t at = text.find(kArch); at != std::string::npos) {
            text.replace(at, kArch.size(), "#arch=win32");
        }
    }
    RegistryHive hive = RegistryHive::Parse(text);
    if (shape == PrefixShape::Win32) {
        hive.DeleteKeyTree("Software\\Wow6432Node");
    }
    return hive;
}

void InstallRegistry(const std::filesystem::path& machine_root, const RegistryHive& machine_hive) {
    WriteFile(machine_root / "system.reg", machine_hive.Serialize("REGISTRY\\\\Machine"));
    WriteFile(machine_root / "user.reg", ReadFile(kPrefix / "user.reg"));
}

} // namespace tavox::test
