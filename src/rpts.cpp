// rpts: the helpers the report writers share, and the phone list.
#include "rpts.h"

#include <cstdio>

#include "data.h"
#include "mlscsv.h"

bool openReport(RptFile& out, const char* fname) {
    if (out.open(fname)) return true;
    std::fprintf(stderr, "Error opening report file (%s)\n", fname);
    return false;
}

char surnameLetter(const Text& lname) { return lname && !lname->empty() ? (*lname)[0] : '\0'; }

void writePhoneList(const char* fname) {
    RptFile out;
    if (!openReport(out, fname)) return;
    walkFamilies([&](const WardFamily* fam) { writePhoneEntry(out, fam); });
}

void writePhoneEntry(RptFile& out, const WardFamily* fam) {
    out.printf("%s, %s", fixnull(fam->lname), fixnull(fam->fname));
    if (fam->spouse) out.printf(" & %s", fam->spouse->c_str());
    out.printf("\t");
    std::string phones;
    if (isEmpty(fam->phone)) phones = "[no phone]";
    else if (!isEmpty(fam->phone2)) phones = strprintf("%s, %s", fam->phone->c_str(), fam->phone2->c_str());
    else phones = fam->phone->str();
    out.printf("%s\n", phones.c_str());
}
