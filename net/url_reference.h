// Resolving an address relative to another (a Location header against the
// address of the request that got it), by the rules of RFC 3986, section 5.2:
// absolute ("http://h/x"), network-path ("//h:8080/x"), absolute-path ("/x"),
// relative-path ("x", "../x"), query-only ("?q") and empty references.
#pragma once

#include <QByteArray>

// The path with its "." and ".." segments removed (RFC 3986, 5.2.4).
QByteArray RemoveDotSegments(const QByteArray &path);

// The reference resolved against base, which should be absolute (have a
// scheme); the result keeps the base's scheme, host and port unless the
// reference names its own. Nothing is percent-encoded or decoded.
QByteArray ResolveReference(const QByteArray &base, const QByteArray &reference);
