// The entry point: the program works in the current directory; "--help" and
// "--version" answer without touching a file, any other argument is ignored.
#include "rollbook.h"

int main(int argc, char** argv) { return rollbookMain(argc, argv); }
