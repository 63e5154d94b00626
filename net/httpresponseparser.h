#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace http {

// How much a service may send before we stop listening to it. Every limit is
// checked as the bytes arrive, so a service that never stops talking costs
// at most this much memory and a little parsing.
struct ResponseLimits {
    // The status line and headers of one reply, line ends included; what they
    // leave over pays for chunk extensions, padding of chunk sizes and the
    // trailer fields.
    std::size_t maxHeadBytes = 16 * 1024;
    int maxInterimReplies = 4; // "100 Continue" and the like before the real reply
    std::size_t maxBodyBytes = 64 * 1024;
};

// Reads one HTTP/1.x response to a GET from the bytes of a connection, in
// whatever pieces they come. It knows nothing of sockets: the caller feeds it
// and is told whether more is needed, the response is complete, or the
// connection is beyond saving.
class ResponseParser {
public:
    enum class State { NeedMore, Done, Failed };

    explicit ResponseParser(ResponseLimits limits = {});

    // Takes the next bytes from the connection.
    State feed(std::string_view bytes);
    // The peer closed the connection: completes a body that runs to the close,
    // and fails anything cut short.
    State endOfStream();

    State state() const { return m_state; }
    int status() const { return m_status; }
    const std::string& body() const { return m_body; }
    // The final reply's Location header, empty when it had none.
    const std::string& location() const { return m_location; }
    // Whether the connection may carry the next request: the reply was
    // complete, HTTP/1.1, did not ask to close, and nothing followed it.
    bool keepAlive() const;
    // Why it failed, for a test's message.
    const char* failure() const { return m_failure; }

private:
    enum class Phase {
        StatusLine,
        HeaderLines,
        FixedBody,
        BodyToClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Complete,
    };

    void step(std::string_view& bytes);
    bool readLine(std::string_view& bytes);
    void startHead();
    void parseStatusLine();
    void parseHeaderLine();
    void endOfHead();
    void startChunkSizeLine();
    void parseChunkSize();
    void appendBody(std::string_view& bytes, std::size_t count);
    // Takes what is left of a body or chunk of known length; true once it is all there.
    bool takeRemaining(std::string_view& bytes);
    void complete();
    void fail(const char* why);

    ResponseLimits m_limits;
    State m_state = State::NeedMore;
    Phase m_phase = Phase::StatusLine;
    const char* m_failure = "";

    std::string m_line;      // the line being read, without its end
    bool m_lineDone = false; // m_line holds a whole line, already handled
    bool m_lineEndedWithCr = false;
    std::size_t m_lineBudget = 0;    // bytes the current head, trailer or chunk line may still take
    std::size_t m_framingBudget = 0; // what the head left over, for the chunk framing
    int m_interimReplies = 0;

    int m_status = 0;
    bool m_http10 = false;
    bool m_asksToClose = false;
    bool m_chunked = false;
    bool m_unknownCoding = false;
    std::optional<std::uint64_t> m_contentLength;
    bool m_conflictingLengths = false;
    std::string m_location;
    bool m_hasLocation = false; // a second Location never replaces the first, even an empty one

    std::uint64_t m_remaining = 0; // of a fixed body or the current chunk
    std::string m_body;
    bool m_bytesAfterEnd = false;
};

} // namespace http
