#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace tavox {

// How the menu was started, from its positional arguments and --cd.
struct StartForm {
    std::string first_argument;      // "A", "T", or whatever else was given first (or nothing)
    std::optional<std::string> disc; // the disc directory or image to use as the CD
    bool ask_for_disc = false;       // started with no argument at all: look for a disc, else ask
    bool disc_given_twice = false;   // both a disc argument and --cd
};

// `tavox95 [A|T] [DISC]`: a first argument that names an existing path, and is not a mode letter (A, T in
// either case), is the disc and starts as from the CD ("A"). Any other first argument keeps its meaning (one
// that is neither "A", "T" nor a disc makes the menu ask to be run through the CD's starter).
StartForm ReadStartForm(std::span<const std::string> positional, std::optional<std::string> cd_option,
                        const std::function<bool(const std::filesystem::path&)>& exists);

} // namespace tavox
