#include "stand_in_scripts.h"

#include "base/ascii.h"

namespace sample_cd {

namespace {

constexpr std::string_view kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Every script that touches the machine starts here: it refuses to run without one, and it finds drive C:
// and the Windows directory the way Windows would, without regard to case (our machines have C:\WINDOWS,
// Wine prefixes C:\windows).
constexpr std::string_view kMachinePrelude = R"sh(set -u

fail() {
    printf '%s: %s\n' "${0##*/}" "$1" >&2
    exit 1
}

[ -n "${WINEPREFIX:-}" ] || fail 'WINEPREFIX is not set: this program works on a machine only'
[ -d "$WINEPREFIX" ] || fail "WINEPREFIX is not a directory: $WINEPREFIX"
case $WINEPREFIX in
/*) MACHINE=$WINEPREFIX ;;
*) MACHINE=$PWD/$WINEPREFIX ;;
esac
C=$MACHINE/dosdevices/c:
[ -d "$C" ] || fail "the machine has no drive C: ($C)"

# The entry of directory $1 whose name is $2 without regard to case; $1/$2 while there is none.
ci() {
    ci_found=$(ls -A "$1" 2>/dev/null |
        CI_NAME=$2 LC_ALL=C awk 'toupper($0) == toupper(ENVIRON["CI_NAME"]) { print; exit }')
    printf '%s/%s\n' "$1" "${ci_found:-$2}"
}

# The path below directory $1 of the "/"-separated names in $2, each matched without regard to case.
ci_path() {
    ci_path_at=$1
    ci_path_rest=$2
    while [ -n "$ci_path_rest" ]; do
        case $ci_path_rest in
        */*)
            ci_path_name=${ci_path_rest%%/*}
            ci_path_rest=${ci_path_rest#*/}
            ;;
        *)
            ci_path_name=$ci_path_rest
            ci_path_rest=
            ;;
        esac
        ci_path_at=$(ci "$ci_path_at" "$ci_path_name")
    done
    printf '%s\n' "$ci_path_at"
}

WINDIR=$(ci "$C" WINDOWS)
[ -d "$WINDIR" ] || fail 'the machine has no Windows directory'
)sh";

// Profile files the way Windows writes them: names without regard to case, CRLF lines, the rest of the file
// kept. The new file replaces the old one in one step.
constexpr std::string_view kIniSet = R"sh(
# Sets key $3 of section [$2] in the profile file $1 to $4.
ini_set() {
    ini_set_new=$1.new.$$
    ini_set_old=$1
    [ -f "$ini_set_old" ] || ini_set_old=/dev/null
    if INI_SECTION=$2 INI_KEY=$3 INI_VALUE=$4 LC_ALL=C awk '
        BEGIN {
            section = toupper(ENVIRON["INI_SECTION"])
            key = toupper(ENVIRON["INI_KEY"])
            entry = ENVIRON["INI_KEY"] "=" ENVIRON["INI_VALUE"]
        }
        { sub(/\r$/, ""); text = $0; gsub(/^[ \t]+|[ \t]+$/, "", text) }
        text ~ /^\[.*\]$/ {
            if (inside && !done) { print entry "\r"; done = 1 }
            inside = toupper(substr(text, 2, length(text) - 2)) == section
            if (inside) seen = 1
            print $0 "\r"
            next
        }
        inside && !done && index(text, "=") > 1 {
            name = substr(text, 1, index(text, "=") - 1)
            sub(/[ \t]+$/, "", name)
            if (toupper(name) == key) { print entry "\r"; done = 1; next }
        }
        { print $0 "\r" }
        END {
            if (!done) {
                if (!seen) print "[" ENVIRON["INI_SECTION"] "]\r"
                print entry "\r"
            }
        }
    ' "$ini_set_old" >"$ini_set_new" && mv -f "$ini_set_new" "$1"; then
        return 0
    fi
    rm -f "$ini_set_new"
    fail "cannot write $1"
}
)sh";

