#include "catalogue/catalogue_load.h"

#include "catalogue/detection.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

using test::TestMachine;

class CatalogueLoadTest : public ::testing::Test {
protected:
    LoadResult Load(std::string_view catalogue_text) {
        machine.Write("D:\\TAVOX\\TAVOX95.INI", catalogue_text);
        return Load();
    }
    LoadResult Load() { return LoadCatalogue(detection, state); }

    TestMachine machine;
    ProfileFile settings = machine.Settings();
    DetectionContext detection{machine.Get(), settings, "", "D:", "C:\\WINDOWS\\", ""};
    CatalogueState state;
};

TEST(IssueLabel, ShowsMonthAndYear) {
    EXPECT_EQ(IssueLabel("0398"), "3-98");
    EXPECT_EQ(IssueLabel("1297"), "12-97");
    EXPECT_EQ(IssueLabel("0198"), "1-98");
    EXPECT_EQ(IssueLabel(""), "-");
    EXPECT_EQ(IssueLabel("1"), "1-");
}

TEST_F(CatalogueLoadTest, ReadsTheIssueAndTitle) {
    const LoadResult result = Load("[Main]\r\nCD=0398\r\nDemos=0\r\n");
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(result.Title, "TAVOX CD 3-98");
    EXPECT_EQ(result.IssueLabel, "3-98");
    EXPECT_EQ(result.CdMenuDir, "D:\\TAVOX\\");
    EXPECT_EQ(state.CdIssue, "0398");
    EXPECT_EQ(detection.CdIssue, "0398");
    EXPECT_EQ(state.DescribeVariant, 1);
}

TEST_F(CatalogueLoadTest, TheEditionPicksTheLocalDescription) {
    const std::string_view items = "[Demo1]\r\nName=A\r\nDescribe1=one\r\nDescribe2=two\r\nDescribe0=en\r\n"
                                   "[Share1]\r\nName=S\r\nDescribe2=share two\r\n"
                                   "[Shot1]\r\nName=H\r\nDescribe3=shot three\r\n"
                                   "[Reader1]\r\nName=R\r\nDescribe1=reader one\r\nDescribe2=reader two\r\n";
    struct Case {
        int version;
        std::string_view demo, share, shot;
    };
    for (const Case& c :
         {Case{1, "one", "", ""}, Case{2, "two", "share two", ""}, Case{3, "", "", "shot three"},
          Case{4, "", "", ""}, Case{7, "one", "", ""}, Case{0, "one", "", ""}}) {
        Load("[Main]\r\nDemos=1\r\nShareware=1\r\nShots=1\r\nReaders=1\r\nVersion=" +
             std::to_string(c.version) + "\r\n" + std::string(items));
        EXPECT_EQ(state.Demos[1].Describe, c.demo) << c.version;
        EXPECT_EQ(state.Shares[1].Describe, c.share) << c.version;
        EXPECT_EQ(state.Shots[1].Describe, c.shot) << c.version;
        EXPECT_EQ(state.Readers[1].Describe, "reader one") << c.version;
        EXPECT_EQ(state.Demos[1].Describe0, "en");
    }
}

TEST_F(CatalogueLoadTest, DemoNamesAreEscapedAndShortOnesUpperCased) {
    Load("[Main]\r\nDemos=4\r\n"
         "[Demo1]\r\nName=Alpha & Omega\r\nFirm=Smith & Co\r\n"
         "[Demo2]\r\nName=Sixteen letters!\r\n"
         "[Demo3]\r\nName=Fifteen letters\r\n"
         "[Demo4]\r\nName=\xE8"
         "esk\xE1 hra\r\n");
    EXPECT_EQ(state.Demos[1].Name, "Alpha && Omega");
    EXPECT_EQ(state.Demos[1].ListName, "ALPHA && OMEGA");
    EXPECT_EQ(state.Demos[1].Firm, "Smith && Co");
    EXPECT_EQ(state.Demos[2].ListName, "Sixteen letters!");
    EXPECT_EQ(state.Demos[3].ListName, "FIFTEEN LETTERS");
    EXPECT_EQ(state.Demos[4].ListName, "\xE8"
                                       "ESK\xE1 HRA")
        << "letters with diacritics keep their case";
}

