#pragma once

// The disc the menu runs on, as the user gave it: a directory is used where it is (through a labelled
// directory of links when it is a mounted disc with a label), an image is unpacked once into the disc cache
// under a progress dialog. Failures are told in a message box that names the file.

#include <filesystem>
#include <optional>

class QWidget;

namespace tavox {

class DiscCache;
class MessageBoxes;

// The directory the CD drive links to; nothing when the disc cannot be used (the user was told) or the
// unpack was cancelled.
std::optional<std::filesystem::path> PrepareCdDirectory(const std::filesystem::path& disc,
                                                        const DiscCache& cache, MessageBoxes& messages);

// Asks for a disc folder or an image file; nothing when the user cancels.
std::optional<std::filesystem::path> ChooseDisc(QWidget* parent);

} // namespace tavox
