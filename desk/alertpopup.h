#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// The price-alert popup "股价预警！": code, name, latest price and the crossed
// threshold. It places itself at the bottom right of the screen the main window
// is on when first shown; its buttons only hide it, so it comes back where the
// user left it.
class AlertPopup : public QWidget {
    Q_OBJECT
public:
    explicit AlertPopup(QWidget* mainWindow);

    // Shown with one alert: the row's code and name, the latest price, and
    // the threshold it crossed under its caption ("止盈价：" or "止损价：").
    void showAlert(const QString& code, const QString& name, const QString& price,
                   const QString& thresholdCaption, const QString& threshold);

signals:
    void alertsOffRequested();
    void homePageRequested();

private:
    QLineEdit* m_codeField = nullptr;
    QLineEdit* m_nameField = nullptr;
    QLineEdit* m_priceField = nullptr;
    QLabel* m_thresholdCaption = nullptr;
    QLineEdit* m_thresholdField = nullptr;
};
