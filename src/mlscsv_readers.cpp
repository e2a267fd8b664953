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

int readMemberCSV(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Error opening input file (%s)\n", fname);
    return 2;
}

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

int readAuxFile(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "No auxfile found.\n");
    return 1;
}

int readMlsAux(const char*) { return 0; }

int readWebAux(const char*) { return 0; }

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

int readHTCSV(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Can't open input HT file (%s)\n", fname);
    return 2;
}

int readVTCSV(const char* fname) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Can't open input VT file (%s)\n", fname);
    return 2;
}

int readHTTXT(const char* fname, int) {
    if (opens(fname)) return 0;
    std::fprintf(stderr, "Can't open HT txt file (%s)\n", fname);
    return 1;
}
