#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

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
class QuoteFetcher;
class RefreshCycle;
class SaveNotice;
class TrayShell;
class WatchList;
class WatchListView;
class WebBand;
class WebView;

// Quillon's main window: the two index lines, the watch list, the strip panel
// and the three boxes below it, with the tray icon and its menus. Controls
// keep their design names; other windows reach them through these members.
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

    // A page of the maker's site.
    static QUrl sitePage(const char* path);

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
    // Docking at the screen edges, which tells of every change to outerRect().
    const EdgeDocker* docker() const { return m_docker; }

    TrayShell* trayShell() const { return m_tray; }
    RefreshCycle* refreshCycle() const { return m_refresh; }
    AlertMonitor* alertMonitor() const { return m_alerts; }
    WatchList* watchList() const { return m_watchList; }
    WebBand* webBand() const { return m_band; }
    const QString& programDirectory() const { return m_programDirectory; }

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    WatchListView* ListView1 = nullptr;
    WebView* WebBrowser1 = nullptr;
    WebView* WebBrowser2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QuoteFetcher* Inet1 = nullptr; // rows of the refresh cycle
    QuoteFetcher* Inet2 = nullptr; // the price-alert monitor
    QuoteFetcher* Inet3 = nullptr; // the two indexes
    QTimer* Timer1 = nullptr;      // refresh cycle
    QTimer* Timer2 = nullptr;      // price alerts, off until switched on
    QTimer* Timer3 = nullptr;      // docking at the screen edges

    QMenu* mnu2 = nullptr; // the list's popup
    QAction* mnu21 = nullptr;
    QAction* mnu22 = nullptr;
    QAction* mnu23 = nullptr;
    QMenu* mn = nullptr; // the tray's popup
    QAction* mn17 = nullptr;
    QAction* mn21 = nullptr;
    QAction* mn19 = nullptr;
    QAction* mn20 = nullptr;
    QAction* mn18 = nullptr;
    QAction* mn1 = nullptr;
    QAction* mn11 = nullptr;
    QAction* mn12 = nullptr;
    QAction* mn13 = nullptr;
    QAction* mn14 = nullptr;
    QAction* mn15 = nullptr;
    QAction* mn16 = nullptr;

private:
    void createControls();
    void createMenus();
    void load();
    void listClicked();
    void reportUnsaved(const QStringList& fileNames);
    void tellUser(const QString& message);
    // In the program the desktop has for the address's scheme.
    void openAddress(const QString& address);

    QString m_programDirectory;
    QString m_watchListDirectory;
    TrayShell* m_tray = nullptr;
    EdgeDocker* m_docker = nullptr;
    RefreshCycle* m_refresh = nullptr;
    AlertMonitor* m_alerts = nullptr;
    WatchList* m_watchList = nullptr;
    SaveNotice* m_saveNotice = nullptr;
    WebBand* m_band = nullptr;
    QPointer<FrmAdd> m_addDialog;
    QPointer<Jujiao> m_jujiao; // the hot-sector tracker while it is open
};
