// What the scheduler of TBatchRunner keeps while a batch runs: a file in
// transfer (a job) and the walk through the picked files.
#pragma once

#include "core/download/batch_runner.h"
#include "core/download/part_file.h"
#include "core/download/picture_header.h"

#include <QElapsedTimer>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

struct TBatchRunner::Job {
    TBatchFile file;
    std::unique_ptr<TPartFile> part;  // removed when the job ends, unless named
    // The least picture size: whether the header was judged, the bytes
    // received when the part was last looked at, and the size of a picture
    // found too small (its transfer is broken off).
    bool judged = false;
    qint64 lookedAt = -1;
    std::optional<TPictureSize> tooSmall;
};

// The next file, named and its part made, waiting for a free slot that
// takes it (an HTTP/2 stream takes only its origin's new files).
struct TBatchRunner::Ready {
    TBatchFile file;
    std::unique_ptr<TPartFile> part;
    TResumePoint resume;
};

struct TBatchRunner::Walk {
    QList<QByteArray> addresses;   // the picked files; empty for one file outside a batch
    qsizetype next = 0;            // the next address to take
    int started = 0;               // files started, a retry not counted again
    int ended = 0;
    bool noMore = false;           // every picked file has been started
    std::deque<TBatchFile> retries;
    std::optional<Ready> ready;    // taken from the list or the retries, not started yet
    std::vector<std::optional<Job>> jobs;  // one per slot
    std::deque<std::pair<int, TTransferResult>> finished;
    qint64 bytesEnded = 0;         // bytes of the transfers that ended
    int saved = 0;                 // files ended saved, after a transfer
    qint64 bytesSaved = 0;         // their bodies
    QElapsedTimer clock;

    int InFlight() const
    {
        return int(std::count_if(jobs.begin(), jobs.end(), [](const auto &job) { return job.has_value(); }));
    }
};
