// The steps of the sample CD's real Windows setups and uninstallers, read from the CD: every file a setup
// copies is on the CD, and every file it puts into a game's directory its uninstaller takes away again, so
// that the directory goes too.

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;

#ifdef TAVOX_WINDOWS_SAMPLE_CD

using Steps = std::vector<std::vector<std::string>>;

// The steps of one .INF file: each line's fields, comments left out.
Steps ReadSteps(const fs::path& file) {
    Steps steps;
    std::string text = test::ReadFile(file);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.empty() || line.starts_with(";")) {
            continue;
        }
        std::vector<std::string> fields;
        for (std::size_t at = 0; at <= line.size();) {
            const std::size_t bar = std::min(line.find('|', at), line.size());
            fields.push_back(line.substr(at, bar - at));
            at = bar + 1;
        }
        steps.push_back(std::move(fields));
    }
    return steps;
}

bool Has(const Steps& steps, const std::vector<std::string>& step) {
    return std::find(steps.begin(), steps.end(), step) != steps.end();
}

TEST(SampleCdSteps, SetupsCopyFromTheCdAndUninstallersTakeBackWhatTheyPut) {
    const fs::path cd(TAVOX_WINDOWS_SAMPLE_CD);
    int setups = 0;
    for (const fs::path& page : {cd / "DEMOS", cd / "Readers"}) {
        for (const fs::directory_entry& item : fs::directory_iterator(page)) {
            // The setup's steps beside it, the uninstaller's (they start with CANCEL) beside it or in DATA.
            Steps setup;
            Steps uninstall;
            for (const fs::path& dir : {item.path(), item.path() / "DATA"}) {
                std::error_code absent; // not every item has a DATA directory
                for (const fs::directory_entry& file : fs::directory_iterator(dir, absent)) {
                    if (file.path().extension() == ".INF") {
                        Steps steps = ReadSteps(file.path());
                        const bool uninstalls = std::any_of(steps.begin(), steps.end(), [](const auto& step) {
                            return step.front() == "CANCEL";
                        });
                        (uninstalls ? uninstall : setup) = std::move(steps);
                    }
                }
            }
            std::string target;
            for (const std::vector<std::string>& step : setup) {
                if (step.front() == "DIR") {
                    target = step.at(1) + "\\";
                }
                if (step.front() != "COPY") {
                    continue;
                }
                ASSERT_TRUE(step.at(1).starts_with("%T\\DATA\\")) << step.at(1);
                EXPECT_TRUE(fs::exists(item.path() / "DATA" / step.at(1).substr(8)))
                    << item.path() << ": the setup copies " << step.at(1) << ", which is not on the CD";
                if (!target.empty() && step.at(2).starts_with(target) && !uninstall.empty()) {
                    EXPECT_TRUE(Has(uninstall, {"DEL", step.at(2)}))
                        << item.path() << ": the uninstaller leaves " << step.at(2);
                }
            }
            if (!target.empty() && !uninstall.empty()) {
                EXPECT_TRUE(Has(uninstall, {"PRUNE", target.substr(0, target.size() - 1)})) << item.path();
            }
            setups += setup.empty() ? 0 : 1;
        }
    }
    EXPECT_GE(setups, 10) << "every setup of a demo or readers' item is a real one";
}

#else

TEST(SampleCdSteps, SetupsCopyFromTheCdAndUninstallersTakeBackWhatTheyPut) {
    GTEST_SKIP() << "the sample CD was written without MinGW: scripts stand in for its Windows programs";
}

#endif

} // namespace
} // namespace tavox
