#include "net/resume_errors.h"

namespace {

QString Shown(const QByteArray &value)
{
    QByteArray shown = value.left(100);
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            c = '?';
    }
    return QString::fromLatin1(shown);
}

QString Text(ResumeProblem problem, qint64 expected, qint64 found, const QByteArray &detail, bool english)
{
    const auto say = [english](const char *slovene, const char *inEnglish) {
        return QString::fromUtf8(english ? inEnglish : slovene);
    };
    switch (problem) {
    case ResumeProblem::NotContinuing:
        return say("strežnik je poslal del, ki datoteke ne nadaljuje pri bajtu %1 (Content-Range: %2)",
                   "the server sent a part that does not continue the file at byte %1 (Content-Range: %2)")
            .arg(expected)
            .arg(Shown(detail));
    case ResumeProblem::BrokenRange:
        return say("strežnikov delni odgovor nima berljivega Content-Range (%1)",
                   "the server's partial answer has no readable Content-Range (%1)")
            .arg(Shown(detail));
    case ResumeProblem::NotAsked:
        return say("strežnik je poslal delni odgovor, ne da bi ga kdo zahteval",
                   "the server sent a partial answer that was not asked for");
    case ResumeProblem::LengthMismatch:
        return say("dolžina delnega odgovora (%1 bajtov) se ne ujema z njegovim obsegom (%2 bajtov)",
                   "the length of the partial answer (%1 bytes) disagrees with its range (%2 bytes)")
            .arg(found)
            .arg(expected);
    case ResumeProblem::TooLong:
        return say("delni odgovor je daljši od svojega obsega (%1 bajtov)",
                   "the partial answer runs past its range (%1 bytes)")
            .arg(expected);
    case ResumeProblem::FileChanged:
        return say("delno prenesena datoteka ima %1 bajtov, ne %2: medtem se je spremenila",
                   "the partly transferred file holds %1 bytes, not %2: it has changed meanwhile")
            .arg(found)
            .arg(expected);
    case ResumeProblem::TotalChanged:
        if (found < 0)
            return say("strežnik ne pove več celotne dolžine datoteke (bilo je %1 bajtov)",
                       "the server no longer gives the complete length of the file (it was %1 bytes)")
                .arg(expected);
        return say("celotna dolžina datoteke se je spremenila s %1 na %2 bajtov",
                   "the complete length of the file has changed from %1 to %2 bytes")
            .arg(expected)
            .arg(found);
    }
    return Shown(detail);
}

}  // namespace

EResumeError::EResumeError(ResumeProblem problem, qint64 expected, qint64 found, QByteArray detail)
    : ESockError(Text(problem, expected, found, detail, true)),
      problem_(problem), expected_(expected), found_(found), detail_(std::move(detail))
{
}

QString ResumeProblemText(const EResumeError &e, bool english)
{
    return Text(e.Problem(), e.Expected(), e.Found(), e.Detail(), english);
}
