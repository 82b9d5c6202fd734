// The two HTTP clients of a run, the page client and the file client: how
// they are made ready, and the settings in force applied to both.
#pragma once

#include "core/settings/settings.h"

class THttpClient;

// The fixed set-up of both clients: the page body in memory, the file body
// straight into a new file, the program's name in the request, the default
// time-out and proxy ports, one cookie jar for both (empty: what servers
// set is kept for the run).
void ConfigureHttpClients(THttpClient &pages, THttpClient &files);

// Time-out, persistent connections, the slow-transfer limit and the proxy
// of the values to both clients. Proxy off: no proxy host, the ports stay;
// a port that is not a number leaves the last good one.
void ApplySettingsToClients(const TSettingsValues &values, THttpClient &pages, THttpClient &files);

// The cookies file of the settings (empty: none) read into a fresh jar of
// both clients. What a server set before goes with the old jar.
struct TCookiesRead {
    bool ok = true;
    QString line;  // for the log: why it could not be read, or the lines skipped; empty none
};
TCookiesRead ReadCookiesFile(const QString &file, THttpClient &pages, THttpClient &files, bool english);
