// The organization readers: the organization CSV export (ward or stake) and
// the tab-separated print of the callings report. Both fill organizations and
// their positions and hand them to the store, which links each filled
// position to its holder.
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "data.h"
#include "mlscsv.h"
#include "splitfld.h"
#include "ward_list.h"
#include "wrpcsv.h"

namespace {

// Field counts of the organization CSV export: a ward file has 9 columns; a
// stake file adds the unit name and number, although a stake header of 8 or
// 9 fields is still accepted.
constexpr int WardOrgFields = 9;
constexpr int StakeOrgFields = 10;
constexpr int StakeHeaderMinFields = 8;

// A calling line of the callings report is split into at most this many
// fields and must give all of them.
constexpr int OrgTabFields = 6;

// The callings type lines of the callings report.
const char LeaderCallings[] = "Leadership Callings";
const char OtherCallings[] = "Other Callings";

// csvText: the trimmed text of column ndx of the current CSV line.
Text csvText(int id, int ndx) {
    const char* f = wrpCsvGetField(id, ndx);
    return f != nullptr ? trim(f) : std::nullopt;
}

// csvCopy: column ndx of the current CSV line exactly as read.
Text csvCopy(int id, int ndx) {
    const char* f = wrpCsvGetField(id, ndx);
    return f != nullptr ? Text(f) : std::nullopt;
}

// csvNumber: the decimal number of column ndx of the current CSV line.
int csvNumber(int id, int ndx) {
    const char* f = wrpCsvGetField(id, ndx);
    return f != nullptr ? fieldNumber(f) : 0;
}

// appendPos: put pos at the end of org's position chain; last is the chain's
// present end (null when empty) and becomes pos.
void appendPos(WardOrg* org, WardPos*& last, WardPos* pos) {
    if (last == nullptr) org->pos = pos;
    else last->next = pos;
    last = pos;
}

// readLine: the next line of fp into buf, counting it in lineno. 0 at end of
// file.
int readLine(std::string& buf, std::FILE* fp, int& lineno) {
    if (!readline(buf, fp)) return 0;
    ++lineno;
    return 1;
}

// ---- The organization CSV export ----

// checkOrgHeader: whether the header's field count fits the unit mode;
// reported otherwise, with the reader's result in rc. An empty file shows up
// as a header of 0 fields.
bool checkOrgHeader(int id, std::FILE* fp, bool stake, int& rc) {
    wrpCsvReadLine(id, fp);
    const int nf = wrpCsvGetNumFields(id);
    if (stake && (nf < StakeHeaderMinFields || nf > StakeOrgFields)) {
        std::fprintf(stderr, "Invalid Stake Org CSV File.  Found %d fields, expected %d\n", nf, StakeOrgFields);
        rc = 3;
        return false;
    }
    if (!stake && nf != WardOrgFields) {
        std::fprintf(stderr, "Invalid Ward Org CSV file.  Found %d fields, expected %d\n", nf, WardOrgFields);
        rc = 4;
        return false;
    }
    return true;
}

// positionLineIsWhole: whether the line just read, with result rc, holds a
// position of the expected width; reported otherwise. Sets stop when
// nothing after it can be read.
bool positionLineIsWhole(int id, int rc, int lineno, int expected, bool& stop) {
    if (rc != 0) {
        if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
        // A line the CSV reader could not split is reported, not taken as the
        // end of the file; only a cut line can be skipped.
        std::fprintf(stderr, "Invalid Organization record at line %d. %s\n", lineno, wrpCsvGetErrMsg());
        stop = wrpCsvGetNumFields(id) <= 0;
        return false;
    }
    const int nf = wrpCsvGetNumFields(id);
    if (nf == expected) return true;
    std::fprintf(stderr, "Invalid Organization record at line %d. Found %d fields, expected %d\n", lineno, nf,
                 expected);
    return false;
}

// The organization being filled, and the end of its position chain.
struct OrgChain {
    WardOrg* org = nullptr;
    WardPos* last = nullptr;
    int num = 0;  // the organization number of the position read last
};

// startOrg: the organization a new organization number starts, named (and in
// a stake placed in its unit) by the current line, and stored. False,
// reported, when it cannot be created.
bool startOrg(int id, bool stake, int num, OrgChain& chain) {
    WardOrg* org = create_ward_org();
    if (org == nullptr) {
        std::fprintf(stderr, "Can't create Org struct\n");
        return false;
    }
    chain = OrgChain{org, nullptr, num};
    org->seq = num;
    org->org = csvText(id, 1);
    if (stake) {
        org->uname = csvCopy(id, 8);
        org->unum = csvCopy(id, 9);
    }
    storeOrg(org);
    return true;
}

// fillPosition: the position's own columns of the current line.
void fillPosition(int id, bool stake, WardPos* pos) {
    pos->seq = csvNumber(id, 2);
    pos->pos = csvText(id, 3);
    const char* ldr = wrpCsvGetField(id, 4);
    pos->isLdr = ldr != nullptr ? ldr[0] : 0;
    pos->memid = csvNumber(id, 5);
    pos->name = csvText(id, 6);
    pos->sus = csvText(id, 7);
    if (stake) {
        pos->uname = csvCopy(id, 8);
        pos->unum = csvCopy(id, 9);
    }
}

// readPosition: the position of one whole line, in the organization its
// number gives (a change of number against the line before starts a new
// one), linked to its holder. Returns 0, or the reader's result when a
// record cannot be created.
int readPosition(int id, bool stake, OrgChain& chain) {
    WardPos* pos = create_ward_pos();
    if (pos == nullptr) {
        std::fprintf(stderr, "Can't create Pos struct\n");
        return 5;
    }
    const int num = csvNumber(id, 0);
    if ((chain.org == nullptr || num != chain.num) && !startOrg(id, stake, num, chain)) {
        delete pos;  // not chained anywhere yet
        return 6;
    }
    chain.num = num;
    appendPos(chain.org, chain.last, pos);
    pos->org = chain.org;
    fillPosition(id, stake, pos);
    // A vacancy (member id 0) stays in its organization only.
    if (pos->memid != 0) storePos(pos);
    return 0;
}

// ---- The callings report ----

// readNameLine: the next block's organization name line; extra empty lines
// between blocks (or before the first) are skipped rather than taken as a
// name. False at the end of the file.
bool readNameLine(std::string& line, std::FILE* fp, int& lineno) {
    do {
        if (!readLine(line, fp, lineno)) return false;
    } while (line.empty());
    return true;
}

// The block being read: its organization, and the counts that number the
// organizations and positions.
struct Block {
    WardOrg* org = nullptr;
    WardPos* last = nullptr;
    Text prevName;  // the previous block's name line exactly as read
    int orgCount = 0;
    int posCount = 0;
};

// orgForBlock: the organization a block fills: the previous block's when
// the name lines are equal exactly, before any trimming, else a new one.
// False, reported, when it cannot be created.
bool orgForBlock(const std::string& name, Block& b) {
    if (!b.prevName || *b.prevName != name) {
        WardOrg* org = create_ward_org();
        if (org == nullptr) {
            std::fprintf(stderr, "readOrgTab: Can't create org struct\n");
            return false;
        }
        org->seq = ++b.orgCount;
        org->org = trim(name.c_str());
        b.org = org;
        b.posCount = 0;
        b.last = nullptr;
        storeOrg(org);
    }
    b.prevName = name;
    return true;
}

// leaderValue: the leader value of a callings type line; anything unexpected
// is reported and counts as other callings.
char leaderValue(const std::string& line) {
    if (line == LeaderCallings) return 1;
    if (line != OtherCallings) std::fprintf(stderr, "readOrgTab: Invalid callings type (%s)\n", line.c_str());
    return 0;
}

// readCallings: the calling lines of a block, up to an empty line or the end
// of the file. Returns 0, or the reader's result when a position cannot be
// created.
int readCallings(std::FILE* fp, int& lineno, char isLdr, Block& b) {
    std::string line;
    while (readLine(line, fp, lineno) && !line.empty()) {
        std::string work = line;  // split in place; line stays whole for messages
        char* flds[OrgTabFields] = {};
        const int nf = split_flds(work.data(), flds, '\t', 0, OrgTabFields);
        if (nf < OrgTabFields) {
            std::fprintf(stderr, "readOrgTab: Only %d fields for line %d (%s)\n", nf, lineno, line.c_str());
            continue;
        }
        // A line beginning with a tab has an empty first field; its columns
        // start one field further right. The count above includes that empty
        // field, and the phone column then is the last of the six.
        const int c = line[0] == '\t' ? 1 : 0;
        WardPos* pos = create_ward_pos();
        if (pos == nullptr) {
            std::fprintf(stderr, "readOrgTab: Unable to create pos struct\n");
            return 4;
        }
        appendPos(b.org, b.last, pos);
        pos->org = b.org;
        pos->seq = ++b.posCount;
        pos->isLdr = isLdr;
        pos->memid = 0;
        pos->pos = trim(flds[c]);
        pos->name = trim(flds[c + 1]);
        pos->sus = trim(flds[c + 2]);
        pos->phone = trim(flds[c + 4]);
        // Without a member id the store finds the holder by name and phone.
        if (!isEmpty(pos->name)) storePos(pos);
    }
    return 0;
}

}  // namespace

