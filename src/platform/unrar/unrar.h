#pragma once

// The RAR library's interface as the archive component uses it: the same calls, records, open modes,
// operations and result codes. RAR 1.5-4 archives are decoded through libunarr, RAR 5 through libarchive;
// header fields neither library gives are read from the block headers. Paths (ArcName, DestPath) are host
// paths in UTF-8; nothing is ever written outside DestPath.

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
inline constexpr unsigned RHDF_SOLID = 0x10;
inline constexpr unsigned RHDF_DIRECTORY = 0xE0;

struct RAROpenArchiveData {
    const char* ArcName = nullptr;
    unsigned OpenMode = RAR_OM_LIST;
    unsigned OpenResult = 0;
    char* CmtBuf = nullptr;
    unsigned CmtBufSize = 0;
    unsigned CmtSize = 0;
    unsigned CmtState = 0; // 0 none, 1 read, ERAR_NO_MEMORY, ERAR_BAD_DATA, ERAR_UNKNOWN_FORMAT, ERAR_SMALL_BUF
};

struct RARHeaderData {
    char ArcName[260] = {};
    char FileName[260] = {}; // the stored name, '\' between its parts, zero-terminated
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
// write another name there), RAR_VOL_NOTIFY tells that it is being opened. -1 stops, anything else goes on.
using ChangeVolProc = int (*)(char* arc_name, int mode);
// Receives each block of unpacked data; -1 stops the operation, anything else goes on.
using ProcessDataProc = int (*)(unsigned char* addr, int size);

struct Archive;
using ArchiveHandle = Archive*;

// Opens an archive; nullptr (with OpenResult set) when it cannot be opened.
ArchiveHandle RAROpenArchive(RAROpenArchiveData* data);
int RARCloseArchive(ArchiveHandle handle);
// Reads the next file header: 0, ERAR_END_ARCHIVE, or ERAR_BAD_DATA for a damaged header.
int RARReadHeader(ArchiveHandle handle, RARHeaderData* header);
// Skips, tests or extracts the file whose header was read last. dest_path: directory to extract into
// (nullptr: the current directory); dest_name: full host name for the file instead (rarely used).
int RARProcessFile(ArchiveHandle handle, int operation, const char* dest_path, const char* dest_name);
void RARSetChangeVolProc(ArchiveHandle handle, ChangeVolProc proc);
void RARSetProcessDataProc(ArchiveHandle handle, ProcessDataProc proc);
void RARSetPassword(ArchiveHandle handle, const char* password);
// The DOS code page of 8-bit names stored without a Unicode form (437 when never set); names on the host are
// UTF-8 converted from it.
void RARSetOemCodePage(ArchiveHandle handle, int code_page);

} // namespace tavox::unrar
