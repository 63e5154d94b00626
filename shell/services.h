#pragma once

#include <QByteArray>
#include <QString>

// Base URLs ("scheme://host[:port]", no trailing slash) of the outside services.
// Each comes from its environment variable and defaults to the stand-in server.
namespace services {

inline constexpr char kStandInBaseUrl[] = "http://127.0.0.1:18930";

// An unset or blank value gives the stand-in; trailing slashes are dropped.
QString baseUrlFrom(const QByteArray& environmentValue);

QString quoteBaseUrl(); // QUILLON_QUOTE_URL: the quote service
QString siteBaseUrl();  // QUILLON_SITE_URL: the maker's site
QString chartBaseUrl(); // QUILLON_CHART_URL: the intraday chart server
QString newsBaseUrl();  // QUILLON_NEWS_URL: the hot-sector news page

// Where the maker's site keeps its contact page.
inline constexpr char kContactPath[] = "/htm/lianxi.htm";

// QUILLON_CONTACT_URL: the author's contact link, a whole address in any
// scheme the desktop has a handler for (an instant-messaging program's, or a
// web page for the browser); unset or blank, the site's contact page.
QString contactUrl();

} // namespace services
