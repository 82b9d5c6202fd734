#include "net/url_reference.h"

#include <optional>

namespace {

// The five parts of an address (RFC 3986, appendix B); an absent part is
// told apart from an empty one.
struct TReferenceParts {
    std::optional<QByteArray> Scheme;
    std::optional<QByteArray> Authority;
    QByteArray Path;
    std::optional<QByteArray> Query;
    std::optional<QByteArray> Fragment;
};

bool IsSchemeChar(char c, bool first)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return !first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
}

TReferenceParts SplitReference(const QByteArray &text)
{
    TReferenceParts parts;
    qsizetype at = 0;
    const qsizetype colon = text.indexOf(':');
    if (colon > 0) {
        bool scheme = true;
        for (qsizetype i = 0; i < colon && scheme; ++i)
            scheme = IsSchemeChar(text[i], i == 0);
        if (scheme) {
            parts.Scheme = text.left(colon);
            at = colon + 1;
        }
    }
    if (text.mid(at, 2) == "//") {
        qsizetype end = at + 2;
        while (end < text.size() && text[end] != '/' && text[end] != '?' && text[end] != '#')
            ++end;
        parts.Authority = text.mid(at + 2, end - at - 2);
        at = end;
    }
    qsizetype end = at;
    while (end < text.size() && text[end] != '?' && text[end] != '#')
        ++end;
    parts.Path = text.mid(at, end - at);
    at = end;
    if (at < text.size() && text[at] == '?') {
        end = text.indexOf('#', at);
        if (end < 0)
            end = text.size();
        parts.Query = text.mid(at + 1, end - at - 1);
        at = end;
    }
    if (at < text.size() && text[at] == '#')
        parts.Fragment = text.mid(at + 1);
    return parts;
}

QByteArray Recompose(const TReferenceParts &parts)
{
    QByteArray text;
    if (parts.Scheme)
        text += *parts.Scheme + ':';
    if (parts.Authority)
        text += "//" + *parts.Authority;
    text += parts.Path;
    if (parts.Query)
        text += '?' + *parts.Query;
    if (parts.Fragment)
        text += '#' + *parts.Fragment;
    return text;
}

// The reference's relative path appended to the base path's folder (5.2.3).
QByteArray MergePaths(const TReferenceParts &base, const QByteArray &path)
{
    if (base.Authority && base.Path.isEmpty())
        return '/' + path;
    const qsizetype slash = base.Path.lastIndexOf('/');
    return slash < 0 ? path : base.Path.left(slash + 1) + path;
}

// Drops the last segment of output and the "/" before it.
void DropLastSegment(QByteArray &output)
{
    const qsizetype slash = output.lastIndexOf('/');
    output.truncate(slash < 0 ? 0 : slash);
}

}  // namespace

QByteArray RemoveDotSegments(const QByteArray &path)
{
    QByteArray input = path;
    QByteArray output;
    while (!input.isEmpty()) {
        if (input.startsWith("../")) {
            input.remove(0, 3);
        } else if (input.startsWith("./")) {
            input.remove(0, 2);
        } else if (input.startsWith("/./")) {
            input.remove(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.startsWith("/../")) {
            input.remove(0, 3);
            DropLastSegment(output);
        } else if (input == "/..") {
            input = "/";
            DropLastSegment(output);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            // The first segment, with its leading "/" if any, up to the next "/".
            qsizetype end = input.indexOf('/', input.startsWith('/') ? 1 : 0);
            if (end < 0)
                end = input.size();
            output += input.left(end);
            input.remove(0, end);
        }
    }
    return output;
}

QByteArray ResolveReference(const QByteArray &base, const QByteArray &reference)
{
    const TReferenceParts b = SplitReference(base);
    const TReferenceParts r = SplitReference(reference);
    TReferenceParts t;
    if (r.Scheme) {
        t = r;
        t.Path = RemoveDotSegments(r.Path);
    } else {
        if (r.Authority) {
            t.Authority = r.Authority;
            t.Path = RemoveDotSegments(r.Path);
            t.Query = r.Query;
        } else {
            if (r.Path.isEmpty()) {
                t.Path = b.Path;
                t.Query = r.Query ? r.Query : b.Query;
            } else {
                t.Path = RemoveDotSegments(r.Path.startsWith('/') ? r.Path : MergePaths(b, r.Path));
                t.Query = r.Query;
            }
            t.Authority = b.Authority;
        }
        t.Scheme = b.Scheme;
    }
    t.Fragment = r.Fragment;
    return Recompose(t);
}
