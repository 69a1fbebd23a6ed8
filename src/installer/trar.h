#pragma once

#include "unrar/unrar.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

class DriveMap;

// Strings kept in order and looked up without regard to case (ASCII letters, as names on the discs are
// compared byte by byte); a line that is already there is not added twice.
class SortedStringList {
public:
    void Add(std::string_view line);
    // Replaces the lines with copies of the given ones.
    void Assign(const std::vector<std::string>& lines);
    void Clear() { lines_.clear(); }
    bool Contains(std::string_view name) const;
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::vector<std::string>& Strings() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// An archive comment, or a file's: the bytes the library wrote and their count.
struct TComment {
    std::int32_t Size = 0;
    std::array<char, 65536> Text{};
};

// The library's entry points. The component calls them through this table, so that tests can watch the calls.
struct UnrarLibrary {
    decltype(&unrar::RAROpenArchive) RAROpenArchive = &unrar::RAROpenArchive;
    decltype(&unrar::RARCloseArchive) RARCloseArchive = &unrar::RARCloseArchive;
    decltype(&unrar::RARReadHeader) RARReadHeader = &unrar::RARReadHeader;
    decltype(&unrar::RARProcessFile) RARProcessFile = &unrar::RARProcessFile;
    decltype(&unrar::RARSetChangeVolProc) RARSetChangeVolProc = &unrar::RARSetChangeVolProc;
    decltype(&unrar::RARSetProcessDataProc) RARSetProcessDataProc = &unrar::RARSetProcessDataProc;
    decltype(&unrar::RARSetPassword) RARSetPassword = &unrar::RARSetPassword;
    decltype(&unrar::RARSetOemCodePage) RARSetOemCodePage = &unrar::RARSetOemCodePage;
};

// Lists or extracts a RAR archive through the RAR library and tells what happens through its events; it asks
// the user nothing itself. Each List or Extract opens, walks and closes the archive. ArchiveName and
// TargetDir are Windows paths, found on the host through the drive map.
class TRAR {
public:
    using TProcessDataProcN =
        std::function<int(TRAR& Sender, unsigned char* Addr, int BlockSize, int Position)>;
    using TChangeVolProcN = std::function<int(TRAR& Sender, char* ArcName, int Mode)>;
    using TErrorProc = std::function<void(TRAR& Sender, int Error)>;
    using TCommentProc = std::function<void(TRAR& Sender, const TComment& Comment)>;
    using TListFileProc = std::function<void(TRAR& Sender, const unrar::RARHeaderData& ListedFile)>;
    using TFileBeingExtracted = std::function<void(TRAR& Sender, const unrar::RARHeaderData& eFile)>;
    using TFileExtracted = std::function<void(TRAR& Sender, const unrar::RARHeaderData& eFile, bool Result)>;
    using TFileBeingTested = std::function<void(TRAR& Sender, const unrar::RARHeaderData& eFile)>;
    using TFileTested = std::function<void(TRAR& Sender, const unrar::RARHeaderData& eFile, bool Result)>;
    using TReqPassword =
        std::function<void(TRAR& Sender, const unrar::RARHeaderData& eFile, std::string& Password)>;

    explicit TRAR(const DriveMap& drives, UnrarLibrary library = UnrarLibrary());
    ~TRAR();
    TRAR(const TRAR&) = delete;
    TRAR& operator=(const TRAR&) = delete;

    std::string ArchiveName;
    // When it holds lines, only the entries whose stored names are in it are extracted.
    SortedStringList FilesToExtract;
    SortedStringList FilesToTest;
    // Empty: no destination is given to the library, which then extracts into the current directory.
    std::string TargetDir;
    // Set by a handler to end the running List or Extract at the next entry; cleared when acted on.
    bool Stop = false;
    TProcessDataProcN OnProcessData;
    TChangeVolProcN OnVolumeChange;
    TErrorProc OnError;
    TCommentProc OnComment;
    TListFileProc OnListFile;
    TFileBeingExtracted OnExtracting;
    TFileExtracted OnExtract;
    TFileBeingTested OnTesting;
    TFileTested OnTested;
    TReqPassword OnReqPassword;

    // The DOS code page of the names stored in archives.
    int OemCodePage = 437;

    static std::string_view ErrorText(int code);
    void List();
    // True when every selected file was extracted without error.
    bool Extract();

private:
    struct Opened;
    struct Destination;

    Opened Open(unsigned mode, TComment& comment);
    Destination DestinationDir() const;
    int ProcessFile(unrar::ArchiveHandle handle, int operation, const Destination& destination);
    void Error(int code);

    // The library's callbacks carry no context: they serve the component whose List or Extract is running.
    static int ChangeVolumeCallback(char* arc_name, int mode);
    static int ProcessDataCallback(unsigned char* addr, int size);
    static TRAR* ActiveArchive;

    const DriveMap& drives_;
    UnrarLibrary library_;
    // Bytes of the current file handed to OnProcessData so far.
    std::int32_t DataPosition = 0;
};

} // namespace tavox
