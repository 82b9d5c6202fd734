#include "base/url_reference.h"

#include <QList>

namespace {

// A URI reference taken apart (RFC 3986, appendix B); an absent part is
// told apart from an empty one.
struct TReferenceParts {
    QByteArrayView scheme;  // without its ":"; empty when none
    bool hasAuthority = false;
    QByteArrayView authority;
    QByteArrayView path;
    bool hasQuery = false;
    QByteArrayView query;
    bool hasFragment = false;
    QByteArrayView fragment;
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeCharacter(char c)
{
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

TReferenceParts SplitReference(QByteArrayView r)
{
    TReferenceParts parts;
    if (const qsizetype hash = r.indexOf('#'); hash >= 0) {
        parts.hasFragment = true;
        parts.fragment = r.sliced(hash + 1);
        r = r.first(hash);
    }
    if (!r.isEmpty() && IsLetter(r.front())) {
        qsizetype k = 1;
        while (k < r.size() && IsSchemeCharacter(r[k]))
            ++k;
        if (k < r.size() && r[k] == ':') {
            parts.scheme = r.first(k);
            r = r.sliced(k + 1);
        }
    }
    if (r.startsWith("//")) {
        r = r.sliced(2);
        qsizetype k = 0;
        while (k < r.size() && r[k] != '/' && r[k] != '?')
            ++k;
        parts.hasAuthority = true;
        parts.authority = r.first(k);
        r = r.sliced(k);
    }
    if (const qsizetype question = r.indexOf('?'); question >= 0) {
        parts.hasQuery = true;
        parts.query = r.sliced(question + 1);
        r = r.first(question);
    }
    parts.path = r;
    return parts;
}

bool HasDotSegment(QByteArrayView path)
{
    return path == "." || path == ".." || path.startsWith("./") || path.startsWith("../")
        || path.endsWith("/.") || path.endsWith("/..") || path.indexOf("/./") >= 0
        || path.indexOf("/../") >= 0;
}

// The reference's parts on the base's (RFC 3986, 5.2.2); the path before
// its dot segments are removed.
TReferenceParts Target(const TReferenceParts &base, const TReferenceParts &r, QByteArray &mergedPath)
{
    TReferenceParts t = r;
    if (!r.scheme.isEmpty())
        return t;
    t.scheme = base.scheme;
    if (r.hasAuthority)
        return t;
    t.hasAuthority = base.hasAuthority;
    t.authority = base.authority;
    if (r.path.isEmpty()) {
        t.path = base.path;
        t.hasQuery = r.hasQuery || base.hasQuery;
        t.query = r.hasQuery ? r.query : base.query;
        return t;
    }
    if (r.path.startsWith('/'))
        return t;
    // The relative path appended to the base path's folder (5.2.3).
    if (base.hasAuthority && base.path.isEmpty())
        mergedPath = '/' + r.path.toByteArray();
    else
        mergedPath = base.path.first(base.path.lastIndexOf('/') + 1).toByteArray() + r.path.toByteArray();
    t.path = mergedPath;
    return t;
}

QByteArray Compose(const TReferenceParts &t, const QByteArray &path, TResolveRules rules)
{
    QByteArray out;
    out.reserve(t.scheme.size() + t.authority.size() + path.size() + t.query.size() + t.fragment.size() + 6);
    if (!t.scheme.isEmpty()) {
        for (const char c : t.scheme)
            out += rules.lowercaseScheme && c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        out += ':';
    }
    if (t.hasAuthority) {
        out += "//";
        out += t.authority;
    }
    out += path;
    if (t.hasQuery) {
        out += '?';
        out += t.query;
    }
    if (t.hasFragment && rules.keepFragment) {
        out += '#';
        out += t.fragment;
    }
    return out;
}

}  // namespace

QByteArray RemoveDotSegments(QByteArrayView path)
{
    if (!HasDotSegment(path))
        return path.toByteArray();
    const bool absolute = path.startsWith('/');
    QList<QByteArrayView> kept;
    QByteArrayView rest = absolute ? path.sliced(1) : path;
    for (;;) {
        const qsizetype slash = rest.indexOf('/');
        const bool last = slash < 0;
        const QByteArrayView segment = last ? rest : rest.first(slash);
        if (segment == "..") {
            if (!kept.isEmpty() && kept.back() != "..")
                kept.removeLast();
            else if (!absolute)
                kept.append(segment);
        } else if (segment != ".") {
            kept.append(segment);
        }
        // A dot segment at the end leaves the folder, with its "/".
        if (last && (segment == "." || segment == ".."))
            kept.append(QByteArrayView());
        if (last)
            break;
        rest = rest.sliced(slash + 1);
    }
    QByteArray out = absolute ? "/" : "";
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (i > 0)
            out += '/';
        out += kept.at(i);
    }
    return out;
}

QByteArray ResolveReference(QByteArrayView base, QByteArrayView reference, TResolveRules rules)
{
    const TReferenceParts r = SplitReference(reference);
    QByteArray merged;
    const TReferenceParts t = Target(SplitReference(base), r, merged);
    // An empty reference keeps the base's path as it is.
    const bool samePath = r.scheme.isEmpty() && !r.hasAuthority && r.path.isEmpty();
    return Compose(t, samePath ? t.path.toByteArray() : RemoveDotSegments(t.path), rules);
}
