#pragma once

#include <string_view>

// Invariants of the code that reads what others wrote (the quote service's
// replies, the watch-list files, the feed, the pages read in the programs), each checked over
// arbitrary input: by libFuzzer under the fuzz preset (fuzzentry.cpp) and over the stored corpus by
// the ordinary test suite (replay_test.cpp). What the input is to each:
//   httpResponse:   the bytes of a connection, fed whole, byte by byte and in pieces;
//   quoteReply:     a reply's body, one character per byte, and a code typed by the user;
//   gbkText:        GBK bytes, and UTF-16LE text to encode;
//   watchlistFiles: the three files, separated by the first two NUL bytes;
//   gatewayFeed:    a query of Quillon's, a line end, then the feed's body;
//   newsFeed:       the live-news feed's body, made into the tracker's news page;
//   hotSectorScan:  the tracker's news page as UTF-8;
//   pageRules:      a daily-picks page's text, a site address, a code (NUL between);
//   changeWatch:    a reload period's text, then pages' texts (NUL between).
namespace fuzz {

// A broken invariant: an abort with the message under libFuzzer, a test
// failure in the replay.
void require(bool ok, const char* what);

using Check = void(std::string_view input);
Check httpResponse, quoteReply, gbkText, watchlistFiles, gatewayFeed, newsFeed, hotSectorScan,
    pageRules, changeWatch;

} // namespace fuzz
