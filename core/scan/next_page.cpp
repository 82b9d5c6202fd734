// Finding a page's next page with the HTML tokenizer, in one pass: the
// first <base href>, the first rel="next" of a link and of an a, and the
// first a whose text names the next page.
#include "core/scan/next_page.h"

#include "base/url_reference.h"
#include "core/scan/html_tokenizer.h"

#include <QString>

namespace {

bool HasNextRel(const HtmlToken &tag)
{
    const QByteArray *rel = tag.Attribute("rel");
    if (!rel)
        return false;
    for (const QByteArray &word : rel->simplified().split(' '))
        if (word.compare("next", Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The text of a page between tags, its references decoded: the ones an
// attribute knows, and the two arrows a next link is drawn with.
QByteArray DecodeText(QByteArrayView raw)
{
    QByteArray text = raw.toByteArray();
    text.replace("&rsaquo;", "\u203A").replace("&raquo;", "\u00BB").replace("&raquo", "\u00BB");
    return DecodeAttributeValue(text);
}

bool IsNextText(const QByteArray &text)
{
    const QString shown = QString::fromUtf8(text).simplified();
    return shown.compare(u"Next", Qt::CaseInsensitive) == 0 || shown.compare(u"Naprej", Qt::CaseInsensitive) == 0
           || shown == QStringView(u"\u203A") || shown == QStringView(u"\u00BB");
}

// What one pass over the page finds.
struct NextPageCandidates {
    QByteArray baseValue;
    QByteArray linkRel;     // <link rel="next">
    QByteArray anchorRel;   // <a rel="next">
    QByteArray anchorText;  // <a> with the text of a next link
    bool haveBase = false, haveLinkRel = false, haveAnchorRel = false, haveAnchorText = false;
};

class NextPageScan {
public:
    explicit NextPageScan(QByteArrayView page) : tokenizer_(page) {}

    NextPageCandidates Run()
    {
        HtmlToken token;
        while (!found_.haveLinkRel && tokenizer_.Next(token)) {
            if (token.kind == HtmlToken::Kind::StartTag)
                StartTag(token);
            else if (token.kind == HtmlToken::Kind::EndTag)
                EndTag(token);
            else if (token.kind == HtmlToken::Kind::Text && inAnchor_ && rawText_.isEmpty())
                text_ += DecodeText(token.raw);
        }
        EndAnchor();
        return found_;
    }

private:
    void StartTag(const HtmlToken &tag)
    {
        const QByteArray *href = tag.Attribute("href");
        if (tag.name == "base" && href && !found_.haveBase) {
            found_.haveBase = true;
            found_.baseValue = *href;
        } else if (tag.name == "link" && href && !found_.haveLinkRel && HasNextRel(tag)) {
            found_.haveLinkRel = true;
            found_.linkRel = *href;
        } else if (tag.name == "a") {
            EndAnchor();  // an a inside an a ends the first, as in a browser
            if (href && !found_.haveAnchorRel && HasNextRel(tag)) {
                found_.haveAnchorRel = true;
                found_.anchorRel = *href;
            }
            inAnchor_ = href != nullptr;
            anchorHref_ = href ? *href : QByteArray();
        } else if ((tag.name == "script" || tag.name == "style") && !tag.selfClosing) {
            rawText_ = tag.name;  // its text is not shown
        }
    }

    void EndTag(const HtmlToken &tag)
    {
        if (tag.name == rawText_)
            rawText_.clear();
        else if (tag.name == "a")
            EndAnchor();
    }

    void EndAnchor()
    {
        if (inAnchor_ && !found_.haveAnchorText && IsNextText(text_)) {
            found_.haveAnchorText = true;
            found_.anchorText = anchorHref_;
        }
        inAnchor_ = false;
        text_.clear();
    }

    HtmlTokenizer tokenizer_;
    NextPageCandidates found_;
    bool inAnchor_ = false;
    QByteArray anchorHref_;
    QByteArray text_;
    QByteArray rawText_;
};

bool IsWebAddress(QByteArrayView address)
{
    return address.startsWith("http://") || address.startsWith("https://");
}

}  // namespace

QByteArray HostAndPortOf(QByteArrayView address)
{
    const bool https = address.size() >= 8 && QByteArrayView(address.first(8)).compare("https://", Qt::CaseInsensitive) == 0;
    const bool http = address.size() >= 7 && QByteArrayView(address.first(7)).compare("http://", Qt::CaseInsensitive) == 0;
    if (!http && !https)
        return {};
    QByteArrayView rest = address.sliced(https ? 8 : 7);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#')
        ++end;
    QByteArrayView authority = rest.first(end);
    if (const qsizetype at = authority.lastIndexOf('@'); at >= 0)
        authority = authority.sliced(at + 1);
    QByteArray hostPort = authority.toByteArray().toLower();
    const QByteArray ownPort = https ? ":443" : ":80";
    if (hostPort.endsWith(ownPort))
        hostPort.chop(ownPort.size());
    else if (hostPort.endsWith(':'))
        hostPort.chop(1);
    return hostPort;
}

QByteArray WithoutFragment(QByteArrayView address)
{
    const qsizetype hash = address.indexOf('#');
    return (hash < 0 ? address : address.first(hash)).toByteArray();
}

QByteArray NextPageAddress(QByteArrayView page, const QByteArray &pageAddress)
{
    const NextPageCandidates found = NextPageScan(page).Run();
    const QByteArray *value = found.haveLinkRel     ? &found.linkRel
                              : found.haveAnchorRel  ? &found.anchorRel
                              : found.haveAnchorText ? &found.anchorText
                                                     : nullptr;
    if (!value)
        return {};
    const TResolveRules rules{.keepFragment = false, .lowercaseScheme = true};
    QByteArray base = pageAddress;
    if (found.haveBase && !found.baseValue.trimmed().isEmpty()) {
        const QByteArray resolvedBase = ResolveReference(pageAddress, found.baseValue.trimmed(), rules);
        if (IsWebAddress(resolvedBase))
            base = resolvedBase;
    }
    const QByteArray next = ResolveReference(base, value->trimmed(), rules);
    if (!IsWebAddress(next) || HostAndPortOf(next).isEmpty() || HostAndPortOf(next) != HostAndPortOf(pageAddress))
        return {};
    return next;
}
