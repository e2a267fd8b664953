// rpts: the directory, phone and organization reports. Reports not written
// yet are skipped: their calls do nothing.
#include "rpts.h"

void writeTextRpt(const char*, int) {}
void writeMMS(const char*, int) {}
void writeBB(const char*, int) {}
void writeOrgRpt(const char*, int, int) {}
void writeOrgBB(const char*, int) {}
void writePhoneList(const char*) {}