int readOrgCSV(const char* fname) {
    // 1. The file and a CSV handle; both are released on every return.
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "Can't open input Org file (%s)\n", fname);
        return 1;
    }
    CsvHandle csv;
    if (csv.id() < 0) {
        std::fprintf(stderr, "Can't create CSV structure\n");
        return 2;
    }

    // 2. The header decides nothing but whether the file fits the unit mode.
    const bool stake = isStake() != 0;
    int rc = 0;
    if (!checkOrgHeader(csv.id(), fp.get(), stake, rc)) return rc;

    // 3. One position per whole line up to the end of the file.
    const int expected = stake ? StakeOrgFields : WardOrgFields;
    OrgChain chain;
    int lineno = 1;
    while ((rc = wrpCsvReadLine(csv.id(), fp.get())) != -1) {
        ++lineno;
        bool stop = false;
        if (!positionLineIsWhole(csv.id(), rc, lineno, expected, stop)) {
            if (stop) break;
            continue;
        }
        if (const int result = readPosition(csv.id(), stake, chain)) return result;
    }
    return 0;
}

int readOrgTab(const char* fname) {
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "readOrgTab: Unable to open input file (%s)\n", fname);
        return 1;
    }
    // Blocks: a name line, a callings type line, a headings line, callings.
    std::string line;
    int lineno = 0;  // every line read so far, headings and empty lines included
    Block b;
    while (readNameLine(line, fp.get(), lineno)) {
        if (!orgForBlock(line, b)) return 2;
        if (!readLine(line, fp.get(), lineno)) {
            std::fprintf(stderr, "readOrgTab: EOF after organization name\n");
            return 3;
        }
        const char isLdr = leaderValue(line);
        if (!readLine(line, fp.get(), lineno)) {
            std::fprintf(stderr, "readOrgTab: EOF instead of column headings.\n");
            return 5;
        }
        if (const int result = readCallings(fp.get(), lineno, isLdr, b)) return result;
    }
    return 0;
}

int readWebOrg(const char*) { return 0; }
