// Shared by the fuzz targets: a fresh process state before every input and a
// file holding the input's bytes, so that readers meet them as a file.
#ifndef ROLLBOOK_FUZZ_COMMON_H
#define ROLLBOOK_FUZZ_COMMON_H

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "data.h"
#include "mlscsv.h"
#include "rollbook.h"
#include "rpts.h"

namespace fuzz {

// resetState: an empty store, ward mode, default settings, a fixed run date.
inline void resetState() {
    static bool once = false;
    if (!once) {
        setenv("ROLLBOOK_TODAY", "2026-06-15", 1);
        // The corrupt-record prompt reads the console: give it end of input.
        std::freopen("/dev/null", "r", stdin);
        once = true;
    }
    dataInit();
    setStake(0);
    resetSettings();
}

// inputFile: a file of this process holding exactly the given bytes.
inline std::string inputFile(const uint8_t* data, size_t size, const char* name = "input") {
    // One folder per process, removed when the process ends.
    struct Folder {
        std::string path;
        Folder() {
            char tmpl[] = "/tmp/rollbook-fuzz-XXXXXX";
            const char* d = mkdtemp(tmpl);
            path = d != nullptr ? d : "";
        }
        ~Folder() {
            if (path.empty()) return;
            for (const char* f : {"/input", "/Membership.csv"}) std::remove((path + f).c_str());
            rmdir(path.c_str());
        }
    };
    static const Folder folder;
    const std::string& dir = folder.path;
    const std::string path = dir + "/" + name;
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (fp != nullptr) {
        if (size > 0) std::fwrite(data, 1, size, fp);
        std::fclose(fp);
    }
    return path;
}

// A small ward the readers that look people up can find: two households.
inline const char* const SampleMembership =
    "\"Indiv ID\",\"Full Name\",\"Preferred Name\",\"Record Number\",\"HH ID\",\"HH Relationship\",\"HH Order\","
    "\"HH Phone\",\"Indiv Phone\",\"HH E-mail\",\"Street 1\",\"Street 2\",\"D/P\",\"City\",\"Postal\",\"State\","
    "\"Country\",\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"Sex\",\"Birth\",\"Baptized\",\"Confirmed\",\"Endowed\","
    "\"Rec Expires\",\"Priesthood\",\"Mission\",\"Marital Status\",\"Spouse Member\",\"Sealed Current\",\"Sealed "
    "Previous\"\n"
    "\"1\",\"Brown, Carl\",\"\",\"R1\",\"10\",\"Head of Household\",\"1\",\"555-0100\",\"\",\"\",\"1 Main "
    "St\",\"\",\"\",\"Town\",\"11111\",\"UT\",\"USA\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"M\",\"1 Jan "
    "1980\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\n"
    "\"2\",\"Brown, Dora\",\"\",\"R2\",\"10\",\"Spouse\",\"2\",\"555-0100\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
    "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"F\",\"2 Feb 1982\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\n"
    "\"3\",\"Clark, Fay\",\"\",\"R3\",\"11\",\"Head of Household\",\"1\",\"555-0200\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
    "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"F\",\"3 Mar 1990\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\n";

// loadSampleWard: the small ward above, read as the membership export.
inline void loadSampleWard() {
    const std::string path = inputFile(reinterpret_cast<const uint8_t*>(SampleMembership),
                                       std::char_traits<char>::length(SampleMembership), "Membership.csv");
    readMemberCSV(path.c_str());
}

// checkStore: the links of the store hang together, whatever the input:
// every family's member chain ends, each member in it points back to that
// family, and a stored member that names a family is in its chain. A broken
// link loses a person from the reports without any crash, so it stops the
// fuzzer as a crash would.
inline void checkStore() {
    std::unordered_map<const WardFamily*, std::unordered_set<const WardMember*>> chains;
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        const WardFamily* fam = static_cast<const WardFamily*>(get_data_from_link(l));
        if (fam == nullptr || chains.count(fam) != 0) continue;
        std::unordered_set<const WardMember*>& chain = chains[fam];
        for (const WardMember* m = fam->members; m != nullptr; m = m->next) {
            if (!chain.insert(m).second) __builtin_trap();  // the chain runs in a circle
            if (m->fam != fam) __builtin_trap();
        }
    }
    for (linkedlist* l = get_head_link(Member); l != nullptr; l = get_next_link(l)) {
        const WardMember* m = static_cast<const WardMember*>(get_data_from_link(l));
        if (m == nullptr || m->fam == nullptr) continue;
        auto chain = chains.find(m->fam);
        if (chain != chains.end() && chain->second.count(m) == 0) __builtin_trap();
    }
}

// writeReports: every report writer over the store, into /dev/null.
inline void writeReports() {
    const char* null = "/dev/null";
    writeFamilyCSV(null);
    writeMemberCSV(null);
    writeOrgCSV(null);
    for (int priv = 1; priv >= 0; --priv) {
        writeTextRpt(null, priv);
        writeMMS(null, priv);
        writeBB(null, priv);
    }
    writeOrgRpt(null, 0, isStake());
    writeOrgRpt(null, 1, isStake());
    writeOrgBB(null, isStake());
    writePhoneList(null);
    writeHT(null);
    writeVT(null);
    writeYM(null);
    writeYWMMS(null);
    writePRI(null);
    writeRS(null);
}

}  // namespace fuzz

#endif
