#pragma once

#include <string>
#include <string_view>

namespace tavox {

class Machine;
class ProfileFile;
struct TDemos;

// What the detection of installed items reads besides the record: the machine (files, registry), the
// user's settings file, and where the menu and its CD are.
struct DetectionContext {
    const Machine& machine;
    ProfileFile& settings;
    std::string CdIssue;    // the current issue, "1298"
    std::string CdDrive;    // "D:"
    std::string WindowsDir; // with a trailing backslash
    std::string CurrentDir; // the menu's directory on the CD, where relative names are looked for
};

// The directory recorded for the item `name` of the current issue: the settings file's, else an older copy's.
std::string RecordedDir(const DetectionContext& context, std::string_view name);

// Decides whether a demo or readers' item is installed and where, sets its installed-state fields and keeps
// the current issue's record in the settings file in step.
void CheckDemo(const DetectionContext& context, TDemos& item);

} // namespace tavox
