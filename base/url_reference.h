// Resolving an address relative to another by the rules of RFC 3986,
// section 5.2: absolute ("http://h/x"), network-path ("//h:8080/x"),
// absolute-path ("/x"), relative-path ("x", "../x"), query-only ("?q") and
// empty references. The one resolver of the program: the HTTP client
// resolves a Location header against the address of its request, the page
// scan a link against its page or the page's <base href>.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The path with its "." and ".." segments removed (RFC 3986, 5.2.4). A
// relative path keeps the ".." that climb above its start ("../a/../../b"
// gives "../../b"), so that a relative base resolved later loses nothing.
QByteArray RemoveDotSegments(QByteArrayView path);

struct TResolveRules {
    bool keepFragment = true;      // the reference's "#..." part stays on the result
    bool lowercaseScheme = false;  // "HTTP:" becomes "http:"
};

// The reference resolved against base. The result keeps the base's scheme,
// host and port unless the reference names its own; a base without a scheme
// or authority gives a result without them. Nothing is percent-encoded or
// decoded. The base's own "#..." part never matters.
QByteArray ResolveReference(QByteArrayView base, QByteArrayView reference, TResolveRules rules = {});
