// Class lists not written yet: their calls do nothing, so the report
// sequence skips them.
#include "data.h"

void writeYM(const char*) {}
void writeYMMMS(const char*) {}
void writeYW(const char*) {}
void writeYWMMS(const char*) {}
void writePRI(const char*) {}
void writePRIMMS(const char*) {}
void writeRS(const char*) {}
void writeRSMMS(const char*) {}
