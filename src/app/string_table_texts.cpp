#include "app/string_table.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tavox {

namespace {

struct TableEntry {
    int id = 0;
    std::string_view text;
};

// The translators' texts, character for character: doubled apostrophes, double blanks and trailing blanks
// are theirs and show on screen. Ids the program never asks for are left out.
// clang-format off
constexpr std::array kTexts = {
    // English
    TableEntry{1, "Installed"}, // page bar
    TableEntry{2, "Demos"}, // page bar
    TableEntry{3, "Shareware"}, // page bar
    TableEntry{4, "Movies"}, // page bar
    TableEntry{5, "Updates"}, // page bar
    TableEntry{7, "Settings"}, // settings label
    TableEntry{11, "Would you like to delete all files in %1 ?"}, // uninstall question
    TableEntry{13, R"(All files are stored  in directory \SHAREWARE)"}, // shareware page
    TableEntry{14, "Would you like to install this demo in %1 ?"}, // directory chooser, demos
    TableEntry{15, "Can''t create directory!"}, // directory chooser
    TableEntry{16, "Directory selection"}, // directory chooser, demos
    TableEntry{26, "Which version of game do you want to run?"}, // version choice
    TableEntry{27, "Can''t delete file %1!"}, // file deletion failure
    TableEntry{29, "Where is this game installed?"}, // directory chooser, updates
    TableEntry{30, "Would you like to install this update to %1 ?"}, // directory chooser, updates
    TableEntry{31, "Would you like to install this program to %1 ?"}, // directory chooser, readers
    TableEntry{32, "Where do you want to install it?"}, // directory chooser, readers
    TableEntry{33, "On this screen you can uninstall all installed games since issue 1/98!"}, // empty Installed page
    TableEntry{40, "Installing"}, // unpack dialog
    TableEntry{41, "in"}, // unpack dialog
    TableEntry{50, "Do you really want to quit this installation?"}, // unpack dialog, quit
    TableEntry{52, "This menu is optimized for hi-color graphic (16 bit and more). This setting is recommended."}, // low-colour advice
    TableEntry{60, "Shareware means that this program is free but after some time you should buy it."}, // shareware page
    TableEntry{61, R"(Updates are programs, made by game developers, which corrects "bugs" or adds some new features. Before updating, we recommend you to back-up the original installation.)"}, // updates page
    TableEntry{62, R"(Vyrniste is czech "diskmag"...)"}, // disk magazine page
    TableEntry{81, "HotShots"}, // page bar
    // Czech
    TableEntry{101, "Instalováno"},
    TableEntry{102, "Dema"},
    TableEntry{103, "Shareware"},
    TableEntry{104, "Filmy"},
    TableEntry{105, "Updaty"},
    TableEntry{107, "Nastavení"},
    TableEntry{111, "Přejete si odstranit všechny soubory z %1 ?"},
    TableEntry{113, R"(Všechny soubory najdete na CD v adresáři \SHAREWARE)"},
    TableEntry{114, "Přejete si toho demo nainstalovat do %1 ?"},
    TableEntry{115, "Nemohu vytvořit adresář!"},
    TableEntry{116, "Vyberte si adresář, kam chcete instalovat"},
    TableEntry{126, "Jakou verzi hry chcete spustit?"},
    TableEntry{127, "Nemohu vymazat soubor %1!"},
    TableEntry{129, "V jakém adresáři máte tuto hru nainstalovanou?"},
    TableEntry{130, "Chcete nainstalovat update do adresáře %1 ?"},
    TableEntry{131, "Chcete nainstalovat tento program do %1 ?"},
    TableEntry{132, "Kam chcete instalovat?"},
    TableEntry{133, "V této obrazovce můžete odinstalovávat všechny nainstalované demoverze od čísla 1/98!"},
    TableEntry{140, "Instaluji"},
    TableEntry{141, "do"},
    TableEntry{150, "Opravdu chcete přerušit instalaci?"},
    TableEntry{152, "Naše menu je optimalizováno pro hi-color (16bit grafika a výš). Doporučujeme vám, abyste si ho nastavili..."},
    TableEntry{160, "Shareware jsou volně šiřitelné programy, které si ale po určité době používání musíte zakoupit.                  Tentokrát již naposled bez možnosti uninstalace...!!!"},
    TableEntry{161, "Updaty jsou programy od výrobce hry, které opravují chyby, případně přidávají nové možnosti. Před updatováním si ale raději hru zazálohujte..."},
    TableEntry{162, R"(Vyrniste je nejstarší český "diskmag", nyní vycházející na TAVOX CD. Určitě se při jeho čtení dobře pobavíte.)"},
    TableEntry{181, "Obrázky 0609"},
    // Turkish
    TableEntry{201, "Kuruldu"},
    TableEntry{202, "Demolar"},
    TableEntry{203, "Shareware"},
    TableEntry{204, "Filmler"},
    TableEntry{205, "Updates"},
    TableEntry{207, "Ayarlar"},
    TableEntry{211, "%1 'in içindeki bütün dosyaları silmek mi istiyorsunuz?"},
    TableEntry{213, R"(Bütün dosyalar \SHAREWARE dizininde yeralmaktadır.)"},
    TableEntry{214, "Bu demoyu %1 dizinine mi kurmak istiyorsunuz?"},
    TableEntry{215, "Dizin Oluşturulamıyor!"},
    TableEntry{216, "Dizin Seçimi"},
    TableEntry{226, "Oyunun hangi versiyonunu yüklemek istersiniz?"},
    TableEntry{227, "Dosya silinemiyor: "},
    TableEntry{229, "Oyun nereye kuruldu?"},
    TableEntry{230, "Bu Update'in %1'e kurulmasını ister misiniz ?"},
    TableEntry{231, "Bu programın %1'e kurulmasını ister misiniz ?"},
    TableEntry{232, "Nereye kurulmasını istiyorsunuz ?"},
    TableEntry{233, "Bu ekranda 2/98 tarihinden bu yana kurduğunuz bütün oyunları kaldırabilirsiniz !"},
    TableEntry{240, "Special"},
    TableEntry{241, "Special"},
    TableEntry{250, "Kurulumdan gerçekten çıkmak istiyor musunuz?"},
    TableEntry{252, "Bu menu hi-color grafik için optimize edilmiştir. 16 bit ve üstü renk çözünürlüğü tavsiye edilmektedir."},
    TableEntry{260, "Shareware ifadesi programın belli bir süre kullanım için ücretsiz olduğunu belirtir. Yalnız belli bir kullanımdan sonra satın almak zorundasınız."},
    TableEntry{261, "Updates küçük programlardır ve oyun üreticileri tarafından yazılırlar. Amaçları oyunlardaki hataları düzeltmek ve yeni özellikler eklemektir."},
    TableEntry{262, R"(Vyrniste is czech "diskmag"...)"},
    TableEntry{281, "HotShots"},
    // Romanian
    TableEntry{301, "Instalat"},
    TableEntry{302, "Demo-uri"},
    TableEntry{303, "Shareware"},
    TableEntry{304, "Filme"},
    TableEntry{305, "Update-uri"},
    TableEntry{307, "Setări"},
    TableEntry{311, "Doriţi să ştergeţi toate fişierele din %1 ?"},
    TableEntry{313, R"(Toate fişierele sunt stocate în \SHAREWARE)"},
    TableEntry{314, "Doriţi să instalaţi acest demo în %1 ?"},
    TableEntry{315, "Directorul nu poate fi creat!"},
    TableEntry{316, "Selecţia directoarelor"},
    TableEntry{326, "Ce versiune a jocului doriţi să rulaţi?"},
    TableEntry{327, "Acest fişier nu poate fi şters %1!"},
    TableEntry{329, "Unde este instalat acest joc?"},
    TableEntry{330, "Doriţi să instalaţi acest update în %1 ?"},
    TableEntry{331, "Doriţi să instalaţi acest program în %1 ?"},
    TableEntry{332, "Unde vreţi să-l instalaţi?"},
    TableEntry{333, "În această fereastră puteţi dezinstala toate jocurile instalate de la numărul 1/98 încoace!"},
    TableEntry{340, "Instalează"},
    TableEntry{341, "la"},
    TableEntry{350, "Chiar vreţi să întrerupeţi instalarea?"},
    TableEntry{352, "Acest meniu este optimizat pentru grafică hi-color (16 biţi şi mai mult). Acestea sunt setările recomandate."},
    TableEntry{360, "Shareware înseamnă că acest program este gratis dar după ceva timp ar trebui să-l cumpăraţi."},
    TableEntry{361, "Update-urile sunt programe, făcute de producătorii de jocuri, care corectează erori sau adaugă o serie de facilităţi noi. Înainte de a face un update vă recomandăm să faceţi un backup la instalarea originală."},
    TableEntry{381, "Hotshots"},
};
// clang-format on

static_assert(std::adjacent_find(kTexts.begin(), kTexts.end(),
                                 [](const TableEntry& a, const TableEntry& b) { return a.id >= b.id; }) ==
                  kTexts.end(),
              "the table is looked up by binary search and needs strictly rising ids");

} // namespace

std::string_view StringTableText(int id) {
    const auto found =
        std::lower_bound(kTexts.begin(), kTexts.end(), id,
                         [](const TableEntry& entry, int wanted) { return entry.id < wanted; });
    if (found == kTexts.end() || found->id != id) {
        return {};
    }
    return found->text;
}

} // namespace tavox
