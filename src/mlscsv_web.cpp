// The web directory reader: one household per line with its name, phone,
// up to four address lines and the members' first names. No ids, sexes or
// dates; record numbers are made up from the line's and the member's place.
#include <cstdio>
#include <new>
#include <string>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"
#include "wrpcsv.h"

namespace {

constexpr int WebHeaderFields = 10;
constexpr int WebMinFields = 7;
// Columns: household name, phone, four address lines, then the members.
constexpr int FirstAddrCol = 2;
constexpr int AddrLines = 4;
constexpr int FirstMemberCol = 6;

// setCityLine: the city before the comma, the postal code from the first
// digit after it, the state between them (empty when nothing stands there).
void setCityLine(WardFamily* fam, const std::string& line) {
    const std::size_t comma = line.find(',');
    fam->city = line.substr(0, comma);
    fam->state = std::string();
    if (comma == std::string::npos) return;
    std::size_t from = comma + 1;
    while (from < line.size() && isWhite(line[from])) ++from;
    const std::size_t digit = line.find_first_of("0123456789", from);
    std::string state = line.substr(from, digit == std::string::npos ? std::string::npos : digit - from);
    while (!state.empty() && isWhite(state.back())) state.pop_back();
    fam->state = state;
    if (digit != std::string::npos) fam->zip = line.substr(digit);
}

// setAddress: street lines and the city line from the address columns, by
// the first of the second to fourth that is absent.
void setAddress(WardFamily* fam, const Text (&a)[AddrLines]) {
    Text city;
    if (!a[1]) {
        city = a[0];
    } else if (!a[2]) {
        fam->addr = a[0];
        city = a[1];
    } else if (!a[3]) {
        fam->addr = a[0];
        fam->addr2 = a[1];
        city = a[2];
    } else {
        std::fprintf(stderr, "Too many address lines (3) for family (%s)\n", fixnull(fam->household));
        fam->addr = a[0];
        fam->addr2 = a[1];
        city = a[3];
    }
    setCityLine(fam, fixnull(city));
}

// addMembers: one member per column from the first member column on, the
// head first; with " and " in the household name the second is the spouse.
// Returns false when a member cannot be created.
bool addMembers(WardFamily* fam, int id, int nf, int famNum) {
    const bool couple = fam->household->find(" and ") != std::string::npos;
    WardMember* last = nullptr;
    for (int col = FirstMemberCol, memNum = 1; col < nf; ++col, ++memNum) {
        WardMember* mem = create_ward_member();
        if (mem == nullptr) {
            std::fprintf(stderr, "Can't create member structure for webdir\n");
            return false;
        }
        mem->recno = strprintf("999-%4.4d-%4.4d", famNum, memNum);
        mem->fam = fam;
        mem->lname = fam->lname;
        mem->fname = std::string(wrpCsvGetField(id, col));
        mem->fpname = mem->fname;
        mem->phone = fam->phone;
        if (last == nullptr) {
            mem->type = 1;
            fam->members = mem;
        } else {
            mem->type = last == fam->members && couple ? 2 : 3;
            if (mem->type == 2) fam->spouse = mem->fname;
            last->next = mem;
        }
        mem->fampos = mem->type;
        last = mem;
        storeMember(mem);
    }
    return true;
}

}  // namespace

int readWebMember(const char* fname) {
    // 1. A CSV handle, the file and its header.
    CsvHandle csv;
    const int id = csv.id();
    if (id < 0) {
        std::fprintf(stderr, "Error creating CSV structure\n");
        return 1;
    }
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "Error opening input file (%s)\n", fname);
        return 2;
    }
    if (wrpCsvReadLine(id, fp.get()) == -1) {
        std::fprintf(stderr, "Error reading first line of webdir file\n");
        return 3;
    }
    int nf = wrpCsvGetNumFields(id);
    if (nf != WebHeaderFields) {
        std::fprintf(stderr, "Webdir file has wrong number of fields (%d instead of %d)\n", nf, WebHeaderFields);
        return 4;
    }

    // 2. One household per line.
    int lineno = 1;
    int famNum = 0;
    int rc;
    while ((rc = wrpCsvReadLine(id, fp.get())) != -1) {
        ++lineno;
        if (rc != 0) {
            if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
            // A line the CSV reader could not split is reported, not taken as
            // the end of the file.
            std::fprintf(stderr, "Invalid webdir record at line %d.  %s\n", lineno, wrpCsvGetErrMsg());
            if (wrpCsvGetNumFields(id) <= 0) break;  // only a cut line can be skipped
            continue;
        }
        nf = wrpCsvGetNumFields(id);
        if (nf < WebMinFields) {
            std::fprintf(stderr, "Not enough fields in webdir line (%d instead %d)\n", nf, WebMinFields);
            return 5;
        }
        WardFamily* fam = create_ward_family();
        if (fam == nullptr) {
            std::fprintf(stderr, "Unable to create new family for webdir line\n");
            return 6;
        }
        fam->recno = strprintf("999-%4.4d-%4.4d", ++famNum, 1);

        // The household name "last, first and first": its last name.
        fam->household = std::string(wrpCsvGetField(id, 0));
        const std::size_t comma = fam->household->find(',');
        if (comma == std::string::npos) {
            std::fprintf(stderr, "Last name missing from webdir line (%s)\n", fam->household->c_str());
            free_ward_family(fam);
            continue;
        }
        fam->lname = fam->household->substr(0, comma);
        fam->lpname = fam->lname;

        fam->phone = trim(wrpCsvGetField(id, 1));
        Text addr[AddrLines];
        for (int i = 0; i < AddrLines; ++i) addr[i] = trim(wrpCsvGetField(id, FirstAddrCol + i));
        setAddress(fam, addr);

        fam->fname = std::string(wrpCsvGetField(id, FirstMemberCol));
        fam->fpname = fam->fname;
        if (fam->household->find(" and ") != std::string::npos && nf > FirstMemberCol + 1)
            fam->spouse = std::string(wrpCsvGetField(id, FirstMemberCol + 1));
        if (!addMembers(fam, id, nf, famNum)) return 7;  // the family of a failed line is not stored
        storeFamilySorted(fam);
    }
    return 0;
}
