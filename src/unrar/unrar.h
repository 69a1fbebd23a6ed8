#pragma once

// The RAR library's interface as the archive component uses it: the same calls, records, open modes,
// operations and result codes. Headers are read from the block headers here; packed data is unpacked
// through libunarr (RAR 1.5-4: RAR 2.0 and 2.9/3.x compression, solid), the unar program (RAR 1.5
// compression) or libarchive (RAR 5) in a worker process, stored data directly. Paths (ArcName, DestPath)
// are host paths in UTF-8; nothing is ever written outside DestPath.
//
// What this layer does where the maker's library would do more or differently:
// - RAR 1.5 compression needs the unar program (found on PATH): without it, testing or extracting such a
//   file returns ERAR_UNKNOWN_FORMAT, as does any other method no decoder here knows; where unar fails on
//   the data, ERAR_BAD_DATA. A packed comment reads with CmtState ERAR_UNKNOWN_FORMAT where it cannot be
//   unpacked here, ERAR_BAD_DATA where unpacking fails.
// - Encrypted files cannot be decrypted: testing or extracting one returns ERAR_BAD_DATA (what a wrong
//   password gives), with or without a password, and writes nothing. An archive whose headers are encrypted
//   opens, and its first RARReadHeader returns ERAR_BAD_DATA.
// - Symbolic and hard links are never made: extracting one returns ERAR_SUCCESS and writes nothing.
// - A file that fails its check (ERAR_BAD_DATA), or whose extraction stops, leaves no file behind; an
//   existing file of the name is replaced only by a complete one.
// - A name that climbs out of DestPath with ".." cannot be created (ERAR_ECREATE); drive letters and leading
//   separators are dropped, '\' and '/' both separate directories.
// - A decoder that gives no sign of progress for 5 seconds is stopped: ERAR_BAD_DATA.
// - A damaged header ends the walk: RARReadHeader returns ERAR_BAD_DATA once, then ERAR_END_ARCHIVE.
// - In RAR_OM_LIST mode RARProcessFile only skips, whatever the operation.
// - Multi-volume sets: the walk and split files go on into the next volumes (stored and packed files, RAR
//   1.5-4 and RAR 5); a volume that is not found is asked for through the change-volume callback, and
//   without one, or when it answers -1, the call returns ERAR_EOPEN.
// - Comments are zero-terminated in CmtBuf and CmtSize counts the terminator; their bytes are as stored.

namespace tavox::unrar {

inline constexpr int ERAR_SUCCESS = 0;
inline constexpr int ERAR_END_ARCHIVE = 10;
inline constexpr int ERAR_NO_MEMORY = 11;
inline constexpr int ERAR_BAD_DATA = 12;
inline constexpr int ERAR_BAD_ARCHIVE = 13;
inline constexpr int ERAR_UNKNOWN_FORMAT = 14;
inline constexpr int ERAR_EOPEN = 15;
inline constexpr int ERAR_ECREATE = 16;
inline constexpr int ERAR_ECLOSE = 17;
inline constexpr int ERAR_EREAD = 18;
inline constexpr int ERAR_EWRITE = 19;
inline constexpr int ERAR_SMALL_BUF = 20;
inline constexpr int ERAR_UNKNOWN = 21;

inline constexpr unsigned RAR_OM_LIST = 0;
inline constexpr unsigned RAR_OM_EXTRACT = 1;

inline constexpr int RAR_SKIP = 0;
inline constexpr int RAR_TEST = 1;
inline constexpr int RAR_EXTRACT = 2;

inline constexpr int RAR_VOL_ASK = 0;
inline constexpr int RAR_VOL_NOTIFY = 1;

// Bits of RARHeaderData::Flags.
inline constexpr unsigned RHDF_SPLITBEFORE = 0x01;
inline constexpr unsigned RHDF_SPLITAFTER = 0x02;
inline constexpr unsigned RHDF_ENCRYPTED = 0x04;
inline constexpr unsigned RHDF_COMMENT = 0x08;
inline constexpr unsigned RHDF_SOLID = 0x10;
inline constexpr unsigned RHDF_DIRECTORY = 0xE0;

struct RAROpenArchiveData {
    const char* ArcName = nullptr;
    unsigned OpenMode = RAR_OM_LIST;
    unsigned OpenResult = 0;
    char* CmtBuf = nullptr;
    unsigned CmtBufSize = 0;
    unsigned CmtSize = 0;
    unsigned CmtState =
        0; // 0 none, 1 read, ERAR_NO_MEMORY, ERAR_BAD_DATA, ERAR_UNKNOWN_FORMAT, ERAR_SMALL_BUF
};

struct RARHeaderData {
    char ArcName[260] = {};
    // The stored name with '\' between its parts, zero-terminated, in the Windows code page that goes with
    // the DOS code page of RARSetOemCodePage (437 -> 1252, 852 -> 1250, 857 -> 1254), as the menu's texts
    // are; characters that code page lacks read '?'. Files on the host get the full name in UTF-8.
    char FileName[260] = {};
    unsigned Flags = 0;
    unsigned PackSize = 0;
    unsigned UnpSize = 0;
    unsigned HostOS = 0;
    unsigned FileCRC = 0;
    unsigned FileTime = 0; // MS-DOS date and time
    unsigned UnpVer = 0;
    unsigned Method = 0;
    unsigned FileAttr = 0;
    char* CmtBuf = nullptr;
    unsigned CmtBufSize = 0;
    unsigned CmtSize = 0;
    unsigned CmtState = 0;
};

// Answers a volume request: mode RAR_VOL_ASK asks for the volume whose name is in arc_name (the callback may
// write another name there, of up to 4095 bytes), RAR_VOL_NOTIFY tells that it is being opened. -1 stops,
// anything else goes on.
using ChangeVolProc = int (*)(char* arc_name, int mode);
// Receives each block of unpacked data, on the caller's thread inside RARProcessFile; -1 stops the operation
// (RARProcessFile then returns ERAR_UNKNOWN), anything else goes on.
using ProcessDataProc = int (*)(unsigned char* addr, int size);

struct Archive;
using ArchiveHandle = Archive*;

// Opens an archive; nullptr (with OpenResult set) when it cannot be opened.
ArchiveHandle RAROpenArchive(RAROpenArchiveData* data);
int RARCloseArchive(ArchiveHandle handle);
// Reads the next file header: 0, ERAR_END_ARCHIVE, ERAR_BAD_DATA for a damaged header, or ERAR_EOPEN when
// the next volume of a set cannot be found.
int RARReadHeader(ArchiveHandle handle, RARHeaderData* header);
// Skips, tests or extracts the file whose header was read last. dest_path: directory to extract into
// (nullptr: the current directory; made when missing); dest_name: full host name for the file instead
// (rarely used).
int RARProcessFile(ArchiveHandle handle, int operation, const char* dest_path, const char* dest_name);
void RARSetChangeVolProc(ArchiveHandle handle, ChangeVolProc proc);
void RARSetProcessDataProc(ArchiveHandle handle, ProcessDataProc proc);
void RARSetPassword(ArchiveHandle handle, const char* password);
// The DOS code page of 8-bit names stored without a Unicode form (437 when never set); names on the host are
// UTF-8 converted from it.
void RARSetOemCodePage(ArchiveHandle handle, int code_page);

} // namespace tavox::unrar
