#include "tests/fuzz/fuzzcheck.h"

#include <stdexcept>

void fuzz::require(bool ok, const char* what) {
    // Uncaught, it ends the run with its message, and libFuzzer keeps the input.
    if (!ok)
        throw std::logic_error(what);
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    QUILLON_FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
