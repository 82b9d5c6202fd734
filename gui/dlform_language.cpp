// The interface language: every worded control of the three windows in
// Slovene or in English. The flag is set first, then the texts.
#include "gui/caption_fit.h"
#include "gui/panel_status_bar.h"
#include "gui/windows.h"
#include "gui/dlform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

void SetCaption(QObject *control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setTitle(text);
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(text);
    else if (auto *action = qobject_cast<QAction *>(control))
        action->setText(text);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setPlaceholderText(text);  // a grey example in an empty box
    else if (auto *widget = qobject_cast<QWidget *>(control))
        widget->setWindowTitle(text);
}


}  // namespace

QList<TDLForm::LanguageRow> TDLForm::LanguageTable() const
{
    const bool C = false, H = true;  // caption or hint
    const TCreateList *c = CreateList;
    return QList<LanguageRow>{
        {Button1, C, "&Prekini", "&Disconnect"},
        {Button2, C, "&Naloži stran", "&Load page"},
        {Button4, C, "&Shrani slike", "&Save pictures"},
        {Button5, C, "Počisti &zgodovino", "Clear &history"},
        {Button7, C, "English", "Slovensko"},
        {Button8, C, "Uporabi geslo", "Use this password"},
        {Button9, C, "S&eznami...", "L&ists..."},
        {Button10, C, "Izberi imenik...", "Select folder..."},
        {Button11, C, "Zaženi še eno kopijo programa", "Run another copy of the program"},
        {Button12, C, "Shrani nastavitve za prihodnjič", "Save settings for the next run"},
        {Button13, C, "Naloži seznam", "Load list"},
        {Button14, C, "Začni!", "Start!"},
        {Button15, C, "Naloži seznam podimenikov", "Load list of subfolders"},
        {Button16, C, "Prekini vse", "Abort all"},
        {Button17, C, "Naloži seznam iz datoteke", "Load list from file"},
        {Button19, C, "Shrani seznam v datoteko", "Save list to file"},
        // The end of a batch: the failed files' panel.
        {RetryFailedButton, C, "Ponovi neuspele", "Retry failed"},
        {OpenFolderButton, C, "Odpri imenik", "Open folder"},
        {RetryFailedButton, H, "Znova prenesi samo neuspele datoteke", "Download only the failed files again"},
        {OpenFolderButton, H, "Odpri imenik s shranjenimi datotekami", "Open the folder of the saved files"},
        {SpeedButton1, H, "Prilepi povezavo iz odložišča", "Paste link from clipboard"},
        {SpeedButton2, H, "Izberi vsako drugo povezavo", "Select every second link"},
        {SpeedButton3, H, "Izberi vse povezave", "Select all links"},
        {SpeedButton4, H, "Obrni vrstni red povezav", "Reverse the order of the links"},
        {SpeedButton5, H, "Prilepi povezavo iz odložišča", "Paste link from clipboard"},
        {SpeedButton6, H, "Prilepi seznam strani iz odložišča", "Paste list of sites from clipboard"},
        {TabSheet1, C, "Prenos slik", "Download zone"},
        {TabSheet2, C, "Nastavitve", "Settings"},
        {TabSheet3, C, "O programu...", "About..."},
        {TabSheet4, C, "Prenos po seznamu", "List download"},
        {CheckBox1, C, "Uporabi proxy:", "Use proxy:"},
        {CheckBox2, C, "Ogled slik", "View as you download"},
        {CheckBox3, C, "Uporabi ta URL namesto naslova strani", "Use referer other than the original page"},
        {CheckBox4, C, "Izbriši datoteke, manjše od", "Delete files smaller than"},
        {CheckBox7, C, "Poišči odzivne in odloženo naložene slike", "Find responsive and lazy-loaded pictures"},
        {CheckBox5, C, "Naloži slike, vključene v spletno stran", "Download embedded images (not with links)"},
        {LabelFind, C, "Vzemi:", "Take:"},
        {RadioLinks, C, "Povezave", "Links"},
        {RadioEmbedded, C, "Vgrajene slike", "Embedded pictures"},
        {RadioBoth, C, "Oboje", "Both"},
        {CheckBox6, C, "Ohrani povezave odprte", "Keep connections open"},
        {CheckBox8, C, "Preskoči že shranjene slike", "Skip pictures already saved"},
        {CheckBox8, H, "Ne prenesi znova datoteke, ki je že shranjena v tem imeniku; prekinjen prenos nadaljuj",
         "Do not download again a file already saved into this folder; resume an interrupted one"},
        {Label25, C, "Hkratni prenosi", "Downloads at once"},
        {Label26, C, "Prekini pod 1 KiB/s po", "Abort below 1 KiB/s after"},
        {Label26, H, "Prenos, ki v toliko sekundah prenese manj kot 1 KiB, se prekine in poskusi znova; 0: nikoli",
         "A transfer that moves less than 1 KiB in this many seconds is broken off and retried; 0: never"},
        {GroupBoxPictures, C, "Slike", "Pictures"},
        {LabelMinWidth, C, "Najmanjša širina", "Least width"},
        {LabelMinHeight, C, "Najmanjša višina", "Least height"},
        {LabelMinWidth, H, "Ožje slike se ne shranijo: prenos se prekine ob glavi slike; 0: brez omejitve",
         "Narrower pictures are not saved: the transfer is broken off at the picture's header; 0: no limit"},
        {LabelMinHeight, H, "Nižje slike se ne shranijo: prenos se prekine ob glavi slike; 0: brez omejitve",
         "Lower pictures are not saved: the transfer is broken off at the picture's header; 0: no limit"},
        {GroupBoxPages, C, "Strani", "Pages"},
        {LabelPages, C, "Sledi naslednjim stranem, skupaj", "Follow next pages, in all"},
        {LabelPages, H, "Naloži še naslednjo stran vsake strani (rel=next ali povezava »Naprej«) na istem strežniku, "
                        "skupaj največ toliko strani; 1: le stran sama",
         "Also load each page's next page (rel=next or a \"Next\" link) on the same server, up to this many pages in "
         "all; 1: the page alone"},
        {GroupBoxSpeed, C, "Hitrost", "Speed"},
        {LabelRateLimit, C, "Omeji na KiB/s (0 = brez)", "Limit to KiB/s (0 = off)"},
        {CheckBoxHttp2, C, "HTTP/2, kjer ga strežnik ponuja", "HTTP/2 where the server offers it"},
        {CheckBoxHttp2, H, "Z ohranjenimi povezavami prek https gredo datoteke strežnika, ki ponuja HTTP/2, po eni povezavi hkrati",
         "With connections kept open over https, the files of a server that offers HTTP/2 go at once over one connection"},
        {LabelRateLimit, H, "Vsi hkratni prenosi datotek skupaj največ toliko KiB na sekundo; stran sama ni omejena",
         "All the file downloads at once together at most this many KiB a second; the page itself is not capped"},
        {GroupBox2, C, "Povezava", "Connection"},
        {GroupBox3, C, "Stran", "Page"},
        {GroupBox4, C, "Shrani slike v...", "Save images to..."},
        {GroupBox6, C, "Časovna omejitev", "Timeout"},
        {GroupBox7, C, "Stran, iz katere prihajate", "Referer"},
        {GroupBox9, C, "Zakasnitev začetka", "Set start delay"},
        // Cookies and waiting.
        {GroupBoxCookies, C, "Piškotki in čakanje", "Cookies and waiting"},
        {LabelCookies, C, "Datoteka piškotkov", "Cookies file"},
        {ButtonCookies, C, "Izberi...", "Choose..."},
        {ButtonCookiesClear, C, "Počisti", "Clear"},
        {LabelWait, C, "Čakaj med zahtevami", "Wait between requests"},
        {LabelWait, H, "Najmanj toliko sekund med začetkoma dveh zahtev istemu strežniku; 0: brez čakanja",
         "At least this many seconds between the starts of two requests to one server; 0: no wait"},
        {P1, C, "Naloži seznam iz tekstovne datoteke", "Load list from text file"},
        {P2, C, "Naloži seznam iz HTML datoteke", "Load list from HTML file"},
        {P3, C, "Shrani seznam v tekstovno datoteko", "Save list to text file"},
        {P4, C, "Shrani seznam v HTML datoteko", "Save list to HTML file"},
        {P5, C, "Naredi seznam", "Create list"},
        {Label11, C, "začni pri", "start with item"},
        {CreateList, C, "Naredi seznam", "Create list"},
        {c ? c->GroupBox2 : nullptr, C, "Ime datoteke", "File name"},
        {c ? c->Label5 : nullptr, C, "Začetek", "Start"},
        {c ? c->GroupBox1 : nullptr, C, "Srednji del", "Middle part"},
        {c ? c->Label2 : nullptr, C, "od", "From"},
        {c ? c->Label3 : nullptr, C, "do", "To"},
        {c ? c->Label4 : nullptr, C, "Število decimalnih mest", "Number of decimal places"},
        {c ? c->Label6 : nullptr, C, "Konec", "End"},
        {c ? c->Button1 : nullptr, C, "Naredi seznam", "Create list"},
        {c ? c->Button2 : nullptr, C, "Začni prenos", "Download"},
        {c ? c->Button3 : nullptr, C, "Očisti seznam", "Clear list"},
        {c ? c->Button4 : nullptr, C, "Preveri narejeno povezavo v brskalniku", "Test selected link in browser"},
        {PreviewForm, C, "Ogled slike", "View image"},
        {Combo1->lineEdit(), C, "npr. www.example.org/galerija/", "e.g. www.example.org/gallery/"},
        // The settings' page credentials.
        {Label6, C, "uporabnik:", "user:"},
        {Label7, C, "geslo:", "pass:"},
        // The About tab.
        {Image8, H, "Obiščite spletno stran Tarvove feke!", "Visit the web site of Tarvove feke!"},
        {Image6, H, "Obiščite spletno stran naših pripomočkov!", "Visit our utilities web site!"},
        {RichEdit1, C,
         "Grabulo je priročno in uporabno orodje za prenos vseh slik z ene ali več spletnih strani. Vpišite "
         "naslov, vse drugo naredi program. En klik in vse slike so na vašem disku, ne da bi kliknili vsako "
         "povezavo in odprli vsako sličico.\nNa naši spletni strani so še drugi naši pripomočki.\n"
         "V forumu so nasveti in zvijače.",
         "Grabulo is a handy and useful tool for downloading all the pictures from one or more web sites. Just "
         "type in the address and let this program do the rest. One click and all the graphics will be "
         "transferred to your hard drive, without clicking on every link and viewing every thumbnail.\n"
         "Look at our web site for our other utilities.\nRead the forum for advice, tips and tricks."},
        {Label15, C, "-> prenesete še nekaj slik?", "-> download some more pictures?"},
        {Label4, C, "-> na spletni strani poiščete novejšo različico programa?",
         "-> check the web site for a newer version of the program?"},
        {Label14, C, "-> avtorju namenite donacijo?", "-> make a donation to the author?"},
        {Button180, C, "Doniraj prek spleta", "Donate online"},
        {Image7, H, "Donirajte zdaj!", "Donate now!"},
        {Button30, C, "Pomoč", "Help"},
    } + BoundWording;
}

