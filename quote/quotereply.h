#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quote {

// Field numbers of a stock quote reply that the program reads.
inline constexpr std::size_t kNameField = 2;
inline constexpr std::size_t kPriceField = 3;
inline constexpr std::size_t kChangeField = 4;
inline constexpr std::size_t kHighField = 11;

// Field numbers of an index reply.
inline constexpr std::size_t kIndexLevelField = 3;
inline constexpr std::size_t kIndexChangeField = 4;
inline constexpr std::size_t kIndexPreviousCloseField = 6;

// The whole body of one reply of the quote service, already decoded to text.
// The service separates values with "," and may wrap them in "'"; nothing else
// is special, so a value keeps its blanks, tabs and line breaks.
class Reply {
public:
    Reply() = default;
    explicit Reply(std::u16string body);

    const std::u16string& body() const { return m_body; }
    std::size_t fieldCount() const { return m_pieces.size(); }

    // Field n with every apostrophe removed, or nothing when the reply is too short.
    std::optional<std::u16string> field(std::size_t n) const;

private:
    struct Piece {
        std::size_t start;
        std::size_t length;
    };
    std::u16string m_body;
    std::vector<Piece> m_pieces; // offsets, so copies and moves stay valid
};

// Cuts a body at every ","; an empty body has no fields, one without commas has one.
std::vector<std::u16string_view> splitFields(std::u16string_view body);

// Percent-encodes every byte that cannot stand as itself in the query of a URL
// (controls, blanks, "#", "%", non-ASCII and the like), so a code typed by the
// user can never change the request line or its headers. Written out rather
// than taken from Qt: this library is free of Qt, and so is its fuzz target.
std::string encodeQueryBytes(std::string_view bytes);

// Request target of one stock's quote: "/msq?cn_" followed by the code's bytes.
std::string stockQuoteTarget(std::string_view codeBytes);

inline constexpr std::string_view kShanghaiIndexTarget = "/msq?zs_000001";
inline constexpr std::string_view kShenzhenIndexTarget = "/msq?zs_399001";

} // namespace quote
