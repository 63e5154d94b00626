#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "version.h"

// Base URLs ("scheme://host[:port]", no trailing slash) of the outside services.
// Each comes from its environment variable. Without one, a program in its
// build folder asks the stand-in server its scripts start; an installed one
// asks the servers its package's user units start on their first request.
namespace services {

inline constexpr char kStandInBaseUrl[] = "http://127.0.0.1:" QUILLON_STANDIN_PORT;
inline constexpr char kGatewayBaseUrl[] =
    "http://127.0.0.1:" QUILLON_GATEWAY_PORT; // quotes, charts, news
inline constexpr char kPagesBaseUrl[] = "http://127.0.0.1:" QUILLON_SITE_PORT; // the maker's pages

// An unset or blank value gives the fallback; trailing slashes are dropped.
QString baseUrlFrom(const QByteArray& environmentValue,
                    const QString& fallback = QString::fromLatin1(kStandInBaseUrl));

// The servers a program asks.
enum class Service { Quote, Site, Chart, News };

// Where a program asks service when its variable is not set: installed, the
// server its package runs; from its build folder, the stand-in.
QString defaultBaseUrl(Service service, bool installed);

// Whether the program runs from the folder it is installed to: the same
// folder, however the two are written (links, a trailing slash).
bool runsInstalled(const QString& programDirectory, const QString& installedDirectory);

QString quoteBaseUrl(); // QUILLON_QUOTE_URL: the quote service
QString siteBaseUrl();  // QUILLON_SITE_URL: the maker's site
QString chartBaseUrl(); // QUILLON_CHART_URL: the intraday chart server
QString newsBaseUrl();  // QUILLON_NEWS_URL: the hot-sector news page

// QUILLON_CONTACT_URL: the author's contact link, a whole address in any
// scheme the desktop has a handler for (an instant-messaging program's, or a
// web page for the browser); unset or blank, the site's contact page.
QString contactUrl();

// A page of the maker's site: the site's base address followed by path (one
// of pages::); sitePage asks the site the programs use now.
QUrl sitePageUrl(const QString& siteBaseUrl, const char* path);
QUrl sitePage(const char* path);

} // namespace services
