// Readers whose formats are not read yet: each looks for its file, reports
// when it is missing exactly as the finished reader will, and otherwise reads
// nothing.
#include <cstdio>

#include "mlscsv.h"

namespace {

// opens: whether fname can be opened for reading.
bool opens(const char* fname) {
    std::FILE* fp = std::fopen(fname, "r");
    if (fp == nullptr) return false;
    std::fclose(fp);
    return true;
}

}  // namespace

int readMlsDir(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Unable to open MLS Unit Directory input file (%s).\n", fname);
    return 1;
}

int readWebMember(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Error opening input file (%s)\n", fname);
    return 2;
}
