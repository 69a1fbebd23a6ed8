#include "support/disc_images.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

extern char** environ;

namespace tavox::test {

namespace {

bool Run(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::uint8_t Bcd(unsigned value) {
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

} // namespace

bool HaveXorriso() {
    return Run({"xorriso", "-version"});
}

bool MakeIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
             const std::string& volume_id, const std::vector<std::string>& options) {
    std::vector<std::string> command = {"xorriso",    "-abort_on", "FAILURE", "-outdev",
                                        iso.string(), "-volid",    volume_id};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(command.end(), {"-map", tree.string(), "/"});
    return Run(command);
}

bool MakeRawImage(const std::filesystem::path& iso, const std::filesystem::path& raw, RawFormat format,
                  unsigned sector_size, unsigned lead_sectors) {
    std::ifstream in(iso, std::ios::binary);
    std::ofstream out(raw, std::ios::binary);
    if (!in || !out) {
        return false;
    }
    const std::vector<char> silence(std::size_t{sector_size} * lead_sectors, '\0');
    out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
    std::array<char, 2048> user{};
    std::vector<char> sector(sector_size);
    // Sector addresses count from 00:02:00, the start of the first track's data.
    for (unsigned lba = 150; in.read(user.data(), user.size()); ++lba) {
        std::fill(sector.begin(), sector.end(), '\0');
        std::fill(sector.begin() + 1, sector.begin() + 11, static_cast<char>(0xFF));
        sector[12] = static_cast<char>(Bcd(lba / 75 / 60));
        sector[13] = static_cast<char>(Bcd(lba / 75 % 60));
        sector[14] = static_cast<char>(Bcd(lba % 75));
        sector[15] = format == RawFormat::Mode1 ? 1 : 2;
        const std::size_t data_at = format == RawFormat::Mode1 ? 16 : 24;
        std::copy(user.begin(), user.end(), sector.begin() + static_cast<std::ptrdiff_t>(data_at));
        out.write(sector.data(), static_cast<std::streamsize>(sector.size()));
    }
    return static_cast<bool>(out);
}

} // namespace tavox::test
