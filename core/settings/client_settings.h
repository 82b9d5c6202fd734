// The two HTTP clients of a run, the page client and the file client: how
// they are made ready, and the settings in force applied to both.
#pragma once

#include "core/settings/settings.h"

class THttpClient;

// The fixed set-up of both clients: the page body in memory, the file body
// straight into a new file, the program's name in the request, the default
// time-out and proxy ports.
void ConfigureHttpClients(THttpClient &pages, THttpClient &files);

// Time-out, persistent connections, the slow-transfer limit and the proxy
// of the values to both clients. Proxy off: no proxy host, the ports stay;
// a port that is not a number leaves the last good one.
void ApplySettingsToClients(const TSettingsValues &values, THttpClient &pages, THttpClient &files);