constexpr std::string_view kPut = R"sh(
# Copies file $2 of the CD's DATA directory into directory $1 with mode $3.
put() {
    put_to=$(ci "$1" "$2")
    rm -f "$put_to"
    cp "$(ci "$DATA" "$2")" "$put_to" && chmod "$3" "$put_to" || fail "cannot copy $2 into $1"
}
)sh";

// Where Windows keeps the user's desktop and Start-menu programs: read from the machine's registry, as a
// setup program asks the shell. Assign its result and test it, since a failure inside $(...) ends only there.
constexpr std::string_view kShellFolder = R"sh(
# The host directory of one of the user's Shell Folders ("Desktop", "Programs").
shell_folder() {
    shell_folder_win=$("$REG" query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
        /v "$1" 2>/dev/null | SF_NAME=$1 LC_ALL=C awk '
        { sub(/\r$/, "") }
        index($0, "    " ENVIRON["SF_NAME"] "    REG_SZ    ") == 1 {
            print substr($0, length(ENVIRON["SF_NAME"]) + 19); exit
        }')
    case $shell_folder_win in
    [Cc]:\\*) ci_path "$C" "$(printf '%s' "${shell_folder_win#??\\}" | tr '\\' '/')" ;;
    *) fail "the machine has no $1 folder" ;;
    esac
}
)sh";

constexpr std::string_view kPutText = R"sh(
# Writes the line $3 into the file at the "/"-separated names $2 below directory $1, making its directories.
put_text() {
    put_text_at=$(ci_path "$1" "$2")
    mkdir -p "$(dirname "$put_text_at")" && printf '%s\r\n' "$3" >"$put_text_at" || fail "cannot write $put_text_at"
}
)sh";

// A relative Windows path ("Maker\Game.lnk") as names separated by "/".
std::string SlashPath(std::string_view windows_path) {
    std::string path(windows_path);
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
    return path;
}

bool UsesShellFolders(const StandIn& recipe) {
    return !recipe.desktop_shortcut.empty() || !recipe.start_menu_shortcut.empty();
}

bool WritesRegistry(const StandIn& recipe) {
    return !recipe.uninstall_command.empty() || !recipe.user_key.empty() || !recipe.registry_values.empty() ||
           !recipe.program_group.name.empty() || UsesShellFolders(recipe);
}

// What the game leaves behind besides its directory: files, shortcuts, registry values, a program group.
std::string LeftBehind(const StandIn& recipe, const ScriptItem& item) {
    const std::string note = ShellQuote("Left by \"" + std::string(item.title) + "\".");
    std::string text;
    for (const std::string_view file : recipe.loose_files) {
        text += "put_text \"$C\" " + ShellQuote(PathBelowC(file)) + " " + note + "\n";
    }
    if (!recipe.desktop_shortcut.empty()) {
        text += "DESKTOP=$(shell_folder Desktop) || exit 1\n"
                "put_text \"$DESKTOP\" " +
                ShellQuote(SlashPath(recipe.desktop_shortcut)) + " " + note + "\n";
    }
    if (!recipe.start_menu_shortcut.empty()) {
        text += "PROGRAMS=$(shell_folder Programs) || exit 1\n"
                "put_text \"$PROGRAMS\" " +
                ShellQuote(SlashPath(recipe.start_menu_shortcut)) + " " + note + "\n";
    }
    for (const RegistryValue& value : recipe.registry_values) {
        text += "\"$REG\" add " + ShellQuote(value.key) + " /v " + ShellQuote(value.name) + " /d " +
                ShellQuote(value.data) + " /f >/dev/null || fail 'cannot write the registry'\n";
    }
    if (!recipe.program_group.name.empty()) {
        const std::string grpconv = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\";
        const std::string file = ShellQuote(recipe.program_group.file);
        const std::string name = ShellQuote(recipe.program_group.name);
        text +=
            "put_text \"$WINDIR\" " + file + " " + note +
            "\n"
            "# Windows names the group file by its Windows path, in the Windows directory's own spelling.\n"
            "\"$REG\" add " +
            ShellQuote(grpconv + "MapGroups") + " /v " + name + " /d " + name +
            " /f >/dev/null &&\n"
            "    \"$REG\" add " +
            ShellQuote(grpconv + "Groups") + " /v \"C:\\\\${WINDIR##*/}\\\\\"" + file + " /d " + name +
            " /f >/dev/null ||\n"
            "    fail 'cannot register the program group'\n";
    }
    return text;
}

