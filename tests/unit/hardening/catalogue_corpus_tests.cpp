// Hostile catalogues, as a damaged disc, a hand edit or a broken issue build may leave them. The menu loads
// each without harm and shows what the file really says: the title, the items of each page, the message of a
// bad value.

#include "catalogue/catalogue_load.h"
#include "catalogue/detection.h"
#include "catalogue/settings_records.h"
#include "menu/create_date.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <string_view>

namespace tavox {
namespace {

using test::TestMachine;

class HostileCatalogue : public ::testing::Test {
protected:
    LoadResult Load(std::string_view catalogue) {
        machine.Write("D:\\TAVOX\\TAVOX95.INI", catalogue);
        state = CatalogueState{};
        return LoadCatalogue(detection, state);
    }

    TestMachine machine;
    ProfileFile settings = machine.Settings();
    DetectionContext detection{machine.Get(), settings, "", "D:", "C:\\WINDOWS\\", ""};
    CatalogueState state;
};

std::string Junk(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string junk;
    for (std::size_t i = 0; i < size; ++i) {
        junk += static_cast<char>(random() % 256);
    }
    return junk;
}

struct Counts {
    int demos, shares, updates, shots, readers, movies;
};

TEST_F(HostileCatalogue, CountsAreReadAsWindowsReadsNumbersAndStayWithinThePages) {
    struct Case {
        const char* what;
        std::string main;
        Counts counts;
    };
    const Case cases[] = {
        {"no [Main] at all", "", {0, 0, 0, 0, 0, 0}},
        {"words instead of numbers", "Demos=many\r\nShareware=x1\r\nMovies=two\r\n", {0, 0, 0, 0, 0, 0}},
        {"digits with a tail are no numbers",
         "Demos=3 demos\r\nShareware=2,5\r\nUpdates=+4\r\n",
         {0, 0, 4, 0, 0, 0}},
        {"negative counts", "Demos=-4\r\nShots=-1\r\nReaders=-15\r\nMovies=-3\r\n", {0, 0, 0, 0, 0, 0}},
        {"counts beyond every page",
         "Demos=99999\r\nShareware=21\r\nUpdates=26\r\nShots=16\r\nReaders=16\r\nMovies=7\r\n",
         {25, 20, 25, 15, 15, 7}},
        {"beyond the integer range",
         "Demos=2147483648\r\nShareware=-2147483649\r\nUpdates=99999999999999999999\r\n",
         {25, 0, 25, 0, 0, 0}},
        {"blanks and quotes around numbers", "Demos = \" 2\"\r\nShots=  '3'  \r\n", {2, 0, 0, 3, 0, 0}},
    };
    for (const Case& c : cases) {
        const LoadResult result = Load("[Main]\r\n" + c.main + "[Demo25]\r\nName=last\r\n");
        EXPECT_EQ(result.outcome, LoadOutcome::Loaded) << c.what;
        EXPECT_EQ(state.DemoCount, c.counts.demos) << c.what;
        EXPECT_EQ(state.ShareCount, c.counts.shares) << c.what;
        EXPECT_EQ(state.UpdateCount, c.counts.updates) << c.what;
        EXPECT_EQ(state.ShotCount, c.counts.shots) << c.what;
        EXPECT_EQ(state.ReaderCount, c.counts.readers) << c.what;
        EXPECT_EQ(state.MovieCount, c.counts.movies) << c.what;
        // The last demo of a full page is loaded, and nothing spills past it.
        EXPECT_EQ(state.Demos[25].Name, c.counts.demos == 25 ? "last" : "") << c.what;
        EXPECT_EQ(state.Demos[26], TDemos{}) << c.what;
    }
}

TEST_F(HostileCatalogue, LineEndsAndDuplicatesReadAsAProfileFileDoes) {
    struct Case {
        const char* what;
        std::string text;
        std::string title;
        int demos;
        std::string first_demo;
    };
    const Case cases[] = {
        {"LF only", "[Main]\nCD=0398\nDemos=1\n[Demo1]\nName=Unix\n", "TAVOX CD 3-98", 1, "UNIX"},
        {"no line end at all", "[Main]\r\nCD=0398\r\nDemos=1\r\n[Demo1]\r\nName=Last", "TAVOX CD 3-98", 1,
         "LAST"},
        // A file of carriage returns only is one long line: its header is read, its keys are not.
        {"CR only", "[Main]\rCD=0398\rDemos=1\r[Demo1]\rName=Mac\r", "TAVOX CD -", 0, ""},
        {"the first of two [Main] sections counts",
         "[Main]\r\nCD=1297\r\nDemos=1\r\n[MAIN]\r\nCD=0198\r\nDemos=9\r\n"
         "[Demo1]\r\nName=one\r\n",
         "TAVOX CD 12-97", 1, "ONE"},
        {"the first of a duplicated key counts",
         "[Main]\r\nCD=0598\r\nCD=0698\r\nDemos=1\r\n[demo1]\r\nname=a\r\n"
         "NAME=b\r\n",
         "TAVOX CD 5-98", 1, "A"},
        {"names in any case and with blanks",
         "[ main ]\r\n  cd  =  1197  \r\ndEMOS=1\r\n[ DEMO1 ]\r\n NAME = x \r\n", "TAVOX CD 11-97", 1, "X"},
        {"an unclosed header hides nothing after it",
         "[Main\r\nCD=0000\r\n[Main]\r\nCD=0798\r\nDemos=1\r\n"
         "[Demo1]\r\nName=ok\r\n",
         "TAVOX CD 7-98", 1, "OK"},
        {"comments and lines without =",
         "; [Main]\r\n[Main]\r\n;CD=0198\r\nnonsense\r\nCD=0898\r\nDemos=1\r\n"
         "[Demo1]\r\n=nameless\r\nName=real\r\n",
         "TAVOX CD 8-98", 1, "REAL"},
    };
    for (const Case& c : cases) {
        const LoadResult result = Load(c.text);
        EXPECT_EQ(result.outcome, LoadOutcome::Loaded) << c.what;
        EXPECT_EQ(result.Title, c.title) << c.what;
        EXPECT_EQ(state.DemoCount, c.demos) << c.what;
        EXPECT_EQ(state.Demos[1].ListName, c.first_demo) << c.what;
    }
}

TEST_F(HostileCatalogue, JunkLongLinesAndNulBytesLeaveTheRealEntriesReadable) {
    const std::string valid = "[Main]\r\nCD=0398\r\nDemos=1\r\n[Demo1]\r\nName=Survivor\r\nFirm=Firm\r\n";
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"binary junk before", Junk(20'000, 1) + "\r\n" + valid},
        {"binary junk after", valid + Junk(20'000, 2)},
        {"a 70 KB line before", std::string(70'000, 'x') + "\r\n" + valid},
        {"a 70 KB key before", "[Main]\r\n" + std::string(70'000, 'K') + "=1\r\n" + valid.substr(8)},
        {"a NUL inside another value", std::string("[Main]\r\nJunk=a\0b\r\n", 18) + valid.substr(8)},
        {"a byte order mark in front", "\xEF\xBB\xBF" + valid},
    };
    for (const Case& c : cases) {
        const LoadResult result = Load(c.text);
        EXPECT_EQ(result.Title, "TAVOX CD 3-98") << c.what;
        ASSERT_EQ(state.DemoCount, 1) << c.what;
        EXPECT_EQ(state.Demos[1].ListName, "SURVIVOR") << c.what;
        EXPECT_EQ(state.Demos[1].Firm, "Firm") << c.what;
    }

    // A value of 70 KB is cut where Windows cuts it; the keys after it are still there.
    Load("[Main]\r\nDemos=1\r\n[Demo1]\r\nName=" + std::string(70'000, 'n') +
         "\r\nFirm=after\r\nDescribe0=" + std::string(5000, '&') + "\r\n");
    EXPECT_EQ(state.Demos[1].Name, std::string(1023, 'n'));
    EXPECT_EQ(state.Demos[1].ListName, state.Demos[1].Name) << "a long name keeps its case";
    EXPECT_EQ(state.Demos[1].Firm, "after");
    EXPECT_EQ(state.Demos[1].Describe0, std::string(1023, '&')) << "a run of ampersands stays as it is";
}

TEST_F(HostileCatalogue, IssueAndEditionValuesThatMakeNoSense) {
    struct Case {
        const char* what;
        std::string main;
        std::string label;
        int variant;
    };
    const Case cases[] = {
        {"no issue", "Version=2\r\n", "-", 2},
        {"an empty issue", "CD=\r\nVersion=5\r\n", "-", 5},
        {"a one-character issue", "CD=0\r\nVersion=0\r\n", "-", 1},
        {"letters", "CD=ABCD\r\nVersion=abc\r\n", "AB-CD", 1},
        {"a long issue", "CD=119799\r\nVersion=-2\r\n", "11-97", 1},
        {"an edition past the last", "CD=0398\r\nVersion=2147483647\r\n", "3-98", 1},
    };
    for (const Case& c : cases) {
        const LoadResult result = Load("[Main]\r\n" + c.main);
        EXPECT_EQ(result.IssueLabel, c.label) << c.what;
        EXPECT_EQ(result.Title, "TAVOX CD " + c.label) << c.what;
        EXPECT_EQ(state.DescribeVariant, c.variant) << c.what;
    }
}

TEST_F(HostileCatalogue, BrokenUpdatesReportTheFirstBadKindAndOfferNoInstallForIt) {
    const LoadResult result = Load("[Main]\r\nUpdates=5\r\n[Updates]\r\n"
                                   "Update1=Patch,1.1,PATCH.EXE,README.TXT,x1\r\n"
                                   "Update2=Good;1.0;GOOD.EXE;GOOD.TXT;2\r\n"
                                   "Update3=Other,2,OTHER.EXE,,\r\n"
                                   "Update5=,,,,,,,\r\n");
    EXPECT_EQ(result.outcome, LoadOutcome::LoadedWithError);
    EXPECT_EQ(result.message, "'x1' is not a valid integer value");
    EXPECT_EQ(state.Updates[1].Name, "Patch");
    EXPECT_EQ(state.Updates[1].SetupFile, "") << "an update of unknown kind must not be started";
    EXPECT_EQ(state.Updates[2].SetupFile, "GOOD.EXE");
    EXPECT_EQ(state.Updates[2].Kind, 2);
    EXPECT_EQ(state.Updates[3].SetupFile, "") << "an empty kind is no number either";
    EXPECT_EQ(state.Updates[4], TUpdate{}) << "a missing value is an empty update";
    EXPECT_EQ(state.Updates[5].Name, "");
}

TEST_F(HostileCatalogue, ItemsWithUnwritableNamesNeverDamageTheSettingsFile) {
    const std::string before =
        "[Main]\r\nLanguage=1\r\n[CD0398]\r\nQUAKE=C:\\GAMES\\QUAKE\r\nQUAKE_=Q.EXE,,\r\n";
    machine.Write("C:\\WINDOWS\\tavox.ini", before);
    // Names that cannot be keys of the settings file: nothing is recorded or deleted for them.
    Load("[Main]\r\nCD=0398\r\nDemos=4\r\n"
         "[Demo1]\r\nName=A=B\r\nInstallType=1\r\n"
         "[Demo2]\r\nName=;QUAKE\r\nInstallType=2\r\n"
         "[Demo3]\r\nName=[CD0398]\r\nInstallType=3\r\n"
         "[Demo4]\r\nName=\r\nInstallType=1\r\n");
    EXPECT_EQ(state.DemoCount, 4);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(state.Demos[i].NotInstalled, 1) << i;
    }
    EXPECT_EQ(test::ReadFile(machine.Host("C:\\WINDOWS\\tavox.ini")), before);
}

TEST_F(HostileCatalogue, AReleaseYearInTheDiscsCodePageIsShownAsWritten) {
    // Czech and Turkish editions may carry letters where the year belongs; the label shows those bytes, not
    // "?".
    Load("[Main]\r\nDemos=1\r\nVersion=1\r\n[Demo1]\r\nName=Hra\r\nDate=07\xE8\xBE\r\n");
    EXPECT_EQ(CreateDate(state.Demos[1].Date, 1), "Datum vyd\xE1n\xED: \xC8"
                                                  "ervenec \xE8\xBE");
    EXPECT_EQ(CreateDate(state.Demos[1].Date, 0), "Date of release: July \xE8\xBE");
}

TEST_F(HostileCatalogue, AMissingOrUnreadableCatalogueIsReportedAsTheProgramAlwaysDid) {
    EXPECT_EQ(LoadCatalogue(detection, state).message, "I/O error 3");

    std::filesystem::create_directories(machine.Host("D:\\TAVOX\\TAVOX95.INI"));
    const LoadResult directory = LoadCatalogue(detection, state);
    EXPECT_EQ(directory.outcome, LoadOutcome::CatalogueMissing) << "a directory of that name is no catalogue";
    EXPECT_EQ(directory.message, "Where is my TAVOX95.INI?????");
}

} // namespace
} // namespace tavox
