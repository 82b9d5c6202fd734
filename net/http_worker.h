// PROVISIONAL: replaced by the worker branch.
#pragma once
#include "net/http_client.h"
#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <optional>

struct THttpRequestSettings {
    QByteArray Proxy;
    qint32 ProxyPort = 0;
    qint32 TimeOut = 0;
    bool KeepAlive = false;
    THeaderInfo HeaderInfo;
    std::optional<THttpOrigin> CredentialsOrigin;
    static THttpRequestSettings Of(const THttpClient &client);
    void ApplyTo(THttpClient &client) const;
};
struct TTransferResult {
    QByteArray Url;
    QByteArray File;
    int ReplyNumber = 0;
    QByteArray Header;
    qint64 ContentLength = -1;
    qint64 BytesRecvd = 0;
    bool TimedOut = false;
    int LastError = 0;
    std::exception_ptr Error;
};
class THttpWorker : public QObject {
    Q_OBJECT
public:
    explicit THttpWorker(QObject *owner = nullptr);
    ~THttpWorker() override;
    void Start(const QByteArray &url, const QByteArray &file, const THttpRequestSettings &settings);
    void Cancel();
    bool Busy() const;
    qint64 BytesReceived() const;
    std::function<void(THttpWorker *, TTransferResult)> OnFinished;
};
