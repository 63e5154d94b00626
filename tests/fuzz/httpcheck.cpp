#include "net/httpresponseparser.h"
#include "tests/fuzz/fuzzcheck.h"

#include <tuple>

// However the connection cuts the bytes into pieces, the parser reaches the
// same verdict, and no reply's body outgrows the limit.
void fuzz::httpResponse(std::string_view input) {
    using State = http::ResponseParser::State;
    // With the usual limits and tight ones, and with the connection left open and closed.
    for (int run = 0; run < 4; ++run) {
        const auto limits = run % 2 ? http::ResponseLimits{256, 2, 64} : http::ResponseLimits{};
        std::optional<std::tuple<State, int, std::string, std::string, bool>> first;
        // Whole, byte by byte, and in pieces of 1 to 23 bytes drawn from the input's hash.
        for (int way = 0; way < 3; ++way) {
            http::ResponseParser parser(limits);
            std::size_t seed = std::hash<std::string_view>()(input);
            for (std::size_t at = 0, size = 0; at < input.size(); at += size) {
                seed = seed * 6364136223846793005u + 1442695040888963407u;
                size = way == 0 ? input.size() : way == 1 ? 1 : 1 + (seed >> 33) % 23;
                parser.feed(input.substr(at, size));
            }
            require(run < 2 || parser.endOfStream() != State::NeedMore, "waits after the close");
            require(parser.body().size() <= limits.maxBodyBytes, "body beyond the limit");
            // A reply that failed may have kept more or less of its body.
            const auto outcome =
                std::tuple(parser.state(), parser.status(),
                           parser.state() == State::Failed ? std::string() : parser.body(),
                           parser.location(), parser.keepAlive());
            require(first.value_or(outcome) == outcome, "the pieces changed the outcome");
            first = outcome;
        }
    }
}
