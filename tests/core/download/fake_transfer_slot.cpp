#include "tests/core/download/fake_transfer_slot.h"

#include "net/event_pump.h"

#include <QFile>
#include <QTimer>

TFakeAnswer TFakeServer::Next(const QByteArray &address)
{
    requested.append(address);
    QList<TFakeAnswer> &queue = answers[address];
    if (queue.isEmpty())
        return TFakeAnswer::Status(404);
    return queue.size() == 1 ? queue.first() : queue.takeFirst();  // the last answer stays
}

TFakeSlot::~TFakeSlot()
{
    *alive_ = false;
}

void TFakeSlot::Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &,
                      const TResumePoint &)
{
    const TFakeAnswer answer = server_.Next(address);
    server_.servedBy.append({label, address});
    busy_ = true;
    canceled_ = false;
    result_ = {};
    result_.Url = address;
    result_.File = part;
    QFile file(QString::fromUtf8(part));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.write(answer.body);
    file.close();
    bytes_ = answer.body.size();
    result_.ReplyNumber = answer.status;
    result_.StatusText = QByteArray::number(answer.status) + (answer.status == 404 ? " Not Found" : " OK");
    result_.ContentLength = answer.contentLength < 0 ? answer.body.size() : answer.contentLength;
    result_.BytesRecvd = answer.body.size();
    result_.Fault = answer.fault;
    result_.FaultInfo = {answer.fault, answer.faultText, answer.faultText};
    if (answer.hang) {
        if (server_.onHang)
            server_.onHang();
        if (!later_) {
            while (!canceled_)
                net::PumpEvents(net::PumpMode::WaitForMore);
            Finish();
        }
        return;  // a later slot finishes at its Cancel
    }
    if (!later_) {
        Finish();
        return;
    }
    QTimer::singleShot(0, [this, alive = alive_] {
        if (*alive && busy_)
            Finish();
    });
}

void TFakeSlot::Cancel()
{
    if (!busy_)
        return;
    canceled_ = true;
    result_.Fault = TTransferFault::Canceled;
    result_.FaultInfo = {TTransferFault::Canceled, QStringLiteral("Connection Canceled"),
                         QStringLiteral("Connection Canceled")};
    if (later_)
        QTimer::singleShot(0, [this, alive = alive_] {
            if (*alive && busy_)
                Finish();
        });
}

void TFakeSlot::Finish()
{
    busy_ = false;
    if (OnFinished)
        OnFinished(result_);
}
