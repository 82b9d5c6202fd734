// THttpClient: resuming a file with a range request. The request asks for
// the bytes from ResumeFrom on, under If-Range; the answer decides what
// happens to the file: a 206 that continues it is added to its end, a
// whole answer (200) is written over it from the start, and anything else
// leaves it as it was.
#include "net/http_client.h"

#include "net/capture_file.h"
#include "net/resume_errors.h"

// The resume point belongs to one request: taken here, the fields are free
// for the next one whatever becomes of this one.
void THttpClient::TakeResumeRequest()
{
    const bool applies = Command == CmdGet && InputFileMode;
    resumeFrom_ = applies ? ResumeFrom : -1;
    resumeValidator_ = applies ? ResumeValidator : QByteArray();
    resumeTotal_ = applies ? ResumeTotal : -1;
    ResumeFrom = -1;
    ResumeValidator.clear();
    ResumeTotal = -1;
    Resumed = false;
    CompleteLength = -1;
    rangeSent_ = false;
}

// Only under a validator (a range of a file that has changed since would
// be spliced onto the old part) and only to the first address's origin:
// a validator means nothing to another server. Without them the answer is
// the whole file, which replaces the part.
void THttpClient::AddRange()
{
    rangeSent_ = resumeFrom_ > 0 && IsResumeValidator(resumeValidator_) && requestOrigin_
              && IsCurrentOrigin(*requestOrigin_);
    if (!rangeSent_)
        return;
    HeaderList.Add(RangeLine(resumeFrom_));
    HeaderList.Add(IfRangeLine(resumeValidator_));
}

void THttpClient::CaptureResumed()
{
    BytesRecvd = 0;
    if (ReplyNumber == 206) {
        AppendRange();
    } else if (ReplyNumber >= 200 && ReplyNumber <= 299) {
        RewriteWhole();
    } else {
        // An error page or no answer at all is not the file: the part
        // stays, the body is left unread and the connection goes.
        bodyFramed_ = false;
    }
}

// The range of a 206 as asked for, or EResumeError before a byte is written:
// a 206 to a request without a range (a plain GET too) is never the file.
TContentRange THttpClient::CheckedRange() const
{
    if (!rangeSent_)
        throw EResumeError(ResumeProblem::NotAsked, resumeFrom_, -1);
    const std::optional<TContentRange> range = ContentRangeOf(contentRange_);
    if (!range)
        throw EResumeError(ResumeProblem::BrokenRange, resumeFrom_, -1, contentRange_);
    if (range->First != resumeFrom_)
        throw EResumeError(ResumeProblem::NotContinuing, resumeFrom_, range->First, contentRange_);
    if (resumeTotal_ >= 0 && range->Complete != resumeTotal_)
        throw EResumeError(ResumeProblem::TotalChanged, resumeTotal_, range->Complete, contentRange_);
    if (ContentLength >= 0 && ContentLength != range->Length())
        throw EResumeError(ResumeProblem::LengthMismatch, range->Length(), ContentLength);
    return *range;
}

void THttpClient::AppendRange()
{
    const TContentRange range = CheckedRange();
    TCaptureFile file(Body, TCaptureOpen::Append);
    if (const qint64 size = file.Size(); size != resumeFrom_)
        throw EResumeError(ResumeProblem::FileChanged, resumeFrom_, size);
    Resumed = true;
    CompleteLength = range.Complete;
    const bool announced = ContentLength >= 0;
    ContentLength = range.Length();
    qint64 room = range.Length();
    CaptureInto(
        [&](const char *data, qsizetype size) {
            const qsizetype fits = qsizetype(qMin<qint64>(size, room));
            file.Write(data, fits);
            room -= fits;
            if (fits < size)
                throw EResumeError(ResumeProblem::TooLong, range.Length(), -1);
        },
        range.Length());
    if (!announced && !chunked_)
        bodyFramed_ = false;  // the range bounds what is taken, not the message
    file.Close();
}

void THttpClient::RewriteWhole()
{
    TCaptureFile file(Body, TCaptureOpen::Rewrite);
    CaptureInto([&file](const char *data, qsizetype size) { file.Write(data, size); }, ContentLength);
    file.Close();
}

// The body by this answer's framing: with KeepAlive none for an answer
// that has none; chunks when chunked, with or without KeepAlive (the chunk
// lines never reach the file); else at most limit bytes (-1: to the close).
void THttpClient::CaptureInto(const std::function<void(const char *, qsizetype)> &take, qint64 limit)
{
    if (KeepAlive && HasNoBody())
        return;
    if (chunked_) {
        CaptureChunks(take);
        return;
    }
    bodyFramed_ = ContentLength >= 0;
    CaptureCount(limit < 0 ? INT64_MAX : limit, take);
}
