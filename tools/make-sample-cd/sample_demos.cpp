// The demos of the sample issue: one for each way the menu installs and finds a game.

#include "sample_tables.h"

namespace sample_cd {

const std::vector<SampleDemo>& SampleDemos() {
    static const std::vector<SampleDemo> demos = {
        {
            // Runs from the CD; two versions of the program to choose from.
            .name = "Lunar Drift",
            .firm = "Orbit Forge",
            .date = "1198",
            .picture = "LUNAR",
            .describe0 = "Glide a rover over the craters of a dead moon and race the clock between "
                         "the supply domes. Two versions: software and OpenGL.",
            .describe1 = "Projeďte se vozítkem po kráterech mrtvého měsíce a stihněte dojet mezi "
                         "zásobovacími kopulemi dřív, než dojde kyslík. Hra běží přímo z CD, "
                         "ve dvou verzích: softwarové a pro OpenGL.",
            .techinfo = "P133, 16 MB RAM, 3Dfx nebo OpenGL",
            .install_dir = "LUNAR",
            .setup_name = "SETUP.EXE",
            .gamename = "LUNAR.EXE:Software;LUNARGL.EXE:OpenGL",
            .readmename = "LUNAR.TXT",
            .install_type = 0,
            .flags = 1,
        },
        {
            // A DOS game: INSTALL.BAT runs its installer, then WRITEINI.EXE records the directory.
            .name = "Zubr",
            .full_name = "Zubr: Pán pralesa",
            .firm = "Bizon Games",
            .date = "1098",
            .picture = "ZUBR",
            .describe0 = "A herd of bison defends its forest against the loggers. A DOS classic "
                         "with a Czech translation.",
            .describe1 = "Stádo zubrů brání svůj prales před dřevorubci. Klasická hra pro DOS, "
                         "kterou jsme pro vás přeložili do češtiny - včetně všech nářečních "
                         "hlášek hajného.",
            .techinfo = "DOS, 486DX2/66, 8 MB RAM",
            .install_dir = "ZUBR",
            .install_name = "INSTALL.EXE",
            .gamename = "ZUBR.EXE",
            .readmename = "ZUBR.TXT",
            .uninstall = "D?:\\ZUBRSAVE",
            .install_type = 1,
            .flags = 3,
            .stand_in =
                {.installer = "INSTALL.EXE", .target = "C:\\ZUBR", .saves_dir = "C:\\ZUBRSAVE", .dos = true},
        },
        {
            // An archive unpacked into a directory the reader chooses, then its setup runs.
            .name = "Mlok & Spol.",
            .firm = "Salamandr Soft",
            .date = "0098",
            .picture = "MLOK",
            .describe0 = "Lead a family of newts through twelve ponds full of pikes and herons.",
            .describe1 = "Proveďte rodinu mloků dvanácti rybníky plnými štik a volavek. Každý "
                         "člen rodiny umí něco jiného: jeden skáče, druhý plave pod vodou, "
                         "třetí se umí schovat do bahna.",
            .techinfo = "Win95, P90, 16 MB RAM",
            .install_dir = "MLOK",
            .install_name = "MLOK.RAR",
            .setup_name = "SETUP.EXE",
            .gamename = "MLOK.EXE",
            .readmename = "MLOK.TXT",
            .install_type = 2,
            .files_in_archive = "12",
        },
        {
            // An archive that must go into one fixed directory.
            .name = "Hradby",
            .firm = "Kameník Studio",
            .date = "2Q99",
            .picture = "HRADBY",
            .describe0 = "Build the walls of a medieval town stone by stone before the raiders come.",
            .describe1 = "Postavte hradby středověkého města kámen po kameni, než přitáhnou "
                         "nájezdníci. Hra musí být nainstalována do adresáře C:\\HRADBY.",
            .techinfo = "Win95, P100, 16 MB RAM",
            .install_dir = "HRADBY",
            .install_name = "HRADBY.RAR",
            .gamename = "HRADBY.EXE",
            .readmename = "HRADBY.TXT",
            .install_type = 3,
            .forced_dir = "C:\\HRADBY",
        },
        {
            // A setup the menu does not wait for; it registers an uninstaller with a quoted log.
            .name = "Bublinkov",
            .firm = "Mýdlo Soft",
            .date = "1298",
            .picture = "BUBLIN",
            .describe0 = "A puzzle game in a bathtub: pop the soap bubbles in chains of three.",
            .describe1 = "Logická hra ve vaně: praskejte mýdlové bubliny v řetězcích po třech. "
                         "Čím delší řetěz, tím víc bodů a tím hlasitější žbluňknutí.",
            .techinfo = "Win95, DirectX 5, P75, 8 MB RAM",
            .install_dir = "BUBLIN",
            .install_name = "SETUP.EXE",
            .gamename = "BUBLINKO.EXE:Windows 95;BUBLINNT.EXE:Windows NT",
            .readmename = "CTIMNE.TXT",
            .reg_uninstall = "Bublinkov",
            // Its uninstaller is known to fail: the menu deletes the directory itself and cleans up.
            .uninstall = "!DG;RMDSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bublinkov;"
                         "RMD\\Software\\Mydlo Soft\\Bublinkov;RMESoftware\\Mydlo Soft;"
                         "RUFSoftware\\Mydlo Soft\\Bublinkov|LastPlayer;RUE\\Software\\Mydlo Soft;"
                         "SDBublinkov.lnk;SNMydlo Soft",
            .install_type = 4,
            .flags = 2,
            .test_name = "BUBLINKO.DAT",
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\Program Files\\Bublinkov",
                         .data_files = {"BUBLINKO.DAT", "DeIsL1.isu"},
                         .uninstaller = "UNINST.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\Program Files\\Bublinkov\\UNINST.EXE "
                                              "-f\"C:\\Program Files\\Bublinkov\\DeIsL1.isu\"",
                         .user_key = "Software\\Mydlo Soft\\Bublinkov",
                         .registry_values = {{"HKLM\\Software\\Mydlo Soft\\Bublinkov", "Path",
                                              "C:\\Program Files\\Bublinkov"},
                                             {"HKLM\\Software\\Mydlo Soft\\Bublinkov\\Settings", "Detail",
                                              "High"},
                                             {"HKCU\\Software\\Mydlo Soft\\Bublinkov", "LastPlayer", "Jana"}},
                         .desktop_shortcut = "Bublinkov.lnk",
                         .start_menu_shortcut = "Mydlo Soft\\Bublinkov.lnk"},
        },
        {
            // Found through the log file that its uninstall command names.
            .name = "Vortex Rally",
            .full_name = "Vortex Rally: Turbo Edition",
            .firm = "Spiral Motion",
            .date = "0199",
            .picture = "VORTEX",
            .describe0 = "Rally cars on tracks that twist into loops and tunnels. Split screen "
                         "for two and network play for eight.",
            .describe1 = "Rallyové vozy na tratích, které se kroutí do smyček a tunelů. "
                         "Rozdělená obrazovka pro dva hráče a síťová hra až pro osm. "
                         "Vyžaduje akcelerátor s podporou Direct3D.",
            .techinfo = "Win95, P166, 32 MB RAM, Direct3D",
            .install_dir = "VORTEX",
            .install_name = "SETUP.EXE",
            .setup_name = "VSETUP.EXE",
            .gamename = "VORTEX.EXE:Direct3D;VORTEXG.EXE:3Dfx Glide;VORTEXS.EXE:Software",
            .readmename = "README.TXT",
            .reg_uninstall = "Vortex Rally",
            // It leaves files all over the machine, which the list removes one by one.
            .uninstall = "FWVORTEX.INI;F?:\\VORTEX.CFG;FC:\\WINDOWS\\VORTEXC.INI;Fc:\\WINDOWS\\VORTEXL.INI;"
                         "FDVortex.lnk;FGVORTEX.SAV;FPVortex\\Vortex.lnk;FSVORTEX.DLL;DGSAVES;"
                         "SFVortex Rally|VORTEX.GRP;DE",
            .install_type = 5,
            .dir_detect = 1,
            .flags = 12,
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\VORTEX",
                         .data_files = {"DEISL1.ISU"},
                         .uninstaller = "UNINST.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\HRY\\VORTEX\\UNINST.EXE C:\\HRY\\VORTEX\\DEISL1.ISU",
                         .saves_dir = "C:\\HRY\\VORTEX\\SAVES",
                         .windows_ini = "VORTEX.INI",
                         .system_file = "VORTEX.DLL",
                         .loose_files = {"C:\\VORTEX.CFG", "C:\\WINDOWS\\VORTEXC.INI",
                                         "C:\\WINDOWS\\VORTEXL.INI", "C:\\HRY\\VORTEX\\VORTEX.SAV"},
                         .desktop_shortcut = "Vortex.lnk",
                         .start_menu_shortcut = "Vortex\\Vortex.lnk",
                         .program_group = {.name = "Vortex Rally", .file = "VORTEX.GRP"}},
        },
        {
            // Its setup was made for the CD: it records the directory for the menu, and its uninstaller
            // stays on the CD.
            .name = "Dravec",
            .firm = "Sokolí oko",
            .date = "?",
            .picture = "DRAVEC",
            .describe0 = "Fly a falcon over the hills and hunt for your chicks. Up to four players "
                         "over the network.",
            .describe1 = "Proleťte se jako sokol nad kopci a ulovte potravu pro svá mláďata. "
                         "Po síti mohou soupeřit až čtyři hráči. Datum vydání plné verze zatím "
                         "není známé.",
            .techinfo = "Win95, P133, 16 MB RAM, 3Dfx",
            .install_dir = "DRAVEC",
            .install_name = "INSTALL.EXE",
            .gamename = "DRAVEC.EXE",
            .readmename = "DRAVEC.TXT",
            .uninstall_name = "?IUNINST.EXE",
            .install_type = 5,
            .dir_detect = 5,
            .flags = 11,
            .stand_in = {.installer = "INSTALL.EXE",
                         .target = "C:\\HRY\\DRAVEC",
                         .uninstaller = "UNINST.EXE",
                         .uninstaller_place = UninstallerPlace::OnCd,
                         .menu_record_key = "DRAVEC"},
        },
        {
            // Found through the game's own profile file in the Windows directory.
            .name = "Operace Mořská hvězda",
            .firm = "Hlubina Interactive",
            .date = "0399",
            .picture = "MORSKA",
            .describe0 = "Command a submarine through the reefs of a starfish-shaped atoll.",
            .describe1 = "Veďte ponorku mezi útesy atolu ve tvaru mořské hvězdy. Žraloci, "
                         "miny a vraky lodí - a kyslíku jen na dvacet minut.",
            .techinfo = "Win95, P120, 16 MB RAM",
            .install_dir = "MORSKA",
            .install_name = "SETUP.EXE",
            .gamename = "MORSKA.EXE",
            .readmename = "MORSKA.TXT",
            .reg_uninstall = "Morska hvezda",
            .install_type = 5,
            .dir_detect = 6,
            .ini_file = "Morska,Setup,InstallPath",
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\MORSKA",
                         .uninstaller = "UNINST.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\HRY\\MORSKA\\UNINST.EXE",
                         .profile = {.file = "MORSKA.INI", .section = "Setup", .key = "InstallPath"}},
        },
        {
            // Found by a data file of known name and size, normally in the directory named here.
            .name = "Ledovec",
            .firm = "Polární záře",
            .date = "1198",
            .picture = "LEDOVEC",
            .describe0 = "Steer an iceberg into the warm sea without melting it.",
            .describe1 = "Doveďte ledovec do teplého moře, aniž by vám roztál. Čím víc ledu "
                         "dorazí do cíle, tím víc bodů získáte.",
            .techinfo = "Win95, P90, 8 MB RAM",
            .install_dir = "LEDOVEC",
            .install_name = "SETUP.EXE",
            .gamename = "LEDOVEC.EXE",
            .readmename = "LEDOVEC.TXT",
            .reg_uninstall = "Ledovec",
            .install_type = 5,
            .dir_detect = 8,
            .search_marker = "LEDOVEC.DAT",
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\LEDOVEC",
                         .data_files = {"LEDOVEC.DAT", "INSTALL.LOG"},
                         .uninstaller = "UNWISE.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\HRY\\LEDOVEC\\UNWISE.EXE C:\\HRY\\LEDOVEC\\INSTALL.LOG"},
        },
        {
            // Found in the directory of the uninstaller that its uninstall command starts.
            .name = "Šílený jeřáb",
            .firm = "Stavba a.s.",
            .date = "1Q99",
            .picture = "JERAB",
            .describe0 = "A crane driver on a building site where everything goes wrong at once.",
            .describe1 = "Jeřábník na stavbě, kde se všechno pokazí najednou. Přenášejte "
                         "panely, zachraňujte zedníky a nenechte spadnout míchačku.",
            .techinfo = "Win95, P100, 16 MB RAM",
            .install_dir = "JERAB",
            .install_name = "SETUP.EXE",
            .gamename = "JERAB.EXE",
            .readmename = "JERAB.TXT",
            .reg_uninstall = "Jerab",
            .install_type = 5,
            .dir_detect = 9,
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\JERAB",
                         .data_files = {"INSTALL.LOG"},
                         .uninstaller = "UNWISE.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\HRY\\JERAB\\UNWISE.EXE /S C:\\HRY\\JERAB\\INSTALL.LOG"},
        },
        {
            // Records its directory in sierra.ini; its installed SETUP.EXE /U removes it again.
            .name = "Kouzelný les",
            .firm = "Horal Interactive",
            .date = "0998",
            .picture = "LES",
            .describe0 = "A point-and-click adventure in an enchanted forest full of talking trees.",
            .describe1 = "Klasická klikací adventura v začarovaném lese plném mluvících stromů, "
                         "zlých čarodějnic a hádanek, na které je potřeba důvtip.",
            .techinfo = "Win95, P75, 8 MB RAM",
            .install_dir = "LES",
            .install_name = "SETUP.EXE",
            .setup_name = "SETUP.EXE",
            .gamename = "LES.EXE",
            .readmename = "LES.TXT",
            .install_type = 6,
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HORAL\\LES",
                         .uninstaller = "SETUP.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_switch = "/U",
                         .sierra_ini = true},
        },
        {
            // Found in the directory of its uninstall command, without a detection rule.
            .name = "Ohnivák",
            .full_name = "Ohnivák a zlatá jablka",
            .firm = "Fénix Software",
            .date = "0299",
            .picture = "OHNIVAK",
            .describe0 = "A firebird rises from the ashes to win back the golden apples.",
            .describe1 = "Pták Ohnivák vstává z popela, aby získal zpět zlatá jablka. Akční "
                         "hra s nádhernou grafikou a hudbou symfonického orchestru.",
            .techinfo = "Win95, P166, 32 MB RAM, Direct3D",
            .install_dir = "OHNIVAK",
            .install_name = "SETUP.EXE",
            .gamename = "OHNIVAK.EXE",
            .readmename = "OHNIVAK.TXT",
            .reg_uninstall = "Ohnivak",
            .install_type = 7,
            .flags = 2,
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\OHNIVAK",
                         .data_files = {"UNINST.DAT"},
                         .uninstaller = "UNINSTAL.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command =
                             "C:\\HRY\\OHNIVAK\\UNINSTAL.EXE /U:C:\\HRY\\OHNIVAK\\UNINST.DAT"},
        },
        {
            // Runs from the CD once its setup has written the profile file named here.
            .name = "Kanonáda",
            .firm = "Dělostřelci",
            .date = "1298",
            .picture = "KANON",
            .describe0 = "Artillery duels across a mountain range, for up to six players on a network.",
            .describe1 = "Dělostřelecké souboje přes horský hřeben, až pro šest hráčů po síti. "
                         "Hra běží z CD; nastavení se uloží do souboru KANONADA.INI.",
            .techinfo = "Win95, P90, 16 MB RAM, síť IPX",
            .install_dir = "KANONADA",
            .install_name = "NASTAV.EXE",
            .gamename = "KANONADA.EXE",
            .readmename = "KANONADA.TXT",
            .uninstall = "FWKANONADA.INI",
            .install_type = 10,
            .dir_detect = 10,
            .flags = 10,
            .ini_file = "C:\\WINDOWS\\KANONADA.INI",
            .stand_in = {.installer = "NASTAV.EXE", .windows_ini = "KANONADA.INI"},
        },
        {
            // Runs from the CD once its 3D runtime is on the machine. No screenshots.
            .name = "Turbo Motokros",
            .firm = "Blato Racing",
            .date = "0499",
            .picture = "NUL",
            .describe0 = "Motocross on muddy tracks, with the 3Dfx runtime that the game installs.",
            .describe1 = "Motokros na blátivých tratích. Před prvním spuštěním nainstalujte "
                         "ovladač pro 3Dfx, který hra potřebuje; pak už běží přímo z CD.",
            .techinfo = "Win95, P133, 16 MB RAM, 3Dfx",
            .install_dir = "MOTO",
            .install_name = "GLIDE.EXE",
            .gamename = "MOTO.EXE",
            .readmename = "MOTO.TXT",
            .install_type = 10,
            .flags = 11,
            .test_name = "C:\\WINDOWS\\SYSTEM\\MOTOGL.DLL",
            .stand_in = {.installer = "GLIDE.EXE", .system_file = "MOTOGL.DLL"},
        },
    };
    return demos;
}

} // namespace sample_cd
