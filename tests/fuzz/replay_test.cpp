#include "tests/fuzz/fuzzcheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

void fuzz::require(bool ok, const char* what) {
    EXPECT_TRUE(ok) << "broken invariant: " << what;
}

// Every stored input, the seeds and those that once found a fault, keeps its
// target's invariants; a failure names the input's file.
TEST(FuzzCorpus, EveryInputKeepsItsTargetsInvariants) {
    const std::pair<const char*, fuzz::Check*> targets[] = {
        {"http", fuzz::httpResponse},
        {"reply", fuzz::quoteReply},
        {"gbk", fuzz::gbkText},
        {"watchlist", fuzz::watchlistFiles},
        {"feed", fuzz::gatewayFeed},
        {"news", fuzz::newsFeed},
        {"hotsector", fuzz::hotSectorScan},
        {"pagerules", fuzz::pageRules},
        {"changewatch", fuzz::changeWatch},
    };
    for (const auto& [name, check] : targets)
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(QUILLON_FUZZ_CORPUS) / name)) {
            SCOPED_TRACE(entry.path().string());
            std::ifstream file(entry.path(), std::ios::binary);
            check(std::string(std::istreambuf_iterator<char>(file), {}));
        }
}
