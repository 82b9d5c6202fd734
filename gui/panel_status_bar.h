// A status bar of fixed-width text panels; the last panel takes the rest.
// A panel can be given its text in several lengths: it shows the longest
// that fits, with the whole text as its tool tip. While the bar is hidden
// (a command-line run never shows it) the fitting waits until the bar
// shows or its shown text is asked for: measuring text loads the fonts.
#pragma once

#include <QFrame>
#include <QList>
#include <QStringList>

class QLabel;

class PanelStatusBar final : public QFrame {
    Q_OBJECT
public:
    PanelStatusBar(const QList<int> &widths, QWidget *parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    // The whole text of the panel (the first of its choices).
    QString PanelText(int index) const;
    // What the panel shows now.
    QString ShownText(int index) const;
    void SetPanelText(int index, const QString &text);
    // The first of the texts, longest first, that fits the panel; the last
    // one, cut short, when none does.
    void SetPanelTexts(int index, const QStringList &choices);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void ShowFittingChoice(int index) const;
    void FitWaitingPanels() const;

    QList<QLabel *> panels_;
    QList<QStringList> choices_;
    mutable QList<bool> waiting_;  // given a text not fitted yet
    int minimumLast_ = 0;
};
