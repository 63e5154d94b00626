#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <optional>

class AlertMonitor;
class EdgeDocker;
class FrmAdd;
class Jujiao;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class HttpClient;
class HttpQueue;
class RefreshCycle;
class SaveNotice;
class TrayShell;
class WatchList;
class WatchListView;
namespace desk {
class WatchListModel;
}
class WebBand;
class WebView;

// Quillon's main window: the two index lines, the watch list, the strip panel
// and the three boxes below it, with the tray icon and its menus. Its controls
// are its own; each carries its design name as its object name, and the parts
// that work with them (the refresh, the alerts, the web band) are handed the
// few they serve.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // programDirectory holds Tarvex, watchListDirectory the watch-list files.
    Form1(const QString& programDirectory, const QString& watchListDirectory,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Back from the tray or from behind other windows, in front of them:
    // what a second start of Quillon does instead of opening a second window.
    void comeForward();

    // The market-risk grade taken from the maker's page: red while it is "高".
    void setRiskGrade(const QString& grade);

    // Shows the add-stock dialog below the window, or brings it up if it is open.
    void showAddDialog();

    // The maker's home page in the user's browser.
    void openHomePage();
    void enableStartAtLogin();
    void disableStartAtLogin();

    FrmAdd* addDialog() const;

    // The outer rectangle, frame included, as docking has it: while the window
    // is hidden at a screen edge, where it lies beyond that edge.
    QRect outerRect() const;

    TrayShell* trayShell() const { return m_tray; }
    RefreshCycle* refreshCycle() const { return m_refresh; }
    AlertMonitor* alertMonitor() const { return m_alerts; }
    WatchList* watchList() const { return m_watchList; }
    WebBand* webBand() const { return m_band; }

private:
    void createControls();
    void createMenus();
    void connectWebBand();
    void load();
    void listClicked();
    // The code of the last selected row of the list, if a row is selected.
    std::optional<QString> lastSelectedCode() const;
    void reportUnsaved(const QStringList& fileNames);
    void tellUser(const QString& message);
    // In the program the desktop has for the address's scheme (the browser, for a
    // web page); when there is none the user is told failure, which names what did not open.
    void openAddress(const QString& address, const QString& failure);

    QString m_programDirectory;
    QString m_watchListDirectory;
    TrayShell* m_tray = nullptr;
    EdgeDocker* m_docker = nullptr;
    RefreshCycle* m_refresh = nullptr;
    AlertMonitor* m_alerts = nullptr;
    WatchList* m_watchList = nullptr;
    SaveNotice* m_saveNotice = nullptr;
    QLabel* m_staleLine = nullptr; // since when the prices have not moved
    WebBand* m_band = nullptr;
    QPointer<FrmAdd> m_addDialog;
    QPointer<Jujiao> m_jujiao; // the hot-sector tracker while it is open

    QLabel* m_shanghaiIndexLabel = nullptr;
    QLabel* m_shenzhenIndexLabel = nullptr;
    desk::WatchListModel* m_listModel = nullptr; // the rows the list view shows
    WatchListView* m_listView = nullptr;
    WebView* m_stripBrowser = nullptr; // the strip panel over the foot of the list
    WebView* m_bandBrowser = nullptr;  // the small browser reading the risk and picks pages
    QLabel* m_picksLabel = nullptr;
    QGroupBox* m_riskBox = nullptr;
    QLabel* m_riskLabel = nullptr;
    QPushButton* m_companionButton = nullptr;
    QPushButton* m_introButton = nullptr;
    QPushButton* m_historyButton = nullptr;
    QPushButton* m_trackerButton = nullptr;
    HttpClient* m_http = nullptr;        // the one connection per service all of them share
    HttpQueue* m_rowFetcher = nullptr;   // rows of the refresh cycle
    HttpQueue* m_alertFetcher = nullptr; // the price-alert monitor
    HttpQueue* m_indexFetcher = nullptr; // the two indexes
    QTimer* m_refreshTimer = nullptr;
    QTimer* m_alertTimer = nullptr; // off until the alerts are switched on
    QTimer* m_dockTimer = nullptr;  // docking at the screen edges

    QMenu* m_listMenu = nullptr;
    QAction* m_addStockAction = nullptr;
    QAction* m_removeStockAction = nullptr;
    QAction* m_chartAction = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_trayAddStockAction = nullptr;
    QAction* m_alertsOnAction = nullptr;
    QAction* m_alertsOffAction = nullptr;
    QAction* m_homePageAction = nullptr;
    QAction* m_startAtLoginAction = nullptr;
    QAction* m_noStartAtLoginAction = nullptr;
    QAction* m_contactAction = nullptr;
    QAction* m_exitAction = nullptr;
};
