#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavox::unrar {

// Files and directories made under a target directory and nowhere else: every part below the target is
// opened without following symbolic links, so neither a link in the archive nor one already on the disk can
// lead out. A file is written under a temporary name beside its final one and renamed into place when it is
// complete, so a file that fails its check leaves nothing, and an existing file is replaced as a directory
// entry, never written through (which would reach every hard link to it).
class OutputFile {
public:
    // `parts`: the path below `target_dir`, as RelativeParts gives it; missing directories, the target's
    // own included, are made. A result code when it cannot be made: ERAR_ECREATE.
    [[nodiscard]] static int Create(const std::string& target_dir, const std::vector<std::string>& parts,
                                    OutputFile& out);
    // A host file name chosen by the caller; its directory must exist.
    [[nodiscard]] static int CreateAt(const std::string& host_name, OutputFile& out);

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // ERAR_SUCCESS or ERAR_EWRITE.
    [[nodiscard]] int Write(std::span<const std::uint8_t> bytes);
    // Gives the file its permissions and time and puts it in place: ERAR_SUCCESS, ERAR_ECREATE when
    // something that is not a file has the name (a directory), ERAR_ECLOSE when it cannot be completed.
    [[nodiscard]] int Commit(unsigned mode, std::int64_t unix_time);

private:
    int Open(int dir_fd, const std::string& name);
    void Discard();

    int dir_fd_ = -1;
    int fd_ = -1;
    std::string name_;
    std::string temp_name_;
};

// Makes the directories of `parts` under `target_dir`: ERAR_SUCCESS or ERAR_ECREATE.
[[nodiscard]] int CreateDirectories(const std::string& target_dir, const std::vector<std::string>& parts);

} // namespace tavox::unrar
