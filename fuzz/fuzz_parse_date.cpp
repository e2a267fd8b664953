// Fuzz target: the date and field helpers on arbitrary texts.
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "mlscsv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::resetState();
    const std::string text(reinterpret_cast<const char*>(data), size);
    mls_date d;
    parse_date(text.c_str(), &d);
    if (std::strlen(fixdate(&d)) > 11) __builtin_trap();
    (void)calcAge(&d);
    (void)noDate(&d);
    (void)convert_month(text.c_str());
    (void)trim(text.c_str());
    (void)fieldNumber(text.c_str());
    (void)strbeg(text.c_str(), "!Show");
    auxcmd(text.c_str());
    return 0;
}
