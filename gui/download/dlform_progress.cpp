// Progress of a file transfer and the preview of a downloaded picture.
#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/windows.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/picture_preview.h"
#include "gui/download/previewform.h"
#include "net/http_client.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <cmath>

void TDLForm::HTTP2PacketRecvd(TSocketConnection *)
{
    SetShape1Color(Shape1Color() == QColor(Qt::red) ? QColor(Qt::green) : QColor(Qt::red));
    // During a batch the status panel shows the whole batch (the runner's progress).
    if (HTTP2->BytesTotal != 0 && !BatchRunning) {
        const double percent = double(HTTP2->BytesRecvd) / double(HTTP2->BytesTotal) * 100.0;
        Status1->SetPanelText(2, QString::fromUtf8(AddressFile) + QStringLiteral(": ")
                                     + QString::number(qint64(std::nearbyint(percent))) + QStringLiteral(" %"));
    }
    SetRich1Line(1, QString::number(HTTP2->BytesTotal)
                        + Wording(" bajtov", " bytes"));
}

void TDLForm::HTTP2Success(THttpClient *, quint8)
{
    SetShape1Color(Qt::blue);
}

// Runs once the file has its final name: the preview shows whatever Qt's
// image readers decode; anything else leaves it as it was.
void TDLForm::PreviewSavedFile(const QByteArray &name)
{
    if (!PreviewForm)
        return;
    if (!CheckBox2->isChecked()) {
        PreviewForm->hide();
        return;
    }
    PreviewForm->ShowPicture(name, PreviewScale);
}

void TDLForm::HTTP2AboutToSend(TSocketConnection *)
{
}

void TDLForm::CheckBox2Click()
{
    // An empty preview is not shown: the window appears with the first picture.
    if (!PreviewForm)
        return;
    if (CheckBox2->isChecked() && PreviewForm->HasPicture()) {
        PreviewForm->KeepOnScreen();
        PreviewForm->show();
    } else {
        PreviewForm->hide();
    }
}

void TDLForm::Button181Click()
{
    if (!OpenExternally(QUrl::fromLocalFile(Edit6->text())))
        Status1->SetPanelText(2, Wording("Ni upravitelja datotek.", "No file manager found."));
}
