#include "shelf/shelf_command.h"

#include "catalogue/catalogue_load.h"
#include "platform/machine.h"
#include "shelf/shelf_index.h"
#include "shelf/shelf_marks.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace tavox {

namespace {

namespace fs = std::filesystem;

constexpr int kWrongUse = 2;

void Print(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

std::string DateText(const std::optional<IssueDate>& date) {
    return date ? YearMonthText(*date) : std::string("-");
}

struct Request {
    bool search = false;
    std::string words;
    std::string folder;
    fs::path machine_dir;
};

std::optional<Request> ReadRequest(std::span<const std::string> arguments) {
    Request request;
    request.machine_dir = DefaultMachineDir();
    std::vector<std::string> rest;
    bool list = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--list") {
            list = true;
        } else if (argument == "--search" && i + 1 < arguments.size()) {
            request.search = true;
            request.words = arguments[++i];
        } else if (argument == "--machine" && i + 1 < arguments.size()) {
            request.machine_dir = arguments[++i];
        } else if (argument.starts_with("--machine=")) {
            request.machine_dir = argument.substr(std::string_view("--machine=").size());
        } else {
            rest.push_back(argument);
        }
    }
    if (list == request.search || rest.size() != 1) {
        return std::nullopt;
    }
    request.folder = rest.front();
    return request;
}

} // namespace

bool AsksForShelfCommand(std::span<const std::string> arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--list" || argument == "--search") {
            return true;
        }
    }
    return false;
}

int RunShelfCommand(std::span<const std::string> arguments) {
    const std::optional<Request> request = ReadRequest(arguments);
    if (!request) {
        Print(stderr, "Usage: tavox95 --list FOLDER, or tavox95 --search WORDS FOLDER");
        return kWrongUse;
    }
    std::error_code ec;
    if (!fs::exists(request->folder, ec)) {
        Print(stderr, "\"" + request->folder + "\" does not exist.");
        return kWrongUse;
    }
    ShelfIndex index(ShelfIndex::DefaultFile());
    if (!index.Notice().empty()) {
        Print(stderr, index.Notice());
    }
    index.Refresh(request->folder);
    const std::vector<ShelfListing> listings = index.Listings(request->folder, false);
    std::vector<std::string> labels;
    for (const ShelfListing& listing : listings) {
        if (!listing.reason.empty()) {
            Print(stderr, listing.path + ": " + listing.reason);
        } else if (!request->search) {
            const ShelfDisc& disc = listing.disc;
            const int items = disc.demos + disc.shareware + disc.updates + disc.readers + disc.hotshots;
            Print(stdout, IssueLabel(disc.cd_issue) + "\t" + DateText(listing.date) + "\t" +
                              std::to_string(items) + "\t" + listing.path);
        }
    }
    if (request->search) {
        const InstalledMarks marks = ReadInstalledMarks(request->machine_dir);
        for (const ShelfHit& hit : index.Search(request->folder, request->words)) {
            const bool installed = marks.Contains(hit.cd_issue, hit.page, hit.list_key);
            Print(stdout, IssueLabel(hit.cd_issue) + "\t" + std::string(ShelfPageName(hit.page)) + "\t" +
                              hit.name + "\t" + (installed ? "installed" : "not installed") + "\t" +
                              hit.path);
        }
    }
    return 0;
}

} // namespace tavox
