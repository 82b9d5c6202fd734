// Pieces of the link scan benchmark that other benchmarks can reuse: a
// generated page with many links, and timings of the pure scan, of the
// window's page-load pass and of a grep extraction of the same links.
#pragma once

#include "core/scan/link_scanner.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A generated page and what a scan of it under type filter entry 0 must give.
struct LinkPage {
    QByteArray text;
    PageLocation location;         // the folder the page lies in
    qsizetype links = 0;           // href attributes on the page
    qsizetype distinctAdmitted = 0; // distinct addresses left after the scan
};

// About pageBytes of HTML with linkCount double-quoted href links of several
// forms (relative, "/", "../", "./", absolute, and pages the filter drops),
// with repeats among them, between lines of filler text. Deterministic.
LinkPage GenerateLinkPage(qsizetype pageBytes, qsizetype linkCount);

struct ScanTiming {
    double milliseconds = 0;       // the fastest of the runs
    double medianMilliseconds = 0;
    QList<QByteArray> links;       // the result of the last run
};

// Times ScanPageLinks (collection, filter and resolution under entry 0,
// duplicate removal) on the page text already in memory.
ScanTiming TimePureScan(const LinkPage &page, int runs);

// The same for the modern page scan (ScanModernPageLinks: the HTML
// tokenizer, the href values of a, area and link, filter and resolution
// under entry 0, duplicate removal).
ScanTiming TimeModernScan(const LinkPage &page, int runs);

struct WindowTiming {
    double milliseconds = 0;        // calls and display, the fastest of the runs
    double medianMilliseconds = 0;
    double callsMilliseconds = 0;   // the calls alone, in the fastest run
    QList<QByteArray> links;        // List2 after the last run
    QString label10;                // Label10's text after the last run
};

// Times what Load page does with the page text once the transfer is over,
// in a real main window shown on the Download zone tab: Memo2 := the text,
// ObdelajHTML, Combo1 := pageAddress, ObdelajPovezave,
// OdstraniDuplikatneVrstice(List2), Label10 := the count; then one pass of
// the event loop, so the list view lays out and paints. Needs a
// QApplication; the lists are emptied before each run, outside the timing.
WindowTiming TimeWindowPageLoad(const LinkPage &page, const QByteArray &pageAddress, int runs);

// Times `grep -o 'href="[^"]*"'` over the page saved in file, run as a
// subprocess; the fastest of the runs. Sets matches to the lines it printed.
double TimeGrepExtraction(const QString &file, int runs, qsizetype &matches);
