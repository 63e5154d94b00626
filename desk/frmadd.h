#pragma once

#include "watchlist/watchlistfiles.h"

#include <QWidget>

class Form1;
class LinkLabel;
class QLabel;
class QLineEdit;
class QPushButton;
class QuoteFetcher;

// The add-stock dialog "添加黑马": the user types a code, leaving the field
// looks the stock up and proposes take-profit and stop-loss prices 5% either
// side of its price, and the add button puts the stock on the watch list.
// Closing the dialog discards it, a lookup still on its way included.
//
// The lookup disables the add button while it is out, so a click on the
// button that itself starts the lookup (by taking the focus from the code
// field) or that comes while one is out would be lost. Such a click is kept
// and acts on the button as the answer leaves it: it adds the stock with the
// proposed prices, unless the lookup failed, which leaves the button disabled.
class FrmAdd : public QWidget {
    Q_OBJECT
public:
    explicit FrmAdd(Form1* mainWindow);

    static const QString kLookingUp; // "获取名称中", shown while the lookup runs

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr; // code
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr; // name, shown only
    QLabel* Label3 = nullptr;
    QLineEdit* Text4 = nullptr; // take-profit price, stored as typed
    QLabel* Label4 = nullptr;
    QLineEdit* Text5 = nullptr; // stop-loss price, stored as typed
    QPushButton* Command1 = nullptr;
    QLabel* Label8 = nullptr;
    LinkLabel* Label5 = nullptr;
    LinkLabel* Label6 = nullptr;
    LinkLabel* Label7 = nullptr;
    QuoteFetcher* Inet1 = nullptr;

signals:
    // The add button was clicked: the stock as typed, for the watch list.
    void stockChosen(const watchlist::Row& row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void placeBelowMainWindow();
    void lookUpName();
    void add();

    Form1* m_mainWindow;
    bool m_lookingUp = false;
    bool m_pressedWhileLookingUp = false; // on the add button, not yet released
    bool m_clickedWhileLookingUp = false;
};
