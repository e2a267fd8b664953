// The organization readers.
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

int readOrgCSV(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Can't open input Org file (%s)\n", fname);
    return 1;
}

int readOrgTab(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "readOrgTab: Unable to open input file (%s)\n", fname);
    return 1;
}

int readWebOrg(const char*) { return 0; }
