#pragma once

// Paths of the maker's pages that Tarvex shows or opens.
namespace viewer::pages {

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

} // namespace viewer::pages
