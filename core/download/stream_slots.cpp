// TBatchRunner and HTTP/2: when a batch may send its files as streams of
// one connection, the stream slots it makes of its TH2Worker, and the
// connections opened while a page loads.
#include "core/download/batch_runner.h"
#include "core/download/batch_walk.h"

#include "core/download/transfer_slots.h"
#include "net/h2_worker.h"
#include "net/http_client.h"

namespace {
bool IsHttps(const QByteArray &address)
{
    return THttpClient::OriginOf(address).Secure;
}

// The batch's first https address: its origin is the one streams go to.
QByteArray FirstHttpsAddress(const QList<QByteArray> &addresses, const std::deque<TBatchFile> &retries)
{
    for (const TBatchFile &file : retries) {
        if (IsHttps(file.address))
            return file.address;
    }
    for (const QByteArray &address : addresses) {
        if (IsHttps(address))
            return address;
    }
    return {};
}
}  // namespace

// HTTP/2 only over https, with kept connections and "http2" on. A speed
// cap holds transfers back as they read, which a stream does not do: with
// one, the files go over HTTP/1.x.
bool TBatchRunner::StreamsAllowed(const TSettingsValues &settings, const THttpRequestSettings &http,
                                  const QByteArray &address) const
{
    return settings.http2 && http.KeepAlive && settings.rateLimit <= 0 && !slotSource_ && IsHttps(address);
}

// Opens (or keeps) the HTTP/2 connection to the origin of the batch's
// first https file, waits until the server has chosen, and makes one
// stream slot per stream it allows. 0 when the batch is not to use
// streams or the server chose HTTP/1.1.
int TBatchRunner::MakeStreamSlots(const Walk &walk)
{
    const QByteArray address = FirstHttpsAddress(walk.addresses, walk.retries);
    if (!StreamsAllowed(request_.settings, request_.http, address))
        return 0;
    if (!h2_)
        h2_ = std::make_unique<TH2Worker>();
    if (!h2_->IsOrigin(address) || h2_->CurrentState() == TH2Worker::State::Idle)
        h2_->Open(address, request_.http);
    if (h2_->WaitUntilSettled(request_.http.TimeOut > 0 ? request_.http.TimeOut : 30000) != TH2Worker::State::Streams)
        return 0;
    const int count = qBound(0, h2_->StreamLimit(), TH2Worker::kMostStreams);
    std::vector<TStreamSlot *> streams;
    for (int slot = 0; slot < count; ++slot) {
        auto stream = std::make_unique<TStreamSlot>(*h2_, slot);
        streams.push_back(stream.get());
        slots_.push_back(std::move(stream));
    }
    h2_->OnFinished = [streams](int slot, TTransferResult result) {
        if (slot >= 0 && slot < int(streams.size()))
            streams[size_t(slot)]->Finish(std::move(result));
    };
    return count;
}

void TBatchRunner::Preconnect(const QByteArray &address, const TSettingsValues &settings,
                              const THttpRequestSettings &http)
{
    const int count = qBound(1, settings.parallel, int(Settings::ParallelMost));
    if (!http.KeepAlive || slotSource_)
        return;
    if (!StreamsAllowed(settings, http, address)) {
        PreconnectWorkers(address, http, count);
        return;
    }
    if (!h2_)
        h2_ = std::make_unique<TH2Worker>();
    // A server that speaks no HTTP/2 gets the workers' connections instead.
    h2_->OnSettled = [this, address, http, count](TH2Worker::State state) {
        if (state == TH2Worker::State::NoStreams)
            PreconnectWorkers(address, http, count);
    };
    h2_->Open(address, http);
}

// One slot takes the page's own connection: only several open theirs.
void TBatchRunner::PreconnectWorkers(const QByteArray &address, const THttpRequestSettings &http, int count)
{
    if (count == 1)
        return;
    for (int slot = 0; slot < count; ++slot)
        WorkerFor(slot)->Open(address, http);
}
