// Progress of a file transfer and the preview of a downloaded picture.
#include "app/dlform.h"
#include "app/panel_status_bar.h"
#include "app/shared_state.h"
#include "download/picture_preview.h"
#include "download/previewform.h"
#include "net/http_client.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <cmath>

void TDLForm::HTTP2PacketRecvd(TSocketConnection *)
{
    SetShape1Color(Shape1Color() == QColor(Qt::red) ? QColor(Qt::green) : QColor(Qt::red));
    if (HTTP2->BytesTotal != 0) {
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

// Runs once the file has its final name: the preview decodes by extension.
void TDLForm::PreviewSavedFile(const QByteArray &name)
{
    if (!PreviewForm)
        return;
    if (!CheckBox2->isChecked()) {
        PreviewForm->hide();
        return;
    }
    if (ShowPictureScaled(*PreviewForm->Image1, name, PreviewScale))
        PreviewForm->show();
}

void TDLForm::HTTP2AboutToSend(TSocketConnection *)
{
}

void TDLForm::CheckBox2Click()
{
    if (PreviewForm)
        PreviewForm->setVisible(CheckBox2->isChecked());
}

void TDLForm::Button181Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(Edit6->text()));
}
