#pragma once

// Deleting installed files and directories. Every recursive deletion refuses drive roots, "C:\PROGRAM FILES"
// and the Windows directory at any depth, and never follows a symbolic link: a link is removed as the link.

#include <functional>
#include <string>
#include <string_view>

namespace tavox {

class FileSystem;

// What a recursive deletion works with: the files, the Windows directory that it must never empty (with or
// without a trailing backslash), and where a file that cannot be deleted is reported; the walk goes on.
struct TreeDeletion {
    FileSystem& files;
    std::string windows_dir;
    std::function<void(const std::string& path)> report_undeletable;
};

// The directory above a path, without a trailing backslash: "C:\GAMES\X\" gives "C:\GAMES", "C:\GAMES" gives
// "C:"; empty when the path holds no backslash.
std::string DirectoryAbove(std::string_view path);

// Whether a recursive deletion must leave the directory alone: a drive root, "C:\PROGRAM FILES" or the
// Windows directory, compared without regard to case once "." and ".." are resolved. A path that names no
// place on a drive counts as protected: there is nothing to delete there.
bool IsProtectedDirectory(std::string_view dir, std::string_view windows_dir);

// Deletes a file; when that fails, makes it a plain archive file (clearing read-only, hidden and system) and
// deletes it again. True when the file is gone, including when there was none.
bool RemoveFile(FileSystem& files, std::string_view path);

// Deletes every file below the directory, whatever its attributes, then the emptied directories, the
// directory itself last. Links inside are removed, never entered; a directory that is itself a link loses
// only the link. Directories that stay (not empty, in use) are kept silently.
void EmptyTree(const TreeDeletion& deletion, std::string_view dir);

// Removes the directory when it is empty, then every directory above it that has become empty, up to just
// below the drive root, deleting the setup marker "MsCreate.Dir" on the way. Links are left as they are.
void DeleteEmptyBranch(FileSystem& files, std::string_view dir);

// EmptyTree, then DeleteEmptyBranch of the same directory.
void RemoveTree(const TreeDeletion& deletion, std::string_view dir);

} // namespace tavox
