#include "quote/quotereply.h"

#include <algorithm>

namespace quote {

std::vector<std::u16string_view> splitFields(std::u16string_view body) {
    std::vector<std::u16string_view> pieces;
    if (body.empty())
        return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = body.find(u',', start);
        if (comma == std::u16string_view::npos) {
            pieces.push_back(body.substr(start));
            return pieces;
        }
        pieces.push_back(body.substr(start, comma - start));
        start = comma + 1;
    }
}

Reply::Reply(std::u16string body)
    : m_body(std::move(body)) {
    const std::u16string_view text(m_body);
    for (const std::u16string_view piece : splitFields(text))
        m_pieces.push_back({std::size_t(piece.data() - text.data()), piece.size()});
}

std::optional<std::u16string> Reply::field(std::size_t n) const {
    if (n >= m_pieces.size())
        return std::nullopt;
    std::u16string value = m_body.substr(m_pieces[n].start, m_pieces[n].length);
    value.erase(std::remove(value.begin(), value.end(), u'\''), value.end());
    return value;
}

namespace {

// Characters RFC 3986 allows unescaped in a query: unreserved, sub-delims, ":", "@", "/", "?".
bool standsAsItselfInQuery(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case ':':
    case '@':
    case '/':
    case '?':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string encodeQueryBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (standsAsItselfInQuery(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::string stockQuoteTarget(std::string_view codeBytes) {
    return "/msq?cn_" + encodeQueryBytes(codeBytes);
}

} // namespace quote
