#include "catalogue/settings_records.h"

#include "platform/profile_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The settings a reader's first start left in the machine's old Windows folder, and those of the starts made
// since in the new one, where the language was asked for again and another issue's item was recorded.
TEST(MergeSettings, BringsTheOlderFilesRecordsAndKeepsEveryCurrentOne) {
    TempDir dir;
    WriteFile(dir / "older.ini", "[Main]\r\nLanguage=1\r\nLanguage2=1\r\nLowColorWarning=1\r\n"
                                 "[CD1298]\r\nHradby=C:\\GAMES\\Hradby\r\nHradby_=HRADBY.EXE,,DG\r\n"
                                 "Vortex=C:\\OLD\\VORTEX\r\nVortex_=VORTEX.EXE,Vortex,\r\n"
                                 "Vortex__=C:\\OLD\\VORTEX\\UNINST.EXE\r\n");
    WriteFile(dir / "tavox.ini", "[Main]\r\nLanguage=1\r\nLanguage2=0\r\n"
                                 "[CD1298]\r\nVortex=C:\\HRY\\VORTEX\r\nVortex_=VORTEX.EXE,Vortex,\r\n"
                                 "[CD0199]\r\nZubr=C:\\ZUBR\r\nZubr_=ZUBR.EXE,,\r\n");
    ProfileFile settings(dir / "tavox.ini");
    MergeSettings(settings, ProfileFile(dir / "older.ini"));

    EXPECT_EQ(ReadFile(dir / "tavox.ini"),
              "[Main]\r\nLanguage=1\r\nLanguage2=0\r\nLowColorWarning=1\r\n"
              "[CD1298]\r\nVortex=C:\\HRY\\VORTEX\r\nVortex_=VORTEX.EXE,Vortex,\r\n"
              "Hradby=C:\\GAMES\\Hradby\r\nHradby_=HRADBY.EXE,,DG\r\n"
              "[CD0199]\r\nZubr=C:\\ZUBR\r\nZubr_=ZUBR.EXE,,\r\n")
        << "the current choice and record win; the old uninstall command does not join the new record";
}

} // namespace
} // namespace tavox
