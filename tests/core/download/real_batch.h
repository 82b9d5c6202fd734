// What the batch tests on real transfers share: a batch on the real
// clients (one slot: the file client; several: worker threads) against the
// fixture server, in a folder of its own made the current one for the
// test; and a PNG header of a given size for the picture limits.
#pragma once

#include "core/download/batch_request.h"
#include "core/download/batch_runner.h"
#include "core/settings/client_settings.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <gtest/gtest.h>

// A PNG's signature and IHDR with the size, then filler bytes as its data.
inline QByteArray PngOfSize(quint32 width, quint32 height, qsizetype filler = 200)
{
    QByteArray bytes("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    for (quint32 v : {width, height})
        bytes += QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
    return bytes + QByteArray(filler, '\x11');
}

template <class Param>
class RealBatchTest : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override
    {
        folder = testenv::NewFolder("real-batch");
        before = QDir::currentPath();
        QDir::setCurrent(folder);
        ConfigureHttpClients(pages, files);
        files.TimeOut = pages.TimeOut = 10000;
        runner.SetClients(&files, &pages);
    }
    void TearDown() override { QDir::setCurrent(before); }

    // The batch of these addresses with these settings, to its end.
    TBatchEnd RunBatch(const QList<QByteArray> &addresses, const TSettingsValues &settings)
    {
        TBatchRequest request = MakeBatchRequest(addresses, {}, settings, {}, true);
        request.http = THttpRequestSettings::Of(files);
        return runner.Run(request);
    }

    FixtureHttpServer server;
    THttpClient pages, files;
    TBatchRunner runner;
    QString folder, before;
};
