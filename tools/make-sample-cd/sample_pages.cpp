// The shareware, updates, hotshots and readers' items of the sample issue.

#include "sample_tables.h"

namespace sample_cd {

const std::vector<SampleShare>& SampleShares() {
    static const std::vector<SampleShare> shares = {
        {.name = "Piškvorky 3D",
         .install_name = "PISKVOR.EXE",
         .describe0 = "Five in a row in a cube of 8x8x8 fields, against the computer or a friend.",
         .describe1 = "Pět v řadě v krychli 8x8x8 polí, proti počítači nebo proti kamarádovi. "
                      "Registrace stojí 150 Kč."},
        {.name = "Hvězdář 2.0",
         .install_name = "HVEZDAR.EXE",
         .describe0 = "A planetarium for your desktop: the sky over any town on any night.",
         .describe1 = "Planetárium na vaší ploše: obloha nad kterýmkoli městem v kteroukoli noc, "
                      "s popisem souhvězdí a oběžných drah planet."},
        {.name = "Kalkulačka Plus",
         .install_name = "KALKPLUS.EXE",
         .describe0 = "A scientific calculator with a paper tape and unit conversions.",
         .describe1 = "Vědecká kalkulačka s papírovou páskou a převody jednotek - od palců "
                      "po světelné roky."},
    };
    return shares;
}

std::string_view SharewareOverview() {
    return "Shareware na tomto CD\n"
           "=====================\n"
           "\n"
           "Piškvorky 3D - pět v řadě v trojrozměrné krychli.\n"
           "Hvězdář 2.0 - planetárium pro Windows 95.\n"
           "Kalkulačka Plus - vědecká kalkulačka s převody jednotek.\n"
           "\n"
           "Shareware smíte vyzkoušet zdarma; pokud se vám program líbí, zaregistrujte se u jeho "
           "autora. Registrační podmínky najdete v nápovědě každého programu.\n";
}

const std::vector<SampleUpdate>& SampleUpdates() {
    static const std::vector<SampleUpdate> updates = {
        {.name = "Zubr",
         .version = "1.1",
         .setup_file = "ZUBR\\ZUBR11.EXE",
         .readme_file = "ZUBR11.TXT",
         .kind = 0},
        {.name = "Vortex Rally",
         .version = "1.05",
         .setup_file = "VORTEX\\VRPATCH.EXE",
         .readme_file = "README.TXT",
         .kind = 1},
        {.name = "Hradby",
         .version = "2.0",
         .setup_file = "HRADBY\\HRAD20.RAR",
         .readme_file = "HRAD20.TXT",
         .kind = 2},
        {.name = "Operace Mořská hvězda",
         .version = "3Dfx",
         .setup_file = "MORSKA\\MH3DFX.EXE",
         .readme_file = "MH3DFX.TXT",
         .semicolons = true},
    };
    return updates;
}

const std::vector<SampleShot>& SampleShots() {
    static const std::vector<SampleShot> shots = {
        {.name = "Stínová válka",
         .firm = "Temný Sever",
         .date = "2Q99",
         .picture = "HS_STIN",
         .describe0 = "A strategy game where every unit casts a shadow that the enemy can see.",
         .describe1 = "Strategie, ve které každá jednotka vrhá stín, jenž může prozradit vaše "
                      "úmysly. Vyjde příští léto."},
        {.name = "Kosmodrom",
         .firm = "Orbit Forge",
         .date = "0699",
         .picture = "HS_KOSMO",
         .describe0 = "Build a spaceport and launch rockets to the stars.",
         .describe1 = "Postavte kosmodrom a vypouštějte rakety ke hvězdám. Autoři hry Lunar "
                      "Drift slibují přes sto druhů raket."},
        {.name = "Podzemní město",
         .firm = "Krtek Games",
         .date = "?",
         .picture = "HS_PODZ",
         .describe0 = "A city builder underground, where every tunnel can flood.",
         .describe1 = "Budování města pod zemí, kde může každý tunel zaplavit voda. Datum "
                      "vydání zatím není známé."},
    };
    return shots;
}

const std::vector<SampleReader>& SampleReaders() {
    static const std::vector<SampleReader> readers = {
        {
            // Only a document on the CD.
            .name = "Povídka o drakovi",
            .firm = "Jana Tichá",
            .describe1 = "Fantasy povídka o drakovi, který se bál výšek. Napsala ji naše "
                         "čtenářka a my ji rádi zveřejňujeme.",
            .install_dir = "POVIDKA",
            .readmename = "POVIDKA.TXT",
            .install_type = 0,
        },
        {
            .name = "Bludiště 2",
            .firm = "Petr Zelený",
            .describe1 = "Druhé pokračování bludiště s padacími dveřmi a tajnými chodbami. "
                         "Archiv rozbalte do libovolného adresáře.",
            .install_dir = "BLUDISTE",
            .install_name = "BLUDISTE.RAR",
            .gamename = "BLUD.EXE",
            .readmename = "BLUD.TXT",
            .install_type = 2,
        },
        {
            .name = "Hadí souboj",
            .firm = "Tomáš Vrba",
            .describe1 = "Dva hadi, jedna obrazovka a spousta jablek. Hra pro dva hráče "
                         "u jedné klávesnice, s vlastním instalačním programem.",
            .install_dir = "HADI",
            .install_name = "SETUP.EXE",
            .gamename = "HADI.EXE",
            .readmename = "HADI.TXT",
            .reg_uninstall = "Hadi souboj",
            .install_type = 5,
            .dir_detect = 9,
            .stand_in = {.installer = "SETUP.EXE",
                         .target = "C:\\HRY\\HADI",
                         .data_files = {"INSTALL.LOG"},
                         .uninstaller = "UNWISE.EXE",
                         .uninstaller_place = UninstallerPlace::Installed,
                         .uninstall_command = "C:\\HRY\\HADI\\UNWISE.EXE C:\\HRY\\HADI\\INSTALL.LOG"},
        },
    };
    return readers;
}

} // namespace sample_cd
