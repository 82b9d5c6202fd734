// The pieces of a batch request that a run without a window builds from
// the settings alone: the file client's request settings and the request.
#pragma once

#include "core/download/batch_runner.h"

#include <optional>

// What the page gave the batch: the referer its files are asked with (the
// page's address, or the user's own referer) and the credentials typed for
// it, with the origin they belong to (files elsewhere get none).
struct TPageCredentials {
    QByteArray referer;
    QByteArray userId;
    QByteArray password;
    std::optional<THttpOrigin> origin;
};

// The file client's request settings: the proxy while "proxy" is on (its
// port as typed; 3128 when that is no number), the time-out in
// milliseconds, keep-alive, the slow-transfer limit, the program's name in
// the header and the page's referer and credentials.
THttpRequestSettings FileRequestSettings(const TSettingsValues &settings, const TPageCredentials &page);

// A request for the addresses into the folder prefix (a folder's path with
// its "/", or empty for the current folder).
TBatchRequest MakeBatchRequest(const QList<QByteArray> &addresses, const QByteArray &folderPrefix,
                               const TSettingsValues &settings, const TPageCredentials &page, bool english);
