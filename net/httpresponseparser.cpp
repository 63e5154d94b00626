#include "net/httpresponseparser.h"

#include <algorithm>

namespace http {
namespace {

// A chunk-size line may always take its size's 16 hex digits and its CR LF;
// leading zeros, extensions and blanks beyond that are paid from what the
// head left of its budget, so they cannot go on for longer than a head could.
constexpr std::size_t kFreeChunkSizeBytes = 18;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Calls take(token) for each comma-separated, trimmed, non-empty token of a header value.
template <typename Take> void forEachToken(std::string_view value, Take take) {
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        const std::string_view token = trimmed(value.substr(0, comma));
        if (!token.empty())
            take(token);
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    }
}

} // namespace

ResponseParser::ResponseParser(ResponseLimits limits)
    : m_limits(limits) {
    startHead();
}

ResponseParser::State ResponseParser::feed(std::string_view bytes) {
    while (m_state == State::NeedMore && !bytes.empty())
        step(bytes);
    // We never send a second request before the first is answered, so
    // anything after the reply is a service out of step with us.
    if (m_state == State::Done && !bytes.empty())
        m_bytesAfterEnd = true;
    return m_state;
}

ResponseParser::State ResponseParser::endOfStream() {
    if (m_state == State::NeedMore) {
        if (m_phase == Phase::BodyToClose)
            complete();
        else
            fail("connection closed before the reply was complete");
    }
    return m_state;
}

bool ResponseParser::keepAlive() const {
    return m_state == State::Done && !m_http10 && !m_asksToClose && !m_bytesAfterEnd;
}

bool ResponseParser::takeRemaining(std::string_view& bytes) {
    const std::size_t count = std::size_t(std::min<std::uint64_t>(m_remaining, bytes.size()));
    appendBody(bytes, count);
    m_remaining -= count;
    return m_state == State::NeedMore && m_remaining == 0;
}

void ResponseParser::step(std::string_view& bytes) {
    switch (m_phase) {
    case Phase::StatusLine:
        if (readLine(bytes))
            parseStatusLine();
        return;
    case Phase::HeaderLines:
        if (readLine(bytes))
            parseHeaderLine();
        return;
    case Phase::FixedBody:
        if (takeRemaining(bytes))
            complete();
        return;
    case Phase::BodyToClose:
        appendBody(bytes, bytes.size());
        return;
    case Phase::ChunkSize:
        if (readLine(bytes))
            parseChunkSize();
        return;
    case Phase::ChunkData:
        if (takeRemaining(bytes)) {
            m_phase = Phase::ChunkEnd;
            m_lineBudget = 2;
        }
        return;
    case Phase::ChunkEnd:
        if (readLine(bytes)) {
            if (!m_line.empty() || !m_lineEndedWithCr)
                return fail("chunk data not ended by CR LF");
            startChunkSizeLine();
        }
        return;
    case Phase::Trailers:
        // Trailer fields tell us nothing we use; the blank line ends the reply.
        if (readLine(bytes) && m_line.empty())
            complete();
        return;
    case Phase::Complete:
        return;
    }
}

// Takes bytes up to and including the next line end into m_line (without
// the end) and says whether the line is complete. Every byte counts against
// the budget before it is kept, so an endless line or an endless run of
// lines fails as soon as it has spent the budget.
bool ResponseParser::readLine(std::string_view& bytes) {
    if (m_lineDone) {
        m_line.clear();
        m_lineDone = false;
    }
    const std::size_t end = bytes.find('\n');
    const std::size_t take = end == std::string_view::npos ? bytes.size() : end + 1;
    if (take > m_lineBudget) {
        fail("header block or framing line too long");
        return false;
    }
    m_lineBudget -= take;
    m_line.append(bytes.substr(0, std::min(take, end)));
    bytes.remove_prefix(take);
    if (end == std::string_view::npos)
        return false;
    m_lineEndedWithCr = !m_line.empty() && m_line.back() == '\r';
    if (m_lineEndedWithCr)
        m_line.pop_back();
    m_lineDone = true;
    return true;
}

void ResponseParser::startHead() {
    m_phase = Phase::StatusLine;
    m_lineBudget = m_limits.maxHeadBytes;
    m_status = 0;
    m_http10 = false;
    m_asksToClose = false;
    m_chunked = false;
    m_unknownCoding = false;
    m_contentLength.reset();
    m_conflictingLengths = false;
    m_location.clear();
    m_hasLocation = false;
}

void ResponseParser::parseStatusLine() {
    const std::string_view line = m_line;
    if (line.empty())
        return; // a stray line end before the reply; it still counts against the head
    // "HTTP/1.x NNN" and an optional reason phrase after a blank.
    const bool wellFormed = line.size() >= 12 && line.substr(0, 7) == "HTTP/1." &&
                            (line[7] == '0' || line[7] == '1') && line[8] == ' ' &&
                            isDigit(line[9]) && isDigit(line[10]) && isDigit(line[11]) &&
                            (line.size() == 12 || line[12] == ' ');
    if (!wellFormed || line[9] == '0')
        return fail("not an HTTP/1.0 or HTTP/1.1 status line");
    m_status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    m_http10 = line[7] == '0';
    m_phase = Phase::HeaderLines;
}

