#include "app/start_form.h"

#include "base/ascii.h"

namespace tavox {

namespace {

// A mode letter in either case is a mode, even where a file of that name exists ("./a" reaches such a
// disc): "a" must still be told to run the CD's start program.
bool IsModeLetter(std::string_view argument) {
    return argument.size() == 1 && (ToUpperAscii(argument[0]) == 'A' || ToUpperAscii(argument[0]) == 'T');
}

} // namespace

StartForm ReadStartForm(std::span<const std::string> positional, std::optional<std::string> cd_option,
                        const std::function<bool(const std::filesystem::path&)>& exists) {
    StartForm form;
    std::optional<std::string> disc_argument;
    if (positional.empty()) {
        form.ask_for_disc = !cd_option.has_value();
        form.first_argument = form.ask_for_disc ? "A" : "";
    } else if (IsModeLetter(positional[0])) {
        form.first_argument = positional[0];
        if (positional.size() > 1) {
            disc_argument = positional[1];
        }
    } else if (exists(positional[0])) {
        form.first_argument = "A";
        disc_argument = positional[0];
    } else {
        form.first_argument = positional[0];
    }
    form.disc_given_twice = disc_argument && cd_option;
    form.disc = disc_argument ? disc_argument : std::move(cd_option);
    return form;
}

} // namespace tavox
