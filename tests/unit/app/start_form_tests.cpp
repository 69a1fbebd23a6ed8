// Which disc and which first argument a start's command line gives.
#include "app/start_form.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;

TEST(StartForm, ADiscArgumentStartsAsFromTheCdAndOtherFormsKeepTheirMeaning) {
    const auto exists = [](const fs::path& path) {
        return path == "/discs/tavox.iso" || path == "A" || path == "a" || path == "t" || path == "./a";
    };
    struct Case {
        std::vector<std::string> positional;
        std::optional<std::string> cd;
        std::string first;
        std::optional<std::string> disc;
        bool ask;
    };
    const Case cases[] = {
        {{}, std::nullopt, "A", std::nullopt, true},
        {{}, "/discs/cd", "", "/discs/cd", false},
        {{"/discs/tavox.iso"}, std::nullopt, "A", "/discs/tavox.iso", false},
        {{"T", "/discs/tavox.iso"}, std::nullopt, "T", "/discs/tavox.iso", false},
        {{"A"}, "/discs/cd", "A", "/discs/cd", false},
        {{"A"}, std::nullopt, "A", std::nullopt, false},
        {{"SETUP"}, "/discs/cd", "SETUP", "/discs/cd", false},
        // A mode letter stays a mode, in either case, though a disc folder of that name exists.
        {{"a"}, std::nullopt, "a", std::nullopt, false},
        {{"t", "/discs/tavox.iso"}, std::nullopt, "t", "/discs/tavox.iso", false},
        {{"./a"}, std::nullopt, "A", "./a", false},
    };
    for (const Case& c : cases) {
        const StartForm form = ReadStartForm(c.positional, c.cd, exists);
        EXPECT_EQ(form.first_argument, c.first) << testing::PrintToString(c.positional);
        EXPECT_EQ(form.disc, c.disc) << testing::PrintToString(c.positional);
        EXPECT_EQ(form.ask_for_disc, c.ask) << testing::PrintToString(c.positional);
        EXPECT_FALSE(form.disc_given_twice);
    }
    EXPECT_TRUE(
        ReadStartForm(std::vector<std::string>{"/discs/tavox.iso"}, "/discs/cd", exists).disc_given_twice);
}

} // namespace
} // namespace tavox
