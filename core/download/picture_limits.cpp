// The least picture size of a batch ("minwidth", "minheight"): while a
// file arrives, its part file's first bytes are looked at until the
// picture's header gives its size; a picture below the limits is broken
// off at once, its part removed, and it counts as skipped.
#include "core/download/batch_runner.h"
#include "core/download/batch_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The first bytes of the part (at most kPictureHeadMost) and whether they
// are all it may hold for the judgement (the part is at least that long).
QByteArray PartHead(const QByteArray &name)
{
    QByteArray head;
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return head;
    head.resize(kPictureHeadMost);
    qsizetype have = 0;
    while (have < head.size()) {
        const ssize_t n = ::read(fd, head.data() + have, size_t(head.size() - have));
        if (n <= 0)
            break;
        have += n;
    }
    ::close(fd);
    head.truncate(have);
    return head;
}

bool Below(qint64 size, qint32 least)
{
    return least > 0 && size < least;
}
}  // namespace

bool TBatchRunner::PictureLimitsOn() const
{
    return request_.settings.minWidth > 0 || request_.settings.minHeight > 0;
}

// Each file in transfer whose header was not judged yet and that got
// bytes since the last look.
void TBatchRunner::JudgeArrivingPictures(Walk &walk)
{
    for (size_t slot = 0; slot < walk.jobs.size() && slot < slots_.size(); ++slot) {
        std::optional<Job> &job = walk.jobs[slot];
        if (!job || job->judged || !job->part)
            continue;
        const qint64 received = slots_[slot]->BytesReceived();
        if (received == job->lookedAt)
            continue;
        job->lookedAt = received;
        JudgePicture(*job, slots_[slot].get());
    }
}

// Judges the part's header once it says enough; a picture below the
// limits has its transfer (when it still runs in slot) broken off.
void TBatchRunner::JudgePicture(Job &job, TTransferSlot *slot)
{
    // Not the bytes of an error answer (it fails the file, whatever it
    // holds) nor of a redirect's: the answer that brings the file decides.
    if (const int status = slot ? slot->ReplyNumber() : 0; status != 0 && (status < 200 || status > 299))
        return;
    const QByteArray head = PartHead(job.part->Name());
    const TPictureSize size = PictureSizeFrom(head);
    if (size.kind == TPictureSize::Kind::NeedMore && head.size() < kPictureHeadMost && slot)
        return;  // a later look, or the end of the transfer, decides
    job.judged = true;
    if (size.kind != TPictureSize::Kind::Known)
        return;  // never judged: kept
    const TSettingsValues &limits = request_.settings;
    if (!Below(size.width, limits.minWidth) && !Below(size.height, limits.minHeight))
        return;
    job.tooSmall = size;
    if (slot && slot->Busy())
        slot->Cancel();
}

void TBatchRunner::SkipTooSmall(const Job &job)
{
    ++tally.skipped;
    const TSettingsValues &limits = request_.settings;
    Log(Say("Preskočeno %1x%2, manjše od %3x%4: %5", "Skipped %1x%2, smaller than %3x%4: %5")
            .arg(job.tooSmall->width)
            .arg(job.tooSmall->height)
            .arg(limits.minWidth)
            .arg(limits.minHeight)
            .arg(QString::fromUtf8(job.file.name)));
}
