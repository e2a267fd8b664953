// The report sequence: every report in a fixed order, each announced by its
// progress text before its writer runs, so that the writers' own messages
// stand after the text that names them.
#include <cstdio>
#include <string>

#include "data.h"
#include "rollbook.h"
#include "rpts.h"

namespace {

// progress: a progress text of the report sequence, sent out at once so that
// it stands before any message of the writer it announces, even though it
// does not end the line.
void progress(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

}  // namespace

void wrapup() {
    const char* prefix = isStake() ? "stake" : "ward";
    // name: a file name pattern with the unit prefix in place of its %s.
    auto name = [prefix](const char* pattern) {
        char buf[512];
        std::snprintf(buf, sizeof buf, pattern, prefix);
        return std::string(buf);
    };

    progress("Creating Reports\n");
    progress("Creating CSVs: fam");
    writeFamilyCSV(name("%sfam.csv").c_str());
    progress(", mem");
    writeMemberCSV(name("%smem.csv").c_str());
    progress(", org");
    writeOrgCSV(name("%sorg.csv").c_str());

    progress("\n");
    progress("Creating Palm/Text reports: priv");
    writeTextRpt(name("%spriv.txt").c_str(), 1);
    writeMMS(name("%sprivmms.txt").c_str(), 1);
    writeBB(name("%sbbpriv.html").c_str(), 1);
    progress(", pub");
    writeTextRpt(name("%srpt.txt").c_str(), 0);
    writeMMS(name("%spubmms.txt").c_str(), 0);
    writeBB(name("%sbbpub.html").c_str(), 0);
    progress(", wardorg");
    writeOrgRpt(name("%sorg.txt").c_str(), 0, 0);
    writeOrgRpt(name("%sorgmms.txt").c_str(), 1, 0);
    writeOrgBB(name("%sbborg.html").c_str(), 0);
    if (isStake()) {
        // The four stake-wide files describe the wards' organizations.
        setStakeOrg(1);
        progress(",allorg");
        writeOrgRpt("allorg.txt", 0, 1);
        writeOrgRpt("allorgmms.txt", 1, 1);
        writeOrgCSV("allorg.csv");
        writeOrgBB("allorgbb.html", 1);
        setStakeOrg(0);
    }
    progress(", Phone");
    writePhoneList(name("%sphone.txt").c_str());
    progress(", HT");
    writeHT(name("%sht.txt").c_str());
    progress(", VT");
    writeVT(name("%svt.txt").c_str());
    progress(", YM");
    writeYM(name("%sym.txt").c_str());
    writeYMMMS(name("%symMMS.txt").c_str());
    progress(", YW");
    writeYW(name("%syw.txt").c_str());
    writeYWMMS(name("%sywMMS.txt").c_str());
    progress(", PRI");
    writePRI(name("%spri.txt").c_str());
    writePRIMMS(name("%spriMMS.txt").c_str());
    progress("\n");
}
