#include "net/h2_request.h"

#include <array>

namespace {

bool IsDropped(const QByteArray &lowerName)
{
    static constexpr std::array<const char *, 7> kDropped{
        "host", "connection", "proxy-connection", "keep-alive", "transfer-encoding", "upgrade", "te"};
    for (const char *name : kDropped)
        if (lowerName == name)
            return true;
    return false;
}

// The origin-form of a target: an absolute "http://host/path" gives "/path".
QByteArray PathOf(const QByteArray &target)
{
    const qsizetype scheme = target.indexOf("://");
    if (scheme < 0 || target.startsWith('/'))
        return target.isEmpty() ? QByteArray("/") : target;
    const qsizetype slash = target.indexOf('/', scheme + 3);
    return slash < 0 ? QByteArray("/") : target.mid(slash);
}

}  // namespace

std::vector<TH2Field> H2RequestFields(const THeaderLines &block, bool secure)
{
    std::vector<TH2Field> fields;
    if (block.Count() == 0)
        return fields;
    const QList<QByteArray> words = block[0].split(' ');
    fields.push_back({":method", words.value(0)});
    fields.push_back({":scheme", secure ? "https" : "http"});
    const qsizetype host = block.IndexOfHeader("Host");
    if (host >= 0) {
        const QByteArray &line = block[host];
        fields.push_back({":authority", line.mid(line.indexOf(':') + 1).trimmed()});
    }
    fields.push_back({":path", PathOf(words.value(1))});
    for (qsizetype i = 1; i < block.Count(); ++i) {
        const QByteArray &line = block[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        if (!IsDropped(name))
            fields.push_back({name, line.mid(colon + 1).trimmed()});
    }
    return fields;
}
