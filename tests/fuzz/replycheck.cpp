#include "quote/quotereply.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>

// A reply's fields are its comma-separated pieces and put the body back
// together, less its apostrophes.
void fuzz::quoteReply(std::string_view input) {
    std::u16string body(input.begin(), input.end());
    const quote::Reply reply(body);
    require(reply.fieldCount() ==
                (body.empty() ? 0 : 1 + std::size_t(std::ranges::count(body, u','))),
            "field count is not the commas' count plus one");
    std::u16string joined;
    for (std::size_t n = 0; n < reply.fieldCount(); ++n)
        joined += (n ? u"," : u"") + reply.field(n).value_or(u"");
    require(!reply.field(reply.fieldCount()), "a field beyond the last");
    std::erase(body, u'\'');
    require(joined == body, "the fields do not make up the body");
}
