// The preview window: a small tool window showing the last downloaded
// picture, stretched into the picture control Image1.
#pragma once

#include <QWidget>

class QLabel;

class TPreviewForm final : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget *parent = nullptr);

    QLabel *Image1;

protected:
    // Closing the window is refused; it unticks Preview, which hides it.
    void closeEvent(QCloseEvent *event) override;
};
