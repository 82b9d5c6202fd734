// A status bar of fixed-width text panels; the last panel takes the rest.
#pragma once

#include <QFrame>
#include <QList>

class QLabel;

class PanelStatusBar final : public QFrame {
    Q_OBJECT
public:
    PanelStatusBar(const QList<int> &widths, QWidget *parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<QLabel *> panels_;
    int minimumLast_ = 0;
};
