// The entry point: the program takes no arguments and works in the current
// directory.
#include "rollbook.h"

int main() { return rollbookMain(); }
