#include "unrar/dos_code_page.h"
#include "unrar/entry_name.h"
#include "unrar/volume_name.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using tavox::unrar::StoredName;

TEST(UnrarNames, EightBitNamesReadInTheDosCodePage) {
    // One byte, three code pages: 0x85 is à, ů, à; 0x8D is ì, Ź, ı; 0x9F is ƒ, č, ş.
    EXPECT_EQ(tavox::unrar::DosToUtf8("\x85\x8D\x9F", 437), "àìƒ");
    EXPECT_EQ(tavox::unrar::DosToUtf8("\x85\x8D\x9F", 852), "ůŹč");
    EXPECT_EQ(tavox::unrar::DosToUtf8("\x85\x8D\x9F", 857), "àış");
    EXPECT_EQ(tavox::unrar::DosToUtf8("ASCII.TXT", 852), "ASCII.TXT");
    // Archives made on DOS and Windows keep their 8-bit names in the DOS code page even when the bytes look
    // like UTF-8; RAR for Unix stores UTF-8.
    const StoredName looks_like_utf8{"\xC3\xA9", std::nullopt};
    EXPECT_EQ(tavox::unrar::NameToUtf8(looks_like_utf8, 0, 437), "├⌐");
    EXPECT_EQ(tavox::unrar::NameToUtf8(looks_like_utf8, 3, 437), "é");
    EXPECT_EQ(tavox::unrar::NameToUtf8({"\x82", std::nullopt}, 3, 437), "é");
}

TEST(UnrarNames, UnicodeFormsArePreferredAndUnpackedAgainstTheEightBitName) {
    // The packed form: high byte 0x01, then flag byte 0b01'00'11'00: "č" (0x010D) with the high byte, "a"
    // as a byte, then a run of two copied from the 8-bit name ("t.").
    const std::string packed("\x01\x4C\x0D"
                             "a"
                             "\x00",
                             5);
    const StoredName name = tavox::unrar::ReadRar4Name(std::string("?at.") + '\0' + packed, true);
    EXPECT_EQ(name.bytes, "?at.");
    ASSERT_TRUE(name.utf8.has_value());
    EXPECT_EQ(*name.utf8, "čat.");
    EXPECT_EQ(tavox::unrar::NameToUtf8(name, 2, 437), "čat.");
    // Without the zero the whole field is UTF-8.
    EXPECT_EQ(tavox::unrar::ReadRar4Name("\xC5\xBE.txt", true).utf8, "ž.txt");
}

TEST(UnrarNames, RelativePartsStayBelowTheTarget) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(tavox::unrar::RelativeParts("DIR\\SUB\\FILE.TXT"), (Parts{"DIR", "SUB", "FILE.TXT"}));
    EXPECT_EQ(tavox::unrar::RelativeParts("dir/./file"), (Parts{"dir", "file"}));
    EXPECT_EQ(tavox::unrar::RelativeParts("C:\\GAMES\\X.EXE"), (Parts{"GAMES", "X.EXE"}));
    EXPECT_EQ(tavox::unrar::RelativeParts("\\\\server\\share\\x"), (Parts{"server", "share", "x"}));
    EXPECT_EQ(tavox::unrar::RelativeParts("/etc/passwd"), (Parts{"etc", "passwd"}));
    EXPECT_EQ(tavox::unrar::RelativeParts("..."), (Parts{"..."}));
    for (const char* unsafe : {"..\\x", "a\\..\\..\\x", "a/../b", "..", "", "\\", "C:", "./."}) {
        EXPECT_EQ(tavox::unrar::RelativeParts(unsafe), std::nullopt) << unsafe;
    }
}

TEST(UnrarNames, NextVolumeNamesFollowBothSchemes) {
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.part1.rar", true), "/cd/game.part2.rar");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.part09.rar", true), "/cd/game.part10.rar");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.part9.rar", true), "/cd/game.part10.rar");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/GAME.RAR", false), "/cd/GAME.R00");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.rar", false), "/cd/game.r00");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.r08", false), "/cd/game.r09");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd/game.r99", false), "/cd/game.s00");
    EXPECT_EQ(tavox::unrar::NextVolumeName("/cd.1/game", false), "/cd.1/game.r00");
}

} // namespace
