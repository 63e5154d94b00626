#pragma once

#include <QWidget>

class LinkLabel;
class QLabel;
class QLineEdit;
class QPushButton;

// The price-alert popup "股价预警！": code, name, latest price and the crossed
// threshold. It places itself at the bottom right of the screen the main window
// is on when first shown; its buttons only hide it, so it comes back where the
// user left it.
class AlertPopup : public QWidget {
    Q_OBJECT
public:
    explicit AlertPopup(QWidget* mainWindow);

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr; // code
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr; // name
    QLabel* Label3 = nullptr;
    QLineEdit* Text3 = nullptr; // latest price
    QLabel* Label4 = nullptr;   // "止盈价：" or "止损价："
    QLineEdit* Text4 = nullptr; // the crossed threshold
    LinkLabel* Label5 = nullptr;
    LinkLabel* Label6 = nullptr;
    LinkLabel* Label7 = nullptr;
    QPushButton* Command2 = nullptr; // "稍后提示"
    QPushButton* Command1 = nullptr; // "关闭预警"

signals:
    void alertsOffRequested();
    void homePageRequested();
};
