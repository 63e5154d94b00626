#pragma once

#include "desk/rightedgefollow.h"
#include "watchlist/watchlistfiles.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class HttpClient;
class HttpQueue;

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
    // mainOuter gives the main window's outer rectangle; the dialog opens below it.
    FrmAdd(HttpClient* http, desk::MainOuter mainOuter);

    static const QString kLookingUp; // "获取名称中", shown while the lookup runs

signals:
    // The add button was clicked: the stock as typed, for the watch list.
    void stockChosen(const watchlist::Row& row);
    // One of the links to the maker's home page was clicked.
    void homePageRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(HttpClient* http);
    void placeBelowMainWindow(desk::MainOuter mainOuter);
    void lookUpName();
    void add();

    QLineEdit* m_codeField = nullptr;
    QLineEdit* m_nameField = nullptr;       // shown only
    QLineEdit* m_takeProfitField = nullptr; // stored as typed
    QLineEdit* m_stopLossField = nullptr;   // stored as typed
    QPushButton* m_addButton = nullptr;
    HttpQueue* m_fetcher = nullptr;
    bool m_lookingUp = false;
    bool m_pressedWhileLookingUp = false; // on the add button, not yet released
    bool m_clickedWhileLookingUp = false;
};