std::string Header(const ScriptItem& item, std::string_view role) {
    std::string text = "#!/bin/sh\n# ";
    text += item.file_name;
    text += " of the sample TAVOX CD: stands in for the ";
    text += role;
    text += " of \"";
    text += item.title;
    text += "\".\n# It works on the machine in $WINEPREFIX and never writes outside it.\n";
    return text;
}

std::string RegLine(std::string_view reg_tool) {
    return "REG=" + ShellQuote(reg_tool) + "\n";
}

std::string Target(const StandIn& recipe) {
    return "TARGET=$(ci_path \"$C\" " + ShellQuote(PathBelowC(recipe.target)) + ")\n";
}

std::string UninstallKey(const ScriptItem& item) {
    return ShellQuote(std::string(kUninstallKey) + std::string(item.reg_uninstall));
}

} // namespace

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string PathBelowC(std::string_view windows_path) {
    if (windows_path.size() < 3 || (windows_path[0] != 'C' && windows_path[0] != 'c') ||
        windows_path[1] != ':' || windows_path[2] != '\\') {
        return {};
    }
    std::string path(windows_path.substr(3));
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

std::string ProgramStandIn(std::string_view file_name, std::string_view what) {
    std::string text = "#!/bin/sh\n# ";
    text += file_name;
    text += " of the sample TAVOX CD: stands in for ";
    text += what;
    text += ". It only ends.\nexit 0\n";
    return text;
}

std::string InstallerScript(const StandIn& recipe, std::span<const PayloadFile> payload,
                            const ScriptItem& item) {
    const bool registers = WritesRegistry(recipe);
    std::string text = Header(item, "installer");
    if (registers) {
        text += RegLine(item.reg_tool);
    }
    text += kMachinePrelude;
    if (recipe.sierra_ini || !recipe.profile.file.empty() || !recipe.menu_record_key.empty()) {
        text += kIniSet;
    }
    if (UsesShellFolders(recipe)) {
        text += kShellFolder;
    }
    text += kPutText;
    text += kPut;
    text +=
        "\nSOURCE=$(CDPATH='' cd -- \"$(dirname -- \"$0\")\" && pwd) || fail 'cannot find the CD directory'\n"
        "DATA=$(ci \"$SOURCE\" DATA)\n";
    if (registers) {
        text += "command -v \"$REG\" >/dev/null 2>&1 || fail \"cannot find the registry tool: $REG\"\n";
    }
    if (!recipe.target.empty()) {
        text += "\n" + Target(recipe);
        text += "mkdir -p \"$TARGET\" || fail \"cannot create $TARGET\"\n";
        for (const PayloadFile& file : payload) {
            text += "put \"$TARGET\" " + ShellQuote(file.name) + (file.program ? " 755\n" : " 644\n");
        }
    }
    if (!recipe.saves_dir.empty()) {
        text += "\nSAVES=$(ci_path \"$C\" " + ShellQuote(PathBelowC(recipe.saves_dir)) + ")\n";
        text += "mkdir -p \"$SAVES\" && printf 'empty slot\\r\\n' >\"$(ci \"$SAVES\" SLOT1.SAV)\" ||\n"
                "    fail \"cannot create $SAVES\"\n";
    }
    if (!recipe.system_file.empty()) {
        text += "\nSYSTEM=$(ci \"$WINDIR\" SYSTEM)\n"
                "mkdir -p \"$SYSTEM\" || fail \"cannot create $SYSTEM\"\n"
                "put \"$SYSTEM\" " +
                ShellQuote(recipe.system_file) + " 644\n";
    }
    if (!recipe.windows_ini.empty()) {
        text += "\nprintf '[Setup]\\r\\nInstalled=1\\r\\n";
        if (!recipe.target.empty()) {
            text += "Path=%s\\r\\n' " + ShellQuote(recipe.target);
        } else {
            text += "'";
        }
        text += " >\"$(ci \"$WINDIR\" " + ShellQuote(recipe.windows_ini) +
                ")\" ||\n"
                "    fail 'cannot write into the Windows directory'\n";
    }
    const std::string target = ShellQuote(recipe.target);
    if (recipe.sierra_ini) {
        text += "\nini_set \"$(ci \"$WINDIR\" sierra.ini)\" Sierra SierraDir " + target + "\n";
    }
    if (!recipe.profile.file.empty()) {
        text += "\nini_set \"$(ci \"$WINDIR\" " + ShellQuote(recipe.profile.file) + ")\" " +
                ShellQuote(recipe.profile.section) + " " + ShellQuote(recipe.profile.key) + " " + target +
                "\n";
    }
    if (!recipe.menu_record_key.empty()) {
        text += "\n# Made for the CD: it tells the menu where the game went.\n"
                "ini_set \"$(ci \"$WINDIR\" tavox.ini)\" " +
                ShellQuote(kSettingsSection) + " " + ShellQuote(recipe.menu_record_key) + " " + target + "\n";
    }
    if (!recipe.uninstall_command.empty()) {
        text += "\n\"$REG\" add " + UninstallKey(item) + " /v DisplayName /d " + ShellQuote(item.title) +
                " /f >/dev/null &&\n"
                "    \"$REG\" add " +
                UninstallKey(item) + " /v UninstallString /d " + ShellQuote(recipe.uninstall_command) +
                " /f >/dev/null ||\n"
                "    fail 'cannot register the uninstaller'\n";
    }
    if (!recipe.user_key.empty()) {
        text += "\"$REG\" add " + ShellQuote("HKCU\\" + std::string(recipe.user_key)) + " /v Path /d " +
                target + " /f >/dev/null || fail 'cannot write the settings'\n";
    }
    if (const std::string left = LeftBehind(recipe, item); !left.empty()) {
        text += "\n" + left;
    }
    text += "exit 0\n";
    return text;
}

std::string UninstallerScript(const StandIn& recipe, std::span<const PayloadFile> payload,
                              const ScriptItem& item) {
    const bool registered = !recipe.uninstall_command.empty();
    const std::string role = recipe.uninstall_switch.empty() ? std::string("uninstaller")
                                                             : "setup program, which uninstalls when given " +
                                                                   std::string(recipe.uninstall_switch) + ",";
    std::string text = Header(item, role);
    if (registered) {
        text += RegLine(item.reg_tool);
    }
    if (!recipe.uninstall_switch.empty()) {
        // The same program is the game's setup; it removes the game only when asked to.
        const std::string lower = tavox::LowerCaseAscii(recipe.uninstall_switch);
        text += "case ${1:-} in\n" + ShellQuote(recipe.uninstall_switch) + " | " + ShellQuote(lower) +
                ") ;;\n*) exit 0 ;;\nesac\n";
    }
    text += kMachinePrelude;
    text +=
        "\n# While this file is in the Windows directory, the reader pressed Cancel: nothing is removed.\n"
        "[ -e \"$(ci \"$WINDIR\" " +
        std::string(kCancelUninstallFile) + ")\" ] && exit 0\n";
    text += "\n" + Target(recipe);
    text += "for name in";
    for (const PayloadFile& file : payload) {
        text += " " + ShellQuote(file.name);
    }
    text += "; do\n    rm -f \"$(ci \"$TARGET\" \"$name\")\"\ndone\n";
    if (!recipe.profile.file.empty()) {
        text += "rm -f \"$(ci \"$WINDIR\" " + ShellQuote(recipe.profile.file) + ")\"\n";
    }
    text += "\n# The directories that became empty, up to drive C:.\n"
            "dir=$TARGET\n"
            "while [ \"$dir\" != \"$C\" ] && rmdir \"$dir\" 2>/dev/null; do\n"
            "    dir=${dir%/*}\n"
            "done\n";
    if (registered) {
        text += "\n\"$REG\" delete " + UninstallKey(item) +
                " /f >/dev/null 2>&1 ||\n"
                "    printf '%s: there was no uninstall entry to remove\\n' \"${0##*/}\" >&2\n";
    }
    text += "exit 0\n";
    return text;
}

} // namespace sample_cd