TEST_F(CatalogueLoadTest, SharewareAndReadersKeepTheirNamesAsWritten) {
    Load("[Main]\r\nShareware=1\r\nReaders=1\r\n"
         "[Share1]\r\nName=Tom & Jerry\r\nInstallName=TJ.EXE\r\n"
         "[Reader1]\r\nName=my game\r\nInstallDir=MYGAME\r\nInstallType=1\r\n");
    EXPECT_EQ(state.Shares[1].ListName, "Tom & Jerry");
    EXPECT_EQ(state.Shares[1].InstallName, "TJ.EXE");
    EXPECT_EQ(state.Readers[1].ListName, "my game");
    EXPECT_EQ(state.Readers[1].InstallDir, "D:\\Readers\\MYGAME");
    EXPECT_EQ(state.Readers[1].NotInstalled, 1);
}

TEST_F(CatalogueLoadTest, TheParameterKeyFollowsRecipeThenRule) {
    Load("[Main]\r\nDemos=4\r\n"
         "[Demo1]\r\nName=A\r\nInstallType=2\r\n"
         "[Demo2]\r\nName=B\r\nInstallType=2\r\nDirDetect=8\r\nFilesInArchive=12\r\nSearchFile=B.EXE\r\n"
         "[Demo3]\r\nName=C\r\nInstallType=3\r\nForcedDir=C:\\FORCED\r\nDirDetect=2\r\n"
         "[Demo4]\r\nName=D\r\nInstallType=4\r\nDirDetect=6\r\nTestName=D.DAT\r\n");
    EXPECT_EQ(state.Demos[1].InstallParam, "0");
    EXPECT_EQ(state.Demos[2].InstallParam, "B.EXE");
    EXPECT_EQ(state.Demos[3].InstallParam, "C:\\FORCED");
    EXPECT_EQ(state.Demos[4].InstallParam, "") << "the rule's missing IniFile wins";
}

TEST_F(CatalogueLoadTest, DemoRecordsCarryEveryKey) {
    Load("[Main]\r\nDemos=1\r\n[Demo1]\r\nName=Quake\r\nFullName=Quake: Shareware\r\nTechinfo=P90\r\n"
         "InstallDir=QUAKE\r\nSetupName=SETUP.EXE\r\nGamename=QUAKE.EXE\r\nReadmename=README.TXT\r\n"
         "Date=22.6.1996\r\nPicture=QUAKE\r\nInstallName=QUAKE.RAR\r\nInstallType=0\r\nRegUninstall=Quake\r\n"
         "UnInstallName=C:\\UNINST.EXE\r\nFlags=11\r\nUninstall=DGC:\\QUAKE\r\n");
    const TDemos& demo = state.Demos[1];
    EXPECT_EQ(demo.FullName, "Quake: Shareware");
    EXPECT_EQ(demo.Techinfo, "P90");
    EXPECT_EQ(demo.InstallDir, "D:\\DEMOS\\QUAKE");
    EXPECT_EQ(demo.SetupName, "SETUP.EXE");
    EXPECT_EQ(demo.Readmename, "README.TXT");
    EXPECT_EQ(demo.Date, "22.6.1996");
    EXPECT_EQ(demo.Picture, "QUAKE");
    EXPECT_EQ(demo.InstallName, "QUAKE.RAR");
    EXPECT_EQ(demo.UnInstallName, "C:\\UNINST.EXE");
    EXPECT_EQ(demo.Flags, 11);
    EXPECT_EQ(demo.Uninstall, "DGC:\\QUAKE");
    EXPECT_EQ(demo.Runnable, 1) << "install type 0 was detected at load";
    EXPECT_EQ(demo.InstalledDir, "D:\\DEMOS\\QUAKE");
}

TEST_F(CatalogueLoadTest, UpdatesSplitIntoTheirFields) {
    const LoadResult result = Load("[Main]\r\nUpdates=3\r\n[Updates]\r\n"
                                   "Update1=Quake,1.06,QUAKE\\Q106.EXE,QUAKE\\README.TXT,2\r\n"
                                   "Update2=Doom;1.9;DOOM\\D19.EXE;DOOM\\README.TXT\r\n"
                                   "Update3=Only a name\r\n");
    EXPECT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(state.Updates[1], (TUpdate{"Quake", "1.06", "QUAKE\\Q106.EXE", "QUAKE\\README.TXT", 2}));
    EXPECT_EQ(state.Updates[2], (TUpdate{"Doom", "1.9", "DOOM\\D19.EXE", "DOOM\\README.TXT", 0}));
    EXPECT_EQ(state.Updates[3], (TUpdate{"Only a name", "", "", "", 0}));
}

