#pragma once

#include "widgets/windowlifecycle.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QIcon;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// Gives a main window its life in the tray: the icon with its tip and menu,
// minimise-to-tray, a close box that minimises, and exit. The rules live in
// lifecycle::; this class only feeds them events and carries out their effects.
class TrayShell : public QObject {
    Q_OBJECT
public:
    TrayShell(QWidget* window, const QIcon& icon, const QString& tip, QMenu* trayMenu);
    ~TrayShell() override;

    // Adds the icon. The window should call this first thing when it starts.
    void addIcon();
    void removeIcon();

    // Brings the window back from wherever it is (the tray, the task bar,
    // behind others) in front of the others, for a start of a second copy.
    void comeForward();

    // The tray menu's exit entry: remove the icon and end the program at once.
    void exitNow();

    // Tells the user something without a message box: a tray balloon where
    // there is a tray, otherwise a tool tip over the window.
    void notify(const QString& title, const QString& message);

    bool trayAvailable() const;
    QSystemTrayIcon* trayIcon() const { return m_icon; }

    // For the tray's own clicks and for tests that cannot click a real tray.
    void handleTrayClick(lifecycle::TrayClick click);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(const lifecycle::Effects& effects);
    void showOnTop();

    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    QSystemTrayIcon* m_icon;
    bool m_sessionEnding = false;
    bool m_applying = false;        // the window's state changes are our own
    bool m_minimisedInTray = false; // hidden to the tray from its minimised state
    bool m_quitting = false;
};
