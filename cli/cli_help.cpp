// grabulo-cli --help, in English and in Slovene.
#include "cli/cli_options.h"

namespace {

const char kEnglish[] = R"(Usage: grabulo-cli [OPTIONS] ADDRESS...
       grabulo-cli [OPTIONS] -i FILE [ADDRESS...]
Loads each web page, finds the links (or the embedded pictures) of the chosen
file type and saves the files into a folder. An address without a scheme is
an http:// one. The stored settings of the Grabulo window give the defaults;
options hold for this run only and are never stored.

What to take:
      --find WHAT        links, embedded or both (default: the stored choice)
  -e, --embedded         the same as --find embedded
  -t, --type NAME        the file type (default: pictures):
                           %1
                         webp, avif and svg turn on --modern
      --modern           the modern page scan: srcset, lazy-loaded and
                         responsive pictures, webp, avif, svg (--no-modern)
Where:
  -o, --output DIR       the folder to save into (default: the current one);
                         made with its parents when missing
  -i, --input FILE       page addresses, one a line ("-": standard input);
                         the files of the k-th page get the prefix "00-" ...
      --list             print the addresses found, one a line; save nothing
How:
  -j, --parallel N       downloads at once, 1 to 8
      --keep-alive       keep connections open between files (--no-keep-alive)
      --http2            with --keep-alive over https, HTTP/2 where the server
                         offers it: its files at once on one connection
                         (the default; --no-http2)
      --skip-saved       pass over files saved before (--no-skip-saved)
  -T, --timeout S        give a transfer up after S seconds without progress
      --low-speed S      break a transfer off after S seconds below 1 KiB/s
                         (0 to 3600; 0: never)
      --cookies FILE     send the cookies of a browser's cookies.txt where
                         they belong (default: the stored "Cookies file")
      --wait S           at least S seconds between two requests to one
                         server (0 to 3600; default: the stored "wait")
      --min-size WxH     skip pictures narrower than W or lower than H pixels,
                         broken off as their header arrives (0: no limit)
      --pages N          follow each page's next page, N pages in all
                         (1 to 1000; default: the stored "pages")
      --limit-rate N     at most N KiB/s for all the files at once (0: no
                         cap; 300k = 300 KiB/s, 2m = 2 MiB/s; up to 1024m);
                         the page itself is not capped (default: the stored
                         "Limit to KiB/s")
      --proxy HOST:PORT  through this HTTP proxy (--no-proxy: directly)
Login:
  -u, --user USER        log in as USER, only to the page's own server; the
                         password comes from GRABULO_PASSWORD, else from
      --password-file FILE  (its first line), else from the terminal
Output:
  -q, --quiet            no log on standard output
  -v, --verbose          also the settings in force, on standard error
      --lang en|sl       the language (default: from the locale)
      --no-progress      no progress line on the terminal
  -h, --help             this help
  -V, --version          the version

Exit status: 0 all saved; 1 some file or page failed; 2 nothing could be done
(usage, folder, address or page); 3 no file of that type found; 130, 143, 129
ended by SIGINT, SIGTERM, SIGHUP.
The address history, error.log and the archive of saved files are the
window's own. See grabulo-cli(1).
)";

const char kSlovene[] = R"(Uporaba: grabulo-cli [MOŽNOSTI] NASLOV...
         grabulo-cli [MOŽNOSTI] -i DATOTEKA [NASLOV...]
Naloži vsako spletno stran, na njej poišče povezave (ali vdelane slike)
izbrane vrste datotek in jih shrani v mapo. Naslov brez sheme je http://.
Privzete vrednosti so shranjene nastavitve okna Grabulo; možnosti veljajo le
za ta zagon in se nikoli ne shranijo.

Kaj vzeti:
      --find KAJ         links (povezave), embedded (vdelane slike) ali both
                         (oboje); privzeto shranjena izbira
  -e, --embedded         isto kot --find embedded
  -t, --type IME         vrsta datotek (privzeto: pictures):
                           %1
                         webp, avif in svg vklopijo --modern
      --modern           sodobno branje strani: srcset, slike, ki se naložijo
                         pozneje, webp, avif, svg (--no-modern)
Kam:
  -o, --output MAPA      mapa za shranjevanje (privzeto: trenutna); če je ni,
                         se ustvari skupaj z nadrejenimi
  -i, --input DATOTEKA   naslovi strani, po eden v vrstici ("-": standardni
                         vhod); datoteke k-te strani dobijo predpono "00-" ...
      --list             izpiše najdene naslove, po enega v vrstici; ne shrani
Kako:
  -j, --parallel N       hkratnih prenosov, od 1 do 8
      --keep-alive       povezave ostanejo odprte (--no-keep-alive)
      --http2            z --keep-alive prek https HTTP/2, kjer ga strežnik
                         ponuja: njegove datoteke hkrati po eni povezavi
                         (privzeto; --no-http2)
      --skip-saved       preskoči že shranjene datoteke (--no-skip-saved)
  -T, --timeout S        prenos opusti po S sekundah brez napredka
      --low-speed S      prekini prenos po S sekundah pod 1 KiB/s
                         (od 0 do 3600; 0: nikoli)
      --cookies DATOTEKA  pošlje piškotke brskalnikove cookies.txt, kamor
                         sodijo (privzeto: shranjena "Datoteka piškotkov")
      --wait S           vsaj S sekund med dvema zahtevama istemu strežniku
                         (od 0 do 3600; privzeto: shranjeni "wait")
      --min-size ŠxV     preskoči slike, ožje od Š ali nižje od V pikslov;
                         prenos se prekine ob glavi slike (0: brez omejitve)
      --pages N          sledi naslednji strani vsake strani, skupaj N strani
                         (od 1 do 1000; privzeto: shranjeni "pages")
      --limit-rate N     največ N KiB/s za vse datoteke hkrati (0: brez
                         omejitve; 300k = 300 KiB/s, 2m = 2 MiB/s; do 1024m);
                         stran sama ni omejena (privzeto: shranjeni
                         "Omeji na KiB/s")
      --proxy GOSTITELJ:VRATA  prek tega posredniškega strežnika (--no-proxy)
Prijava:
  -u, --user UPORABNIK   prijava kot UPORABNIK, le na strežnik strani; geslo
                         iz GRABULO_PASSWORD, sicer iz
      --password-file DATOTEKA  (prva vrstica), sicer ga vpišete v terminal
Izpis:
  -q, --quiet            brez dnevnika na standardnem izhodu
  -v, --verbose          tudi nastavitve v veljavi, na standardni izhod za napake
      --lang en|sl       jezik (privzeto: po jezikovnih nastavitvah sistema)
      --no-progress      brez vrstice napredka v terminalu
  -h, --help             ta pomoč
  -V, --version          različica

Izhodna koda: 0 vse shranjeno; 1 kakšna datoteka ali stran ni uspela;
2 ni bilo mogoče storiti ničesar (uporaba, mapa, naslov ali stran); 3 ni
datotek te vrste; 130, 143, 129 končano s SIGINT, SIGTERM, SIGHUP.
Zgodovina naslovov, error.log in arhiv shranjenih datotek so isti kot v oknu.
Glejte grabulo-cli(1).
)";

}  // namespace

QString CliHelp(bool english)
{
    return QString::fromUtf8(english ? kEnglish : kSlovene).arg(CliTypeNames().join(QLatin1String(", ")));
}