TEST_F(CatalogueLoadTest, ABadUpdateKindIsReportedAndTheRestStillLoads) {
    const LoadResult result = Load("[Main]\r\nUpdates=2\r\nDemos=1\r\n[Updates]\r\n"
                                   "Update1=Quake,1.06,QUAKE\\Q106.EXE,QUAKE\\README.TXT,two\r\n"
                                   "Update2=Doom,1.9,DOOM\\D19.EXE,,1\r\n[Demo1]\r\nName=Quake\r\n");
    EXPECT_EQ(result.outcome, LoadOutcome::LoadedWithError);
    EXPECT_EQ(result.message, "'two' is not a valid integer value");
    EXPECT_EQ(state.Updates[1].Name, "Quake");
    EXPECT_EQ(state.Updates[1].SetupFile, "") << "nothing is installed the wrong way";
    EXPECT_EQ(state.Updates[2].Kind, 1);
    EXPECT_EQ(state.Demos[1].ListName, "QUAKE");
}

TEST_F(CatalogueLoadTest, CountsStayWithinTheCapacities) {
    std::string text = "[Main]\r\nDemos=10000\r\nShareware=-5\r\nReaders=16\r\nShots=2147483647\r\n";
    for (int i = 1; i <= 30; ++i) {
        text += "[Demo" + std::to_string(i) + "]\r\nName=D" + std::to_string(i) + "\r\nInstallType=0\r\n";
    }
    Load(text);
    EXPECT_EQ(state.DemoCount, 25);
    EXPECT_EQ(state.ShareCount, 0);
    EXPECT_EQ(state.ReaderCount, 15);
    EXPECT_EQ(state.ShotCount, 15);
    EXPECT_EQ(state.Demos[25].ListName, "D25");
    EXPECT_EQ(state.Demos[26].ListName, "");
}

TEST_F(CatalogueLoadTest, ReloadingAShorterCatalogueLeavesNoStaleRecords) {
    Load("[Main]\r\nDemos=2\r\n[Demo1]\r\nName=A\r\n[Demo2]\r\nName=B\r\n");
    Load("[Main]\r\nDemos=1\r\n[Demo1]\r\nName=C\r\n");
    EXPECT_EQ(state.Demos[1].ListName, "C");
    EXPECT_EQ(state.Demos[2], TDemos{});
}

TEST_F(CatalogueLoadTest, AMissingCatalogueEndsTheProgram) {
    machine.Write("D:\\TAVOX\\README.TXT", "");
    const LoadResult result = Load();
    EXPECT_EQ(result.outcome, LoadOutcome::CatalogueMissing);
    EXPECT_EQ(result.message, "Where is my TAVOX95.INI?????");
}

TEST_F(CatalogueLoadTest, TheCatalogueIsFoundInAnyCase) {
    machine.Write("D:\\tavox\\tavox95.ini", "[main]\r\ncd=1298\r\n");
    EXPECT_EQ(Load().outcome, LoadOutcome::Loaded);
    EXPECT_EQ(state.CdIssue, "1298");
}

TEST_F(CatalogueLoadTest, AnUnreachableMenuDirectoryKeepsTheRecords) {
    state.Demos[1].ListName = "KEPT";
    EXPECT_EQ(Load().message, "I/O error 3");
    detection.CdDrive = "Q:";
    const LoadResult result = Load();
    EXPECT_EQ(result.outcome, LoadOutcome::CdDirUnreachable);
    EXPECT_EQ(result.message, "I/O error 21");
    EXPECT_EQ(state.Demos[1].ListName, "KEPT");
}

TEST_F(CatalogueLoadTest, JunkLoadsWithoutHarm) {
    std::string junk = "[Main]\r\nDemos=3\r\nCD=\xFF\xFE\r\n[Demo1]\r\nName=";
    junk += std::string(5000, 'x');
    junk += "\r\n[Demo2\r\nName=a=b]\r\n";
    junk.push_back('\0');
    junk += "\r\n[Demo3]\r\nName==\r\n";
    Load(junk);
    EXPECT_EQ(state.DemoCount, 3);
    EXPECT_EQ(state.Demos[1].ListName.size(), 1023u) << "values are read up to 1023 characters";
    EXPECT_EQ(state.Demos[3].ListName, "=");
}

} // namespace
} // namespace tavox
