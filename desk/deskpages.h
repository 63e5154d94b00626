#pragma once

// Paths of the maker's pages that the quote desk shows or reads.
namespace desk::pages {

inline constexpr char kAnnouncement[] = "/gonggao.htm";
inline constexpr char kMarketRisk[] = "/htm/fengxian.htm";
inline constexpr char kDailyPicks[] = "/map2.asp?cid=15&page=1";
inline constexpr char kHistory[] = "/map1.asp?cid=15";

} // namespace desk::pages