void TDLForm::ApplyLanguage(bool english)
{
    EnglishUI = english ? 1 : 0;
    for (const LanguageRow &row : LanguageTable()) {
        if (!row.control)
            continue;  // a secondary window that does not exist (yet)
        const QString text = QString::fromUtf8(english ? row.english : row.slovene);
        const int tab = PageControl1->indexOf(qobject_cast<QWidget *>(row.control));
        if (row.hint) {
            // The symbol and picture buttons say in words what they do, to
            // the pointer and to screen readers alike.
            auto *widget = static_cast<QWidget *>(row.control);
            widget->setToolTip(text);
            widget->setAccessibleName(text);
        }
        else if (tab >= 0)
            PageControl1->setTabText(tab, text);
        else
            SetCaption(row.control, text);
    }
    // The Download zone's status cell names the tab as its caption does.
    Status1->SetPanelText(1, PageControl1->tabText(PageControl1->indexOf(TabSheet1)));
    FitAllCaptions();
}

void TDLForm::FitAllCaptions()
{
    FitCaptions(this);
    FitCaptions(CreateList);
    FitCaptions(PreviewForm);
}

void TDLForm::SLOClick()
{
    ApplyLanguage(false);
}

void TDLForm::ENGClick()
{
    ApplyLanguage(true);
}

void TDLForm::Button7Click()
{
    if (EnglishUI != 0)
        SLOClick();
    else
        ENGClick();
}
