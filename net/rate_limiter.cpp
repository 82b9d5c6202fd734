#include "net/rate_limiter.h"

#include <algorithm>
#include <cmath>

using Clock = std::chrono::steady_clock;

qint64 TRateLimiter::BurstFor(qint64 bytesPerSecond)
{
    const qint64 rate = std::clamp<qint64>(bytesPerSecond, 1, kMostBytesPerSecond);
    return std::min(rate, std::max(rate / 10, kReadBuffer));
}

TRateLimiter::TRateLimiter(qint64 bytesPerSecond, TClock clock)
    : rate_(std::clamp<qint64>(bytesPerSecond, 1, kMostBytesPerSecond)),
      burst_(BurstFor(rate_)),
      leastGrant_(std::max<qint64>(1, burst_ / 4)),
      clock_(std::move(clock)),
      tokens_(double(burst_)),
      filled_(Now())
{
}

Clock::time_point TRateLimiter::Now() const
{
    return clock_ ? clock_() : Clock::now();
}

// Under lock_: the tokens the time since filled_ brought, up to the burst.
void TRateLimiter::Refill()
{
    const Clock::time_point now = Now();
    if (now <= filled_)
        return;
    const double seconds = std::chrono::duration<double>(now - filled_).count();
    tokens_ = std::min(double(burst_), tokens_ + seconds * double(rate_));
    filled_ = now;
}

qint64 TRateLimiter::Take(qint64 wanted, TWait longest)
{
    if (wanted <= 0)
        return 0;
    const qint64 needed = std::min(wanted, leastGrant_);
    // The real clock bounds the wait, whatever clock fills the bucket.
    const Clock::time_point giveUp =
        longest >= kForever - std::chrono::hours(1) ? Clock::time_point::max() : Clock::now() + longest;
    std::unique_lock hold(lock_);
    const quint64 cancels = cancels_;
    for (;;) {
        Refill();
        if (tokens_ >= double(needed)) {
            const qint64 granted = std::min(wanted, qint64(std::floor(tokens_)));
            tokens_ -= double(granted);
            return granted;
        }
        const Clock::time_point now = Clock::now();
        if (now >= giveUp)
            return 0;
        const auto missing = std::chrono::duration<double>((double(needed) - tokens_) / double(rate_));
        const Clock::time_point ready = now + std::chrono::ceil<Clock::duration>(missing);
        changed_.wait_until(hold, std::min(ready, giveUp));
        if (cancels_ != cancels)
            return 0;
    }
}

void TRateLimiter::GiveBack(qint64 bytes)
{
    if (bytes <= 0)
        return;
    {
        const std::lock_guard hold(lock_);
        Refill();
        tokens_ = std::min(double(burst_), tokens_ + double(bytes));
    }
    changed_.notify_all();
}

void TRateLimiter::Cancel()
{
    {
        const std::lock_guard hold(lock_);
        ++cancels_;
    }
    changed_.notify_all();
}
