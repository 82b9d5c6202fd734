#include "net/host_resolver.h"

#include <QHostInfo>
#include <arpa/inet.h>

namespace {

class TSystemHostResolver final : public THostResolver {
public:
    void LookUp(const QByteArray &name, QObject *context, Done done) override
    {
        QHostInfo::lookupHost(QString::fromUtf8(name), context,
                              [done = std::move(done)](const QHostInfo &info) {
                                  std::optional<quint32> result;
                                  if (info.error() == QHostInfo::NoError) {
                                      for (const QHostAddress &a : info.addresses()) {
                                          if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                                              result = a.toIPv4Address();
                                              break;
                                          }
                                      }
                                  }
                                  done(result);
                              });
    }
};

}  // namespace

THostResolver &SystemHostResolver()
{
    static TSystemHostResolver resolver;
    return resolver;
}

std::optional<quint32> ParseDottedAddress(const QByteArray &text)
{
    in_addr address{};
    if (text.isEmpty() || text.contains('\0') || inet_pton(AF_INET, text.constData(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}
