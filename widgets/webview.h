#pragma once

#include "platform/shelllog.h"

#include <QUrl>
#include <QWebEngineView>

#include <functional>

// The embedded browser as both programs use it: no context menu, finished
// loads reported with their document's address, and the page's visible text
// read back from the document that finished loading, never from a later one.
// A failed load leaves a line in the log of the window's module.
class WebView : public QWebEngineView {
    Q_OBJECT
public:
    enum class Mode {
        Normal,
        // Script dialogs are answered at once as if dismissed, and a failed
        // load leaves the view blank instead of showing an error page: a view
        // nobody looks at must never stop a script or show a browser's message.
        Silent,
    };

    explicit WebView(QWidget* parent = nullptr, Mode mode = Mode::Normal,
                     const QLoggingCategory& log = lcShell());

    // The body's visible text of the document loaded from loadedUrl, handed to
    // onText later. Nothing is handed over when the document has no body or
    // is no longer the one at loadedUrl: a navigation may have replaced it
    // before the script ran.
    void readBodyText(const QUrl& loadedUrl, std::function<void(const QString&)> onText);

    // Hides the current document's scroll bars.
    void hideScrollBars();

signals:
    // A load ended: url is the address of the document it ended on, after
    // any redirect; ok is false for a failed or stopped load.
    void loaded(const QUrl& url, bool ok);
};
