#include "net/httpresponseparser.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace std::string_literals;

namespace {

using State = http::ResponseParser::State;

// Feeds the wire in pieces of the given size, then the close when asked. What
// the reply was read as: "failed", "waiting", or its status, whether the
// connection may carry the next request ("keep" or "close") and its body.
std::string parse(std::string_view wire, bool closed, std::size_t piece) {
    http::ResponseParser parser;
    for (std::size_t at = 0; at < wire.size(); at += piece)
        parser.feed(wire.substr(at, piece));
    if (closed)
        parser.endOfStream();
    if (parser.state() != State::Done)
        return parser.state() == State::Failed ? "failed" : "waiting";
    return std::to_string(parser.status()) + (parser.keepAlive() ? " keep " : " close ") +
           parser.body();
}

// Each reply is read whole and one byte at a time; the limits fail as the
// bytes arrive, without waiting for the service to close. What the client's
// tests already send over the wire (length-framed bodies and error pages,
// cut-short and oversized bodies, redirects, closing replies, endless heads)
// is not repeated here.
TEST(HttpResponseParser, ReadsEveryKindOfReplyAndFailsOversizedOrMalformedOnes) {
    const std::string ok = "HTTP/1.1 200 OK\r\n", alphabet = "abcdefghijklmnopqrstuvwxyz";
    std::string interim, extensions;
    for (int n = 0; n < 2; ++n)
        interim += "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n";
    for (int n = 0; n < 200; ++n)
        extensions += "1;" + std::string(100, 'e') + "\r\nx\r\n";
    const std::string head = ok + "Content-Length: 0\r\nX-Pad: ";
    const std::string fullHead = head + std::string(16 * 1024 - head.size() - 4, 'p');
    const std::string half(32 * 1024, 'b'), chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const std::tuple<std::string, bool, std::string> cases[] = {
        // Chunked, with extensions on the sizes, a size padded with zeros and
        // trailer fields after the last chunk.
        {chunked + "4;name=\"v;x\"\r\n7.50\r\n1A ; ext\r\n" + alphabet + "\r\n" +
             std::string(40, '0') + "1\r\n!\r\n0\r\nX-Sum: 1\r\n\r\n",
         false, "200 keep 7.50" + alphabet + "!"},
        // Read one way here and another way by a lenient reader in between:
        // folded lines, control characters in a value, versions we do not
        // speak, blanks around a chunk size, a chunk ended by a bare LF.
        {ok + "Transfer-Encoding: chunked\r\n , gzip\r\n\r\n0\r\n\r\n", false, "failed"},
        {ok + "X-A: a\0b\r\nContent-Length: 0\r\n\r\n"s, false, "failed"},
        {"HTTP/1.2 200 OK\r\nContent-Length: 0\r\n\r\n", false, "failed"},
        {chunked + " 2\r\nab\r\n0\r\n\r\n", false, "failed"},
        {chunked + "2 \r\nab\r\n0\r\n\r\n", false, "failed"},
        {chunked + "2\r\nab\n0\r\n\r\n", false, "failed"},
        // Chunk extensions are paid from the head's budget, however they are spread.
        {chunked + extensions + "0\r\n\r\n", false, "failed"},
        // A 304 has no body, whatever its framing says, and is not waited for.
        {"HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: gzip\r\n\r\n", false, "304 keep "},
        // Four interim replies, some with headers, are passed over; a fifth fails.
        {interim + ok + "Content-Length: 5\r\n\r\nquote", false, "200 keep quote"},
        {interim + "HTTP/1.1 100 Continue\r\n\r\n", false, "failed"},
        // Replies after which the connection is not reused.
        {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", false, "200 close ok"},
        {"HTTP/1.1 200 OK\nConnection: keep-alive, Close\nContent-Length: 2\n\nok", false,
         "200 close ok"},
        {ok + "Content-Length: 9\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", false,
         "200 close ok"},
        {ok + "Content-Length: 2\r\n\r\nokHTTP/1.1", false, "200 close ok"},
        // A head of exactly 16 KiB, and one byte more.
        {fullHead + "\r\n\r\n", false, "200 keep "},
        {fullHead + "ppppp", false, "failed"},
        // A body of exactly 64 KiB read to the close, and past it however it is framed.
        {ok + "\r\n" + half + half, true, "200 close " + half + half},
        {ok + "\r\n" + half + half + "b", false, "failed"},
        {chunked + "8000\r\n" + half + "\r\n8000\r\n" + half + "\r\n1\r\n", false, "failed"},
        // Not HTTP/1.x, or framing we cannot read.
        {"<html>quote,7.50</html>\r\n\r\n", true, "failed"},
        {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", true, "failed"},
        {ok + "Transfer-Encoding: chunked, chunked\r\n\r\n0\r\n\r\n", false, "failed"},
        {ok + "Transfer-Encoding: chunked\r\n" + chunked.substr(ok.size()) + "0\r\n\r\n", false,
         "failed"},
        {ok + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n", true, "failed"},
        {ok + "Content-Length: -1\r\n\r\n", true, "failed"},
        {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n", true, "failed"},
    };
    for (const auto& [wire, closed, expected] : cases) {
        EXPECT_EQ(parse(wire, closed, std::string::npos), expected) << wire.substr(0, 120);
        EXPECT_EQ(parse(wire, closed, 1), expected) << "byte by byte: " << wire.substr(0, 120);
    }
}

} // namespace
