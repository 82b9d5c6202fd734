// The failures of a resumed transfer (a range request that continues a
// file) and their texts in both interface languages. Each leaves the file
// as it was: nothing of the answer that failed is added to it, except for
// TooLong, where the part up to the end of the range is.
#pragma once

#include "base/errors.h"

#include <QByteArray>
#include <QString>

enum class ResumeProblem {
    NotContinuing,   // a 206 whose range starts elsewhere than at Expected
    BrokenRange,     // a 206 without a readable Content-Range (Detail: the value)
    NotAsked,        // a 206 to a request that asked for no range
    LengthMismatch,  // a 206 whose Content-Length (Found) is not that of its range (Expected)
    TooLong,         // a 206 whose body goes on past its range of Expected bytes
    FileChanged,     // the file to continue holds Found bytes, not Expected
    TotalChanged,    // a 206 whose complete length (Found; -1 for "*") is not the remembered one (Expected)
};

class EResumeError : public ESockError {
public:
    EResumeError(ResumeProblem problem, qint64 expected, qint64 found, QByteArray detail = QByteArray());

    ResumeProblem Problem() const { return problem_; }
    qint64 Expected() const { return expected_; }
    qint64 Found() const { return found_; }
    // The server's Content-Range value as it came (NotContinuing, BrokenRange).
    const QByteArray &Detail() const { return detail_; }

private:
    ResumeProblem problem_;
    qint64 expected_;
    qint64 found_;
    QByteArray detail_;
};

// What went wrong, in English or in Slovene; Message() of the error is the
// English text. A value from the server is shown in printable ASCII only,
// its first 100 bytes.
QString ResumeProblemText(const EResumeError &e, bool english);
