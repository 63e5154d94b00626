#pragma once

#include <QStringView>

// Paths of the maker's pages, below the site's base address: what Quillon and
// Tarvex show, read or open, and what the stand-in serves.
namespace pages {

inline constexpr char kHome[] = "/"; // opened in the browser from both programs

// Quillon's windows.
inline constexpr char kAnnouncement[] = "/gonggao.htm";
inline constexpr char kMarketRisk[] = "/htm/fengxian.htm";
inline constexpr char kDailyPicks[] = "/map2.asp?cid=15&page=1";
inline constexpr char kHistory[] = "/map1.asp?cid=15";
inline constexpr char kContact[] = "/htm/lianxi.htm"; // unless QUILLON_CONTACT_URL says otherwise
// The hot-sector tracker's news page, below the news base address.
inline constexpr char kNews[] = "/news/cbkjj.html";

// How the news page writes an entry, as the tracker reads it:
//   <span>MM-DD HH:MM</span><a href="LINK+HEADLINE" target="_blank">...
// LINK being exactly kLinkLength characters, so that the headline starts there.
namespace news {
inline constexpr QStringView kOpeningMarker = u"</span><a href=\"";
inline constexpr QStringView kClosingMarker = u"\" target=";
inline constexpr int kLinkLength = 68; // characters of a link before its headline
inline constexpr int kStampLength = 11; // "MM-DD HH:MM", just before the opening marker
} // namespace news

// Tarvex's windows and menus.
inline constexpr char kFirstRumours[] = "/map1.asp?cid=2"; // the first page shown at start
inline constexpr char kRumours[] = "/map1.asp?cid=2&page=1";
inline constexpr char kTechnique[] = "/map1.asp?cid=11&page=1";
inline constexpr char kTradingTools[] = "/map1.asp?cid=12&page=1";
inline constexpr char kChatDigest[] = "/map1.asp?cid=13&page=1";
inline constexpr char kHotTopics[] = "/map1.asp?cid=14&page=1";
inline constexpr char kIntroduction[] = "/jieshao.htm";
inline constexpr char kMembership[] = "/htm/huiyuan.htm";
inline constexpr char kAbout[] = "/htm/20120512/723.htm";
// The maker's blogs; the site links to each of them from these pages.
inline constexpr char kSinaBlog[] = "/blog/sina.htm";
inline constexpr char kSohuBlog[] = "/blog/sohu.htm";
inline constexpr char kHexunBlog[] = "/blog/hexun.htm";

} // namespace pages