void ResponseParser::parseHeaderLine() {
    const std::string_view line = m_line;
    if (line.empty())
        return endOfHead();
    // A folded continuation line would be read one way here and another way
    // by a proxy in between; a reply that disagrees with itself is refused.
    if (isBlank(line.front()))
        return fail("folded header line");
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return fail("header line without a name");
    const std::string_view name = line.substr(0, colon);
    if (std::any_of(name.begin(), name.end(), isBlank))
        return fail("blank inside a header name");
    const std::string_view value = trimmed(line.substr(colon + 1));
    // A NUL or a bare CR ends a value early for some readers and not others.
    if (value.find('\0') != std::string_view::npos || value.find('\r') != std::string_view::npos)
        return fail("control character in a header value");

    if (equalsNoCase(name, "Content-Length")) {
        if (value.empty() || !std::all_of(value.begin(), value.end(), isDigit))
            return fail("Content-Length is not a number");
        // Saturates: every length past the cap is refused alike.
        constexpr std::uint64_t kHuge = std::uint64_t(1) << 62;
        std::uint64_t length = 0;
        for (const char digit : value)
            length = length > kHuge / 10 ? kHuge : length * 10 + std::uint64_t(digit - '0');
        if (m_contentLength && *m_contentLength != length)
            m_conflictingLengths = true;
        m_contentLength = length;
    } else if (equalsNoCase(name, "Transfer-Encoding")) {
        forEachToken(value, [this](std::string_view coding) {
            // Only chunked, once and last: we asked for nothing else.
            if (m_chunked || !equalsNoCase(coding, "chunked"))
                m_unknownCoding = true;
            m_chunked = true;
        });
    } else if (equalsNoCase(name, "Connection")) {
        forEachToken(value, [this](std::string_view option) {
            if (equalsNoCase(option, "close"))
                m_asksToClose = true;
        });
    } else if (equalsNoCase(name, "Location") && !m_hasLocation) {
        m_location = value;
        m_hasLocation = true;
    }
}

void ResponseParser::endOfHead() {
    if (m_status < 200) {
        if (m_status == 101)
            return fail("switched protocols unasked");
        if (++m_interimReplies > m_limits.maxInterimReplies)
            return fail("too many interim replies");
        return startHead();
    }
    // These never carry a body, whatever their framing headers describe.
    if (m_status == 204 || m_status == 304)
        return complete();
    if (m_unknownCoding)
        return fail("unsupported transfer coding");
    if (m_chunked) {
        // A length beside chunked framing is a service to be wary of: read
        // this reply by its chunks, then start afresh.
        if (m_contentLength)
            m_asksToClose = true;
        m_framingBudget = m_lineBudget;
        return startChunkSizeLine();
    }
    if (m_conflictingLengths)
        return fail("conflicting Content-Length values");
    if (m_contentLength) {
        if (*m_contentLength > m_limits.maxBodyBytes)
            return fail("body too large");
        m_remaining = *m_contentLength;
        m_phase = Phase::FixedBody;
        if (m_remaining == 0)
            complete();
        return;
    }
    // No framing: the body runs to the close, so the connection cannot carry more.
    m_asksToClose = true;
    m_phase = Phase::BodyToClose;
}

void ResponseParser::startChunkSizeLine() {
    m_phase = Phase::ChunkSize;
    m_lineBudget = m_framingBudget + kFreeChunkSizeBytes;
}

void ResponseParser::parseChunkSize() {
    // Whatever the line took beyond the size itself came out of the head's budget.
    m_framingBudget = std::min(m_framingBudget, m_lineBudget);
    // Chunk framing is read strictly: a reader in between that is lenient
    // elsewhere than we are would see other chunks in the same bytes.
    if (!m_lineEndedWithCr)
        return fail("chunk size line not ended by CR LF");
    const std::string_view line = m_line;
    const std::size_t digits =
        std::min(line.size(), line.find_first_not_of("0123456789abcdefABCDEF"));
    const std::string_view rest = line.substr(digits);
    const std::size_t afterBlanks = rest.find_first_not_of(" \t");
    if (digits == 0 ||
        (!rest.empty() && (afterBlanks == std::string_view::npos || rest[afterBlanks] != ';')))
        return fail("bad chunk size");
    // Leading zeros are allowed, as many as the budget pays for.
    const std::string_view size = line.substr(0, digits);
    const std::string_view significant =
        size.substr(std::min(size.size() - 1, size.find_first_not_of('0')));
    if (significant.size() > 16)
        return fail("bad chunk size");
    std::uint64_t length = 0;
    for (const char digit : significant)
        length = length * 16 + std::uint64_t(hexValue(digit));
    if (length == 0) {
        m_phase = Phase::Trailers;
        m_lineBudget = m_framingBudget;
        return;
    }
    if (length > m_limits.maxBodyBytes - m_body.size())
        return fail("body too large");
    m_remaining = length;
    m_phase = Phase::ChunkData;
}

void ResponseParser::appendBody(std::string_view& bytes, std::size_t count) {
    if (count > m_limits.maxBodyBytes - m_body.size())
        return fail("body too large");
    m_body.append(bytes.substr(0, count));
    bytes.remove_prefix(count);
}

void ResponseParser::complete() {
    m_phase = Phase::Complete;
    m_state = State::Done;
}

void ResponseParser::fail(const char* why) {
    m_state = State::Failed;
    m_failure = why;
}

} // namespace http
