// The entry point: the program works in the current directory; "--help" and
// "--version" answer without touching a file, any other argument is ignored.
#include <cstdio>

#include "rollbook.h"

int main(int argc, char** argv) {
    // Each console line goes out when it ends, so that a log that takes both
    // standard output and the error stream keeps them in the order written.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return rollbookMain(argc, argv);
}
