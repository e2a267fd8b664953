// Fuzz target: the field splitter with any delimiter, run skipping and limit.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "splitfld.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const char delim = static_cast<char>(data[0]);
    const int skip = data[1] & 1;
    const int maxflds = 1 + data[2] % 120;
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    std::vector<char*> flds(static_cast<size_t>(maxflds), nullptr);
    const int n = split_flds(text.data(), flds.data(), delim, skip, maxflds);
    if (n < 0 || n > maxflds) __builtin_trap();
    for (int i = 0; i < n; ++i) {
        // Every field lies inside the text.
        if (flds[i] < text.data() || flds[i] > text.data() + text.size()) __builtin_trap();
        (void)std::strlen(flds[i]);
    }
    return 0;
}
