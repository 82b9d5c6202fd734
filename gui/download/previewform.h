// The preview window: a small tool window showing the last downloaded
// picture, stretched into the picture control Image1, never larger than the
// screen and never off it. It takes its size from its first picture (at
// least a small box) and keeps it; later pictures are shown inside it,
// centred, their proportions kept. Its title names the picture.
#pragma once

#include <QWidget>

class QLabel;

class TPreviewForm final : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget *parent = nullptr);

    QLabel *Image1;

    // Whether a picture was ever loaded; until then the window stays hidden.
    bool HasPicture() const;
    // Loads the file, sizes the picture to the scale and to the screen the
    // window is on, and shows the window there, wholly on that screen.
    // Returns false (the window as it was) when the file is no picture.
    bool ShowPicture(const QByteArray &fileName, int scale);
    // Moves the window wholly onto the screen it lies on (or the nearest).
    void KeepOnScreen();

protected:
    // Closing the window is refused; it unticks Preview, which hides it.
    void closeEvent(QCloseEvent *event) override;

private:
    // First shown beside the main window, unless the user placed it before.
    void PlaceBesideTheMainWindow(const QRect &area);

    bool placeBeside_ = false;
    QSize box_;  // the window's size, from its first picture on
};
