#include "net/host_resolver.h"

#include <QObject>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <thread>

namespace {

// One look-up in flight: the worker thread fills in the answer and signals
// the event descriptor; the caller's thread reads it through a socket
// notifier owned by the context. Whichever side finishes last closes the
// descriptor, so a context destroyed meanwhile leaves nothing behind.
struct LookUpState {
    int eventFd = -1;
    std::mutex lock;
    std::optional<quint32> address;  // under lock
    ~LookUpState()
    {
        if (eventFd >= 0)
            ::close(eventFd);
    }
};

std::optional<quint32> ResolveIPv4(const QByteArray &name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *list = nullptr;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &list) != 0 || list == nullptr)
        return std::nullopt;
    std::optional<quint32> result;
    for (const addrinfo *a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr != nullptr) {
            result = ntohl(reinterpret_cast<const sockaddr_in *>(a->ai_addr)->sin_addr.s_addr);
            break;
        }
    }
    ::freeaddrinfo(list);
    return result;
}

class TSystemHostResolver final : public THostResolver {
public:
    void LookUp(const QByteArray &name, QObject *context, Done done) override
    {
        auto state = std::make_shared<LookUpState>();
        state->eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (state->eventFd < 0 || name.isEmpty() || name.contains('\0')) {
            QMetaObject::invokeMethod(context, [done = std::move(done)] { done(std::nullopt); },
                                      Qt::QueuedConnection);
            return;
        }
        auto *notifier = new QSocketNotifier(state->eventFd, QSocketNotifier::Read, context);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [notifier, state, done = std::move(done)] {
                             notifier->setEnabled(false);
                             eventfd_t value = 0;
                             ::eventfd_read(state->eventFd, &value);
                             std::optional<quint32> address;
                             {
                                 const std::lock_guard hold(state->lock);
                                 address = state->address;
                             }
                             notifier->deleteLater();
                             done(address);
                         });
        std::thread([state, name] {
            const std::optional<quint32> address = ResolveIPv4(name);
            {
                const std::lock_guard hold(state->lock);
                state->address = address;
            }
            ::eventfd_write(state->eventFd, 1);
        }).detach();
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
