#pragma once

// The directory the sample CD is written into. It is emptied first, but only when it holds no files yet or
// holds the marker file of an earlier run, so that a mistyped path never wipes someone's files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sample_cd {

inline constexpr std::string_view kMarkerFile = ".tavox-sample-cd";

// Makes `out` an empty directory carrying the marker; an error text when it must not or cannot.
std::optional<std::string> PrepareOutputDir(const std::filesystem::path& out);

} // namespace sample_cd
