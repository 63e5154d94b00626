#include "widgets/webview.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace {

class SilentPage : public QWebEnginePage {
public:
    explicit SilentPage(QObject* parent)
        : QWebEnginePage(parent) {
        settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    }

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
};

} // namespace

WebView::WebView(QWidget* parent, Mode mode, const QLoggingCategory& log)
    : QWebEngineView(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    if (mode == Mode::Silent)
        setPage(new SilentPage(this));
    connect(page(), &QWebEnginePage::loadingChanged, this,
            [this, log = &log](const QWebEngineLoadingInfo& info) {
                // A stopped load was replaced by another or cancelled; only a failed one is news.
                if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                    qCWarning(*log).noquote()
                        << "page load of" << info.url().toDisplayString()
                        << "failed:" << info.errorString()
                        << (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                                ? QStringLiteral("(HTTP %1)")
                                : QStringLiteral("(error %1)"))
                               .arg(info.errorCode());
                if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                    emit loaded(info.url(),
                                info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
            });
}

void WebView::readBodyText(const QUrl& loadedUrl, std::function<void(const QString&)> onText) {
    // Address and text in one script, so both come from the same document.
    const QString script =
        QStringLiteral("[location.href, document.body ? document.body.outerText : null]");
    const QString expected = loadedUrl.toString(QUrl::FullyEncoded);
    page()->runJavaScript(script, [expected, onText = std::move(onText)](const QVariant& result) {
        // A page torn down before the script ran answers with nothing.
        const QVariantList values = result.toList();
        if (values.size() != 2 || values[0].toString() != expected ||
            values[1].typeId() != QMetaType::QString)
            return;
        onText(values[1].toString());
    });
}

void WebView::hideScrollBars() {
    // Chromium has no "scroll" attribute on the body; overflow hides the bars
    // on either element that may own them.
    page()->runJavaScript(
        QStringLiteral("for (const e of [document.documentElement, document.body])"
                       "  if (e) e.style.overflow = 'hidden';"));
}
