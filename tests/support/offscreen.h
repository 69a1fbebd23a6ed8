#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>

namespace tavox::test {

// Before the application object: Qt's offscreen platform (unless another is asked for) and a private
// runtime directory, which Qt wants to be 0700.
inline void UseOffscreenPlatform(const std::filesystem::path& runtime_dir) {
    std::filesystem::permissions(runtime_dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_dir.string()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

} // namespace tavox::test
