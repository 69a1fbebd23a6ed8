#include "support/disc_images.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <tuple>

extern char** environ;

namespace tavox::test {

bool RunQuietly(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

std::uint8_t Bcd(unsigned value) {
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

} // namespace

bool HaveXorriso() {
    return RunQuietly({"xorriso", "-version"});
}

bool MakeIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
             const std::string& volume_id, const std::vector<std::string>& options) {
    std::vector<std::string> command = {"xorriso",    "-abort_on", "FAILURE", "-outdev",
                                        iso.string(), "-volid",    volume_id};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(command.end(), {"-map", tree.string(), "/"});
    return RunQuietly(command);
}

bool MakeLaterSessionIso(const std::filesystem::path& tree, const std::filesystem::path& iso,
                         const std::string& volume_id, unsigned first_sector) {
    return RunQuietly({"xorriso", "-as", "mkisofs", "-quiet", "-J", "-V", volume_id, "-C",
                       "0," + std::to_string(first_sector), "-o", iso.string(), tree.string()});
}

bool MakeRawImage(const std::filesystem::path& iso, const std::filesystem::path& raw, RawFormat format,
                  unsigned sector_size, unsigned lead_sectors, unsigned first_sector) {
    std::ifstream in(iso, std::ios::binary);
    std::ofstream out(raw, std::ios::binary);
    if (!in || !out) {
        return false;
    }
    const std::vector<char> silence(std::size_t{sector_size} * lead_sectors, '\0');
    out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
    std::array<char, 2048> user{};
    std::vector<char> sector(sector_size);
    // Sector addresses count from 00:02:00, the start of the first track's data.
    for (unsigned lba = 150 + first_sector; in.read(user.data(), user.size()); ++lba) {
        std::fill(sector.begin(), sector.end(), '\0');
        std::fill(sector.begin() + 1, sector.begin() + 11, static_cast<char>(0xFF));
        sector[12] = static_cast<char>(Bcd(lba / 75 / 60));
        sector[13] = static_cast<char>(Bcd(lba / 75 % 60));
        sector[14] = static_cast<char>(Bcd(lba % 75));
        sector[15] = format == RawFormat::Mode1 ? 1 : 2;
        const std::size_t data_at = format == RawFormat::Mode1 ? 16 : 24;
        std::copy(user.begin(), user.end(), sector.begin() + static_cast<std::ptrdiff_t>(data_at));
        out.write(sector.data(), static_cast<std::streamsize>(sector.size()));
    }
    return static_cast<bool>(out);
}

namespace {

namespace fs = std::filesystem;

constexpr unsigned kRaw = 2352;
constexpr unsigned kPregap = 150;

void PutBe(std::string& bytes, std::uint64_t value, std::size_t size_bytes) {
    for (std::size_t i = size_bytes; i-- > 0;) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void PutLe(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t size_bytes) {
    for (std::size_t i = 0; i < size_bytes; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string Chunk(std::string_view id, const std::string& data) {
    std::string chunk(id);
    PutBe(chunk, data.size(), 4);
    return chunk + data;
}

fs::path WithName(const fs::path& base, const std::string& suffix) {
    return base.parent_path() / (base.filename().string() + suffix);
}

// A cue point: control and address type, track and index in BCD, and the sector as a signed 32-bit number or
// as minutes, seconds and frames counted from the lead-in.
std::string CuePoint(std::uint8_t control, unsigned track, unsigned index, int sector, bool msf) {
    std::string point;
    point += static_cast<char>(control);
    point += static_cast<char>(track == 0xAA ? track : Bcd(track)); // the lead-out's number is not BCD
    point += static_cast<char>(Bcd(index));
    point += '\0';
    if (msf) {
        const unsigned address = static_cast<unsigned>(sector + 150);
        point += '\0';
        point += static_cast<char>(Bcd(address / 75 / 60));
        point += static_cast<char>(Bcd(address / 75 % 60));
        point += static_cast<char>(Bcd(address % 75));
    } else {
        PutBe(point, static_cast<std::uint32_t>(sector), 4);
    }
    return point;
}

// Disc at once: the first track's pregap stored before its 2048-byte sectors, one DAO entry with its index 0,
// index 1 and end offsets, and the cue points of the lead-in, the track and the lead-out.
fs::path MakeNrgDiscAtOnce(const fs::path& iso, const fs::path& nrg, bool old) {
    const std::string data = ReadFile(iso);
    const std::uint64_t pregap_bytes = std::uint64_t{kPregap} * 2048;
    const int sectors = static_cast<int>(data.size() / 2048);
    std::string image(pregap_bytes, '\0');
    image += data;
    std::string cue = CuePoint(0x41, 0, 0, -150, old) + CuePoint(0x41, 1, 0, -150, old) +
                      CuePoint(0x41, 1, 1, 0, old) + CuePoint(0x41, 0xAA, 1, sectors, old);
    const std::size_t wide = old ? 4 : 8;
    std::string dao(4, '\0');                   // the chunk's size again, filled in below
    dao += std::string(14, '\0');               // catalogue number
    dao += std::string{'\0', '\0', '\1', '\1'}; // table of contents type, first and last track
    dao += std::string(12, '\0');               // ISRC
    PutBe(dao, 2048, 2);                        // sector size
    PutBe(dao, 0, 2);                           // mode: Mode 1, 2048 bytes
    PutBe(dao, 1, 2);
    PutBe(dao, 0, wide);
    PutBe(dao, pregap_bytes, wide);
    PutBe(dao, image.size(), wide);
    std::string size;
    PutBe(size, dao.size(), 4);
    dao.replace(0, 4, size);
    const std::uint64_t chunks_at = image.size();
    image += Chunk(old ? "CUES" : "CUEX", cue) + Chunk(old ? "DAOI" : "DAOX", dao) +
             Chunk("SINF", std::string("\0\0\0\1", 4)) + Chunk("END!", "");
    image += old ? "NERO" : "NER5";
    PutBe(image, chunks_at, old ? 4 : 8);
    WriteFile(nrg, image);
    return nrg;
}

// Track at once: ten seconds of silence as an audio track, then the data track; each track's offset, length,
// mode and address in an "ETN2" entry.
fs::path MakeNrgTrackAtOnce(const fs::path& iso, const fs::path& nrg) {
    const std::string data = ReadFile(iso);
    constexpr unsigned kAudioSectors = 750;
    std::string image(std::size_t{kAudioSectors} * kRaw, '\0');
    const std::uint64_t data_at = image.size();
    image += data;
    std::string etn;
    for (const auto& [start, length, mode, sector] :
         {std::tuple<std::uint64_t, std::uint64_t, unsigned, unsigned>{0, data_at, 7, 0},
          {data_at, data.size(), 0, kAudioSectors + kPregap}}) {
        PutBe(etn, start, 8);
        PutBe(etn, length, 8);
        PutBe(etn, mode, 4);
        PutBe(etn, sector, 4);
        PutBe(etn, 0, 8);
    }
    const std::uint64_t chunks_at = image.size();
    image += Chunk("ETN2", etn) + Chunk("SINF", std::string("\0\0\0\2", 4)) + Chunk("END!", "") + "NER5";
    PutBe(image, chunks_at, 8);
    WriteFile(nrg, image);
    return nrg;
}

// Version 1 media descriptor: a header, one session of three lead-in entries and the track, the track's
// pregap and length, and a footer naming the image as "*.mdf" (the descriptor's own name).
fs::path MakeMds(const fs::path& iso, const fs::path& base) {
    const fs::path mdf = WithName(base, ".mdf");
    MakeRawImage(iso, mdf, RawFormat::Mode1);
    const unsigned sectors = static_cast<unsigned>(fs::file_size(iso) / 2048);
    std::string mds(88 + 24 + 4 * 80 + 8 + 16 + 6, '\0');
    mds.replace(0, 16, "MEDIA DESCRIPTOR");
    mds[16] = 1;
    mds[17] = 3;
    PutLe(mds, 20, 1, 2);  // sessions
    PutLe(mds, 80, 88, 4); // where they are
    const std::size_t session = 88;
    PutLe(mds, session + 0, static_cast<std::uint32_t>(-150), 4);
    PutLe(mds, session + 4, sectors, 4);
    PutLe(mds, session + 8, 1, 2);
    mds[session + 10] = 4; // blocks: three lead-in entries and the track
    mds[session + 11] = 3;
    PutLe(mds, session + 12, 1, 2);
    PutLe(mds, session + 14, 1, 2);
    const std::size_t blocks = session + 24;
    PutLe(mds, session + 20, blocks, 4);
    for (unsigned b = 0; b < 3; ++b) {
        mds[blocks + b * 80 + 2] = 0x14;
        mds[blocks + b * 80 + 4] = static_cast<char>(0xA0 + b);
    }
    const std::size_t track = blocks + 3 * 80;
    const std::size_t extra = track + 80;
    const std::size_t footer = extra + 8;
    mds[track + 0] = static_cast<char>(0xAA); // Mode 1
    mds[track + 2] = 0x14;
    mds[track + 4] = 1;
    mds[track + 10] = 2; // 00:02:00
    PutLe(mds, track + 12, extra, 4);
    PutLe(mds, track + 16, kRaw, 2);
    PutLe(mds, track + 36, 0, 4);
    PutLe(mds, track + 40, 0, 8);
    PutLe(mds, track + 48, 1, 4);
    PutLe(mds, track + 52, footer, 4);
    PutLe(mds, extra, kPregap, 4);
    PutLe(mds, extra + 4, sectors, 4);
    PutLe(mds, footer, footer + 16, 4);
    mds.replace(footer + 16, 5, "*.mdf");
    const fs::path path = WithName(base, ".mds");
    WriteFile(path, mds);
    return path;
}

// Clone descriptor: the table of contents as entries, the track's mode and index, beside raw sectors from
// the disc's first one and an empty subchannel file.
fs::path MakeCcd(const fs::path& iso, const fs::path& base) {
    const fs::path img = WithName(base, ".img");
    MakeRawImage(iso, img, RawFormat::Mode1);
    const unsigned sectors = static_cast<unsigned>(fs::file_size(iso) / 2048);
    const fs::path sub = WithName(base, ".sub");
    WriteFile(sub, std::string(std::size_t{sectors} * 96, '\0'));
    std::string ccd = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\nSessions=1\r\n"
                      "DataTracksScrambled=0\r\nCDTextLength=0\r\n[Session 1]\r\nPreGapMode=1\r\n"
                      "PreGapSubC=0\r\n";
    const auto entry = [&ccd](int number, const char* point, int plba) {
        const int address = plba + 150;
        ccd += "[Entry " + std::to_string(number) + "]\r\nSession=1\r\nPoint=" + point +
               "\r\nADR=0x01\r\nControl=0x04\r\nTrackNo=0\r\nAMin=0\r\nASec=0\r\nAFrame=0\r\n"
               "ALBA=-150\r\nZero=0\r\nPMin=" +
               std::to_string(address / 75 / 60) + "\r\nPSec=" + std::to_string(address / 75 % 60) +
               "\r\nPFrame=" + std::to_string(address % 75) + "\r\nPLBA=" + std::to_string(plba) + "\r\n";
    };
    entry(0, "0xa0", 4350); // first track 1, as minutes in PMin: 01:00:00 less the lead-in
    entry(1, "0xa1", 4350);
    entry(2, "0xa2", static_cast<int>(sectors));
    entry(3, "0x01", 0);
    ccd += "[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n";
    const fs::path path = WithName(base, ".ccd");
    WriteFile(path, ccd);
    return path;
}

// One file per track, as preservation groups name them; the data track first or after ten seconds of audio.
fs::path MakeCuePerTrack(const fs::path& iso, const fs::path& base, bool audio_first) {
    const fs::path audio = WithName(base, audio_first ? " (Track 1).bin" : " (Track 2).bin");
    const fs::path data = WithName(base, audio_first ? " (Track 2).bin" : " (Track 1).bin");
    WriteFile(audio, std::string(std::size_t{750} * kRaw, '\0'));
    const std::string audio_track = "FILE \"" + audio.filename().string() + "\" BINARY\r\n  TRACK " +
                                    (audio_first ? "01" : "02") +
                                    " AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n";
    std::string cue;
    if (audio_first) {
        MakeRawImage(iso, data, RawFormat::Mode1, kRaw, kPregap, kAudioFirstDataSector);
        cue = audio_track + "REM SESSION 02\r\nFILE \"" + data.filename().string() +
              "\" BINARY\r\n  TRACK 02 MODE1/2352\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n";
        cue = "REM SESSION 01\r\n" + cue;
    } else {
        MakeRawImage(iso, data, RawFormat::Mode1);
        cue = "FILE \"" + data.filename().string() +
              "\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n" + audio_track;
    }
    const fs::path path = WithName(base, ".cue");
    WriteFile(path, cue);
    return path;
}

} // namespace

fs::path MakeDiscShape(const fs::path& iso, const fs::path& base, DiscShape shape) {
    const fs::path nrg = WithName(base, ".nrg");
    switch (shape) {
    case DiscShape::NrgDiscAtOnce:
        return MakeNrgDiscAtOnce(iso, nrg, false);
    case DiscShape::NrgDiscAtOnceOld:
        return MakeNrgDiscAtOnce(iso, nrg, true);
    case DiscShape::NrgTrackAtOnce:
        return MakeNrgTrackAtOnce(iso, nrg);
    case DiscShape::Mds:
        return MakeMds(iso, base);
    case DiscShape::Ccd:
        return MakeCcd(iso, base);
    case DiscShape::CueOnePerTrack:
        return MakeCuePerTrack(iso, base, false);
    case DiscShape::CueAudioFirst:
        return MakeCuePerTrack(iso, base, true);
    }
    return {};
}

bool MakeArchive(const std::filesystem::path& archive, const std::filesystem::path& dir,
                 const std::vector<std::string>& members) {
    std::vector<std::string> command =
        archive.extension() == ".7z"
            ? std::vector<std::string>{"7z", "a", "-bd", archive.string()}
            : std::vector<std::string>{"bsdtar", "-a", "-cf", archive.string(), "-C", dir.string()};
    command.insert(command.end(), members.begin(), members.end());
    if (archive.extension() == ".7z") {
        // 7z names members relative to its working directory.
        command.insert(command.begin(), {"sh", "-c", "cd \"$0\" && exec \"$@\"", dir.string()});
    }
    return RunQuietly(command);
}

void WriteLyingZip(const std::filesystem::path& archive, const std::string& name, std::uint32_t claimed_bytes,
                   const std::string& data) {
    std::string out;
    const auto put16 = [&out](std::uint32_t v) {
        out += static_cast<char>(v & 0xFF), out += static_cast<char>(v >> 8);
    };
    const auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const auto header = [&](bool central) {
        put32(central ? 0x02014b50 : 0x04034b50);
        if (central) {
            put16(20);
        }
        put16(20), put16(0), put16(0), put16(0), put16(0); // version, flags, stored, time, date
        put32(0);                                          // the CRC, which no reader gets to check
        put32(static_cast<std::uint32_t>(data.size())), put32(claimed_bytes);
        put16(static_cast<std::uint32_t>(name.size())), put16(0);
        if (central) {
            put16(0), put16(0), put16(0), put32(0), put32(0); // comment, disk, attributes, local header at 0
        }
        out += name;
    };
    header(false);
    out += data;
    const auto central_at = static_cast<std::uint32_t>(out.size());
    header(true);
    const auto central_bytes = static_cast<std::uint32_t>(out.size()) - central_at;
    put32(0x06054b50), put16(0), put16(0), put16(1), put16(1), put32(central_bytes), put32(central_at),
        put16(0);
    WriteFile(archive, out);
}

} // namespace tavox::test
