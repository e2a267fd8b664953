// The auxiliary file readers.
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

int readAuxFile(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "No auxfile found.\n");
    return 1;
}

int readMlsAux(const char*) { return 0; }

int readWebAux(const char*) { return 0; }
