#pragma once

#include <QWidget>

class QLabel;

// Tarvex's notice that the rumour page has changed. One per run: built at
// its first show and placed then in the screen's bottom-right corner, after
// that only hidden and shown again, so it keeps its place. A click anywhere
// on it dismisses it, and so does its close box (or Alt+F4): closed without
// the dismissal, the notice would leave the old baseline behind.
class UpdateNotice : public QWidget {
    Q_OBJECT
public:
    UpdateNotice();

signals:
    // The user clicked or closed the notice away; it is hidden already.
    void dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void dismiss();

    QLabel* m_message = nullptr;   // the news, in red, two lines
    QLabel* m_closeHint = nullptr; // "单击关闭" on dark red
};
