// TRateLimiter: a speed cap shared by several transfers, as a token bucket.
// Tokens are bytes; they come at the rate (bytes per second) by a steady
// clock and gather up to the burst. A reader asks before each read how
// much it may read (Take) and gives back what the read did not use
// (GiveBack), so the bytes read over any stretch of time stay within the
// rate times its length plus one burst. Thread-safe: the transfers of a
// batch ask from their own threads. It does not care who asks: a socket,
// a TLS layer or a test.
//
//   auto cap = std::make_shared<TRateLimiter>(200 * 1024);
//   TRateGrant grant(cap.get(), sizeof buffer, TRateLimiter::kReadSlice);
//   const ssize_t n = recv(fd, buffer, size_t(grant.Bytes()), 0);
//   grant.Used(n);  // the rest goes back when grant ends
#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class TRateLimiter {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    using TWait = std::chrono::steady_clock::duration;

    // The largest rate a cap takes: 1 GiB/s.
    static constexpr qint64 kMostBytesPerSecond = qint64(1) << 30;
    // The usual read, the least burst (unless a second of the rate is less).
    static constexpr qint64 kReadBuffer = 65536;
    // How long a reader's Take waits at most before it looks at its own
    // events (a cancel, its time-out) and asks again.
    static constexpr TWait kReadSlice = std::chrono::milliseconds(50);
    static constexpr TWait kForever = TWait::max();

    // bytesPerSecond from 1 to kMostBytesPerSecond (others are clamped);
    // the bucket starts full. clock: the steady clock unless a test gives
    // its own.
    explicit TRateLimiter(qint64 bytesPerSecond, TClock clock = {});
    TRateLimiter(const TRateLimiter &) = delete;
    TRateLimiter &operator=(const TRateLimiter &) = delete;

    // A tenth of a second of the rate, at least kReadBuffer, but never more
    // than one second of the rate.
    static qint64 BurstFor(qint64 bytesPerSecond);

    // Waits until some bytes may be read and returns how many (1 to
    // wanted), taken from the bucket. It waits for at least a quarter of
    // the burst (or wanted, when less) to gather, so that reads stay of a
    // useful size. Returns 0 without taking any when longest passes first,
    // when Cancel is called meanwhile, or when wanted <= 0.
    qint64 Take(qint64 wanted, TWait longest = kForever);
    // Bytes of a Take that were not read go back into the bucket.
    void GiveBack(qint64 bytes);
    // Every Take waiting now returns 0 at once (its reader is being
    // stopped); later Takes wait as ever.
    void Cancel();

    qint64 Rate() const { return rate_; }
    qint64 Burst() const { return burst_; }

private:
    void Refill();
    std::chrono::steady_clock::time_point Now() const;

    const qint64 rate_;
    const qint64 burst_;
    const qint64 leastGrant_;
    const TClock clock_;
    std::mutex lock_;
    std::condition_variable changed_;
    double tokens_;                                  // under lock_
    std::chrono::steady_clock::time_point filled_;  // under lock_: when tokens_ was right
    quint64 cancels_ = 0;                            // under lock_
};

// One read's share: asks the limiter (none: the whole size is granted, with
// no lock taken) and gives back what the read did not use when it ends.
class TRateGrant {
public:
    TRateGrant(TRateLimiter *limiter, qint64 wanted, TRateLimiter::TWait longest)
        : limiter_(limiter), granted_(limiter ? limiter->Take(wanted, longest) : wanted)
    {
    }
    ~TRateGrant()
    {
        if (limiter_ && granted_ > used_)
            limiter_->GiveBack(granted_ - used_);
    }
    TRateGrant(const TRateGrant &) = delete;
    TRateGrant &operator=(const TRateGrant &) = delete;

    qint64 Bytes() const { return granted_; }
    // What the read brought (a failed read, below 0, used none).
    void Used(qint64 bytes) { used_ = qBound(qint64(0), bytes, granted_); }

private:
    TRateLimiter *const limiter_;
    const qint64 granted_;
    qint64 used_ = 0;
};
