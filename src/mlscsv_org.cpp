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

}  // namespace

int readOrgCSV(const char* fname) {
    // 1. Open the file and a CSV handle; both are released on every return.
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
    const int id = csv.id();

    // 2. The header decides nothing but whether the file fits the unit mode;
    //    an empty file shows up as a header of 0 fields.
    wrpCsvReadLine(id, fp.get());
    int nf = wrpCsvGetNumFields(id);
    const bool stake = isStake() != 0;
    if (stake) {
        if (nf < StakeHeaderMinFields || nf > StakeOrgFields) {
            std::fprintf(stderr, "Invalid Stake Org CSV File.  Found %d fields, expected %d\n", nf, StakeOrgFields);
            return 3;
        }
    } else if (nf != WardOrgFields) {
        std::fprintf(stderr, "Invalid Ward Org CSV file.  Found %d fields, expected %d\n", nf, WardOrgFields);
        return 4;
    }
    const int expected = stake ? StakeOrgFields : WardOrgFields;

    // 3. One position per line up to the end of the file.
    int lineno = 1;
    WardOrg* org = nullptr;
    WardPos* last = nullptr;
    int prevNum = 0;
    int rc;
    while ((rc = wrpCsvReadLine(id, fp.get())) != -1) {
        ++lineno;
        if (rc != 0) {
            if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
            // A line the CSV reader could not split is reported, not taken as
            // the end of the file.
            std::fprintf(stderr, "Invalid Organization record at line %d. %s\n", lineno, wrpCsvGetErrMsg());
            if (wrpCsvGetNumFields(id) <= 0) break;  // only a cut line can be skipped
            continue;
        }
        nf = wrpCsvGetNumFields(id);
        if (nf != expected) {
            std::fprintf(stderr, "Invalid Organization record at line %d. Found %d fields, expected %d\n", lineno,
                         nf, expected);
            continue;
        }

        WardPos* pos = create_ward_pos();
        if (pos == nullptr) {
            std::fprintf(stderr, "Can't create Pos struct\n");
            return 5;
        }

        // 4. A change of organization number against the previous position
        //    starts a new organization, which takes its name (and a stake's
        //    unit) from this line.
        int num = csvNumber(id, 0);
        if (org == nullptr || num != prevNum) {
            WardOrg* next = create_ward_org();
            if (next == nullptr) {
                delete pos;  // not chained anywhere yet
                std::fprintf(stderr, "Can't create Org struct\n");
                return 6;
            }
            org = next;
            last = nullptr;
            org->seq = num;
            org->org = csvText(id, 1);
            if (stake) {
                org->uname = csvCopy(id, 8);
                org->unum = csvCopy(id, 9);
            }
            storeOrg(org);
        }
        prevNum = num;
        appendPos(org, last, pos);

        // 5. The position's own columns.
        pos->org = org;
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

        // 6. A vacancy (member id 0) stays in its organization only.
        if (pos->memid != 0) storePos(pos);
    }
    return 0;
}

int readOrgTab(const char* fname) {
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "readOrgTab: Unable to open input file (%s)\n", fname);
        return 1;
    }

    std::string line;
    int lineno = 0;  // every line read so far, headings and empty lines included
    int orgCount = 0;
    int posCount = 0;
    Text prevName;  // the previous block's name line exactly as read
    WardOrg* org = nullptr;
    WardPos* last = nullptr;

    while (readLine(line, fp.get(), lineno)) {
        // 1. The organization name line. Extra empty lines between blocks (or
        //    before the first) are skipped rather than taken as a name.
        bool atEnd = false;
        while (line.empty()) {
            if (!readLine(line, fp.get(), lineno)) {
                atEnd = true;
                break;
            }
        }
        if (atEnd) break;

        // A block whose name line equals the previous one exactly, before any
        // trimming, continues the same organization.
        if (!prevName || *prevName != line) {
            org = create_ward_org();
            if (org == nullptr) {
                std::fprintf(stderr, "readOrgTab: Can't create org struct\n");
                return 2;
            }
            org->seq = ++orgCount;
            org->org = trim(line.c_str());
            posCount = 0;
            last = nullptr;
            storeOrg(org);
        }
        prevName = line;

        // 2. The callings type line; anything unexpected counts as other
        //    callings.
        if (!readLine(line, fp.get(), lineno)) {
            std::fprintf(stderr, "readOrgTab: EOF after organization name\n");
            return 3;
        }
        char isLdr = 0;
        if (line == LeaderCallings) {
            isLdr = 1;
        } else if (line != OtherCallings) {
            std::fprintf(stderr, "readOrgTab: Invalid callings type (%s)\n", line.c_str());
        }

        // 3. The column headings line is not used.
        if (!readLine(line, fp.get(), lineno)) {
            std::fprintf(stderr, "readOrgTab: EOF instead of column headings.\n");
            return 5;
        }

        // 4. Calling lines up to an empty line or the end of the file.
        while (readLine(line, fp.get(), lineno) && !line.empty()) {
            std::string work = line;  // split in place; line stays whole for messages
            char* flds[OrgTabFields] = {};
            int nf = split_flds(work.data(), flds, '\t', 0, OrgTabFields);
            if (nf < OrgTabFields) {
                std::fprintf(stderr, "readOrgTab: Only %d fields for line %d (%s)\n", nf, lineno, line.c_str());
                continue;
            }
            // A line beginning with a tab has an empty first field; its columns
            // start one field further right. The count above includes that
            // empty field, and the phone column then is the last of the six.
            const int c = line[0] == '\t' ? 1 : 0;

            WardPos* pos = create_ward_pos();
            if (pos == nullptr) {
                std::fprintf(stderr, "readOrgTab: Unable to create pos struct\n");
                return 4;
            }
            appendPos(org, last, pos);
            pos->org = org;
            pos->seq = ++posCount;
            pos->isLdr = isLdr;
            pos->memid = 0;
            pos->pos = trim(flds[c]);
            pos->name = trim(flds[c + 1]);
            pos->sus = trim(flds[c + 2]);
            pos->phone = trim(flds[c + 4]);
            // Without a member id the store finds the holder by name and phone.
            if (!isEmpty(pos->name)) storePos(pos);
        }
    }
    return 0;
}

int readWebOrg(const char*) { return 0; }
