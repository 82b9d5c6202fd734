// The main window shown, with a batch over three files that can be held in
// transfer, and the means to act from inside the batch's wait as a user
// would: clicks and keys on the widgets once the server holds a request.
#pragma once

#include "download_fixture.h"
#include "gui/window_state.h"

#include "gui/panel_status_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

class BusyWindowTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        form->show();
        WaitUntil([] { return !FirstActivation; });
        form->ENGClick();
        form->Edit13->setText("0");
        form->HTTP1->TimeOut = 5000;
        form->HTTP2->TimeOut = 5000;
        server.Route("/p/a.jpg", FixtureResponse::Ok("data of a", "image/jpeg"));
        server.Route("/p/c.jpg", FixtureResponse::Ok("data of c", "image/jpeg"));
        // Late but whole: a batch that is left alone finishes.
        FixtureResponse late = FixtureResponse::Ok("data of b", "image/jpeg");
        late.DelayMs = 700;
        server.Route("/p/late.jpg", late);
        // Ten bytes of the body and then silence until the client goes.
        FixtureResponse stalled = FixtureResponse::Ok(QByteArray(1000, 's'), "image/jpeg");
        stalled.StallAfter = stalled.Head.size() + 10;
        server.Route("/p/stall.jpg", stalled);
        server.Route("/page.html", FixtureResponse::Ok("<a href=\"x.jpg\">x</a>"));
        server.Route("/x.jpg", FixtureResponse::Ok("data of x", "image/jpeg"));
    }

    // A, then the held file, then c, all picked.
    void PickBatch(const QByteArray &held)
    {
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/" + held), server.Url("/p/c.jpg")});
        form->List2->SelectAll();
    }
    // Puts the page's address into the address box.
    void TypePageAddress()
    {
        form->SetAddressPrefix("http://");
        form->Combo1->setEditText(QString::fromUtf8("127.0.0.1:" + QByteArray::number(server.Port()) + "/page.html"));
    }
    static void Click(QWidget *button) { QTest::mouseClick(button, Qt::LeftButton); }

    bool Requested(const QByteArray &path) const
    {
        const auto requests = server.Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [&](const QByteArray &r) { return r.startsWith("GET " + path + " "); });
    }
    // Runs f once, from the event loop (inside the batch's wait), as soon as
    // the server has the request for path.
    void WhenRequested(const QByteArray &path, std::function<void()> f)
    {
        WhenTrue([this, path] { return Requested(path); }, std::move(f));
    }
    // Runs f once, from the event loop, as soon as ready() holds.
    void WhenTrue(std::function<bool()> ready, std::function<void()> f)
    {
        auto *poll = new QTimer(form);
        QObject::connect(poll, &QTimer::timeout, form, [poll, ready, f] {
            if (!ready())
                return;
            poll->stop();
            poll->deleteLater();
            f();
        });
        poll->start(5);
    }
    static bool WaitUntil(const std::function<bool()> &done, int ms = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QTest::qWait(5);
        return done();
    }
    static ScriptedDialogs &Shown() { return WindowHarness::Dialogs(); }
    static void Reply(DialogInterface::Answer answer) { Shown().replies << answer; }
    QString Status() const { return form->Status1->PanelText(2); }
};
