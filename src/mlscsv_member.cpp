// The membership CSV reader.
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

int readMemberCSV(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Error opening input file (%s)\n", fname);
    return 2;
}
