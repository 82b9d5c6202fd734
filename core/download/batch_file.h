// One file of a batch as the download steps see it, whether it transfers
// through the window's own file client or on a worker beside others.
#pragma once

#include "base/errors.h"

#include <QByteArray>
#include <QString>

// Attempts at one file before it is given up: time-outs, resets and short
// bodies are tried again.
inline constexpr int kMaxDownloadAttempts = 5;

struct TBatchFile {
    QByteArray address;
    QByteArray name;  // relative to the save folder; the naming rules may change it
    int attempt = 1;
    QString reason;   // why the last attempt failed; empty when it said so itself
    qint64 resumedFrom = -1;  // the bytes of a part this attempt continues; -1 none
    int busyWaits = 0;        // waits for a busy server so far (kMostBusyWaits)
    bool noStreams = false;   // its answer on an HTTP/2 stream redirected: asked again over HTTP/1.x
};

// The save folder takes no file at all (gone, not writable): raised out of
// a file's steps to end the batch; the text says so to the user.
class ESaveFolderError : public Exception {
public:
    using Exception::Exception;
};
