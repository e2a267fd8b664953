// The teaching assignment readers: the home and visiting teaching CSV exports
// and the tab-separated text files that add visit percentages and the
// assignments the exports did not cover. Every assignment is linked to the
// family it teaches and stored in report order.
#include <cstdio>
#include <new>
#include <string>

#include "data.h"
#include "mlscsv.h"
#include "splitfld.h"
#include "ward_list.h"
#include "wrpcsv.h"

namespace {

// Field counts of the exports: the longer layout of each kind adds the
// e-mail columns of supervisor and teachers and drops the second phone.
constexpr int HTShortFields = 20;
constexpr int HTLongFields = 22;
constexpr int VTShortFields = 19;
constexpr int VTLongFields = 21;

// The text files: lines split at tabs into at most this many fields, of
// which a header needs at least, and every other line should have exactly,
// TxtFields.
constexpr int TxtMaxFields = 10;
constexpr int TxtFields = 7;

// Columns of the home teaching export, counted from 0; -1 where the layout
// has no such column. The visiting teaching export has no group column and
// every other column one place further left.
struct Columns {
    int group, dist, sup, sphone, semail, pair;
    int name, phone, email, cname, cphone, cemail;
    int household, phone1, phone2, hemail;
    int addr1, addr2, dp, city, zip, state, country;
};
constexpr Columns HTShort = {0, 1, 2, 3, -1, 4, 5, 6, -1, 7, 8, -1, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
constexpr Columns HTLong = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -1, 14, 15, 16, 17, 18, 19, 20, 21};

// Reads the columns of the current record of one CSV id for one kind.
struct Record {
    int id;
    int shift;  // 0 for home teaching, -1 for visiting teaching

    const char* field(int col) const { return col < 0 ? nullptr : wrpCsvGetField(id, col + shift); }
    Text text(int col) const {
        const char* f = field(col);
        return f != nullptr ? trim(f) : std::nullopt;
    }
    int number(int col) const {
        const char* f = field(col);
        return f != nullptr ? fieldNumber(f) : 0;
    }
};

// linkHTFamily: find the family of a home teaching household, written
// "last, first & spouse", by the part before the "&" and the phone.
void linkHTFamily(HTDist* ht) {
    Text cut = ht->household;
    if (cut) {
        std::size_t amp = cut->find('&');
        // The blank before the "&" goes too; a text that begins with "&"
        // leaves an empty name.
        if (amp != std::string::npos) cut = cut->substr(0, amp > 0 ? amp - 1 : 0);
    }
    WardFamily* fam = find_family_phone(textOrNull(cut), textOrNull(ht->phone1));
    if (fam == nullptr) {
        std::fprintf(stderr, "Unable to find %s family (%s|%s - %s)\n", nullstr(ht->htgroup), nullstr(ht->household),
                     nullstr(cut), fixnull(ht->phone1));
        return;
    }
    ht->fam = fam;
    fam->htdist = ht;
}

// linkVTSister: find the sister of a visiting teaching assignment by name and
// phone; her family is the one taught.
void linkVTSister(HTDist* ht) {
    ht->mem = find_member_phone(textOrNull(ht->household), textOrNull(ht->phone1));
    if (ht->mem == nullptr) {
        std::fprintf(stderr, "Unable to find member for %s sister (%s - %s)\n", nullstr(ht->htgroup),
                     nullstr(ht->household), fixnull(ht->phone1));
        return;
    }
    if (ht->mem->fam == nullptr) {
        std::fprintf(stderr, "Member %s doesn't have a family associated\n", nullstr(ht->household));
        return;
    }
    ht->fam = ht->mem->fam;
    ht->fam->vtdist = ht;
}

// readTeachingCSV: the loop both exports share; htvt 1 home, 2 visiting
// teaching.
int readTeachingCSV(const char* fname, int htvt) {
    const bool home = htvt == 1;
    const int shortFields = home ? HTShortFields : VTShortFields;
    const int longFields = home ? HTLongFields : VTLongFields;

    // 1. Nothing is read from the exports of a stake.
    if (isStake()) {
        if (home) std::fprintf(stderr, "Not reading HT list since these are Stake files\n");
        else std::fprintf(stderr, "Not reading VT list since these are Stake files\n");
        return 1;
    }

    // 2. The file and a CSV handle, both released on every return.
    InFile fp(fname);
    if (!fp) {
        if (home) std::fprintf(stderr, "Can't open input HT file (%s)\n", fname);
        else std::fprintf(stderr, "Can't open input VT file (%s)\n", fname);
        return 2;
    }
    CsvHandle csv;
    const int id = csv.id();
    if (id < 0) {
        std::fprintf(stderr, "Can't create CSV structure\n");
        return 3;
    }

    // 3. The header's width decides whether the file is read at all; an empty
    //    file shows up as a header of 0 fields.
    wrpCsvReadLine(id, fp.get());
    int nf = wrpCsvGetNumFields(id);
    if (nf != shortFields && nf != longFields) {
        if (home) std::fprintf(stderr, "Invalid HT CSV file.  Found %d fields, expected %d.\n", nf, HTShortFields);
        else std::fprintf(stderr, "Invalid VT CSV file.  Found %d fields, expected %d or %d\n", nf, VTShortFields,
                          VTLongFields);
        return 4;
    }

    // 4. One assignment per record; the header is line 1.
    int lineno = 1;
    int rc;
    while ((rc = wrpCsvReadLine(id, fp.get())) != -1) {
        ++lineno;
        if (rc != 0) {
            if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
            // A line the CSV reader could not split is reported, not taken as
            // the end of the file.
            if (home) std::fprintf(stderr, "Invalid HT record at line %d.  %s\n", lineno, wrpCsvGetErrMsg());
            else std::fprintf(stderr, "Invalid VT record at line %d.  %s\n", lineno, wrpCsvGetErrMsg());
            if (wrpCsvGetNumFields(id) <= 0) break;  // only a cut line can be skipped
            continue;
        }
        nf = wrpCsvGetNumFields(id);
        if (nf != shortFields && nf != longFields) {
            if (home)
                std::fprintf(stderr, "Invalid HT record at line %d.  Found %d fields, expected %d or %d\n", lineno, nf,
                             HTShortFields, HTLongFields);
            else
                std::fprintf(stderr, "Invalid VT record at line %d.  Found %d fields, expected %d or %d\n", lineno, nf,
                             VTShortFields, VTLongFields);
            continue;
        }
        HTDist* ht = parseht(id, htvt);
        if (ht == nullptr) continue;
        if (home) storeHT(ht);
        else storeVT(ht);
    }
    return 0;
}

// txtField: field n (from 0) of a text-file line; a field the line does not
// have reads as the empty text.
const char* txtField(char* const* flds, int nf, int n) { return n < nf ? flds[n] : ""; }

// findTxtFamily: the family a text-file line names: by household name (HT)
// or sister (VT), else by an adult with the names before any "&".
WardFamily* findTxtFamily(const char* names, int htsw) {
    WardFamily* fam = find_family_names(names, htsw);
    if (fam != nullptr) return fam;
    std::string cut = names;
    std::size_t amp = cut.find('&');
    if (amp != std::string::npos) {
        cut.resize(amp);
        while (!cut.empty() && isWhite(cut.back())) cut.pop_back();
    }
    std::size_t comma = cut.find(',');
    if (comma == std::string::npos) return nullptr;
    std::size_t first = comma + 1;
    while (first < cut.size() && isWhite(cut[first])) ++first;
    WardMember* mem = find_member_adult(cut.substr(0, comma).c_str(), cut.c_str() + first);
    return mem != nullptr ? mem->fam : nullptr;
}

// newTxtAssignment: an assignment for a family the export did not cover:
// teachers cut from "first / companion", the percentage, no group, district
// or companionship number.
HTDist* newTxtAssignment(WardFamily* fam, const char* pair, const char* pct) {
    HTDist* ht = create_htdist();
    if (ht == nullptr) return nullptr;
    std::string companions = pair;
    ht->pairname = companions;
    std::size_t slash = companions.find('/');
    if (slash == std::string::npos) {
        ht->htname = companions;
    } else {
        // The blank before the "/" goes; a field that begins with "/" leaves
        // an empty first name.
        ht->htname = companions.substr(0, slash > 0 ? slash - 1 : 0);
        std::size_t c = slash + 1;
        while (c < companions.size() && isWhite(companions[c])) ++c;
        ht->htcname = companions.substr(c);
    }
    ht->htpct = fieldNumber(pct);
    ht->fam = fam;
    ht->household = fam->household;
    return ht;
}

}  // namespace

int readHTCSV(const char* fname) { return readTeachingCSV(fname, 1); }

int readVTCSV(const char* fname) { return readTeachingCSV(fname, 2); }

HTDist* parseht(int csv, int htvt) {
    // 1. The record.
    HTDist* ht = create_htdist();
    if (ht == nullptr) {
        std::fprintf(stderr, "Unable to create HTDist structure\n");
        return nullptr;
    }

    // 2. The columns of the record's layout.
    const bool home = htvt == 1;
    const int nf = wrpCsvGetNumFields(csv);
    const Columns& c = nf == HTLongFields || nf == VTLongFields ? HTLong : HTShort;
    const Record r{csv, home ? 0 : -1};
    ht->htgroup = home ? r.text(c.group) : Text("RS");
    ht->htdist = r.number(c.dist);
    ht->htsup = r.text(c.sup);
    ht->htsphone = r.text(c.sphone);
    ht->htsemail = r.text(c.semail);
    ht->htpair = r.number(c.pair);
    ht->htname = r.text(c.name);
    ht->htphone = r.text(c.phone);
    ht->htemail = r.text(c.email);
    ht->htcname = r.text(c.cname);
    ht->htcphone = r.text(c.cphone);
    ht->htcemail = r.text(c.cemail);
    ht->household = r.text(c.household);
    ht->phone1 = r.text(c.phone1);
    ht->phone2 = r.text(c.phone2);
    ht->email = r.text(c.hemail);
    ht->addr1 = r.text(c.addr1);
    ht->addr2 = r.text(c.addr2);
    ht->dp = r.text(c.dp);
    ht->city = r.text(c.city);
    ht->zip = r.text(c.zip);
    ht->state = r.text(c.state);
    ht->country = r.text(c.country);

    // 3. The teachers; one not found stays unlinked, silently.
    ht->htmem = find_member_phone(textOrNull(ht->htname), textOrNull(ht->htphone));
    ht->htcmem = find_member_phone(textOrNull(ht->htcname), textOrNull(ht->htcphone));

    // 4. Whom it teaches.
    if (home) linkHTFamily(ht);
    else linkVTSister(ht);
    return ht;
}

int readHTTXT(const char* fname, int htsw) {
    const char* kind = htsw ? "HT" : "VT";

    // 1. The file; its absence is normal.
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "Can't open HT txt file (%s)\n", fname);
        return 1;
    }

    // 2. The header: its texts are not used, but it needs enough fields.
    std::string line;
    if (!readpiece(line, fp.get())) {
        std::fprintf(stderr, "Empty HT txt file (%s)\n", fname);
        return 2;
    }
    char* flds[TxtMaxFields] = {};
    if (split_flds(line.data(), flds, '\t', 0, TxtMaxFields) < TxtFields) {
        std::fprintf(stderr, "No enough fields in HT txt file (%s)\n", fname);
        return 3;
    }

    // 3. One family per line: family, companionship, percentage.
    while (readpiece(line, fp.get())) {
        int nf = split_flds(line.data(), flds, '\t', 0, TxtMaxFields);
        if (nf != TxtFields) std::fprintf(stderr, "Invalid HT line (%d fields instead of %d)\n", nf, TxtFields);
        const char* names = txtField(flds, nf, 0);
        const char* pair = txtField(flds, nf, 1);
        const char* pct = txtField(flds, nf, 2);

        WardFamily* fam = findTxtFamily(names, htsw);
        if (fam == nullptr) {
            std::fprintf(stderr, "No match found for %s family (%s)\n", kind, names);
            continue;
        }

        // A family the export already covers only gets the percentage.
        HTDist*& current = htsw ? fam->htdist : fam->vtdist;
        if (current != nullptr) {
            current->htpct = fieldNumber(pct);
            current->visits = nf > 2 ? Text(pct) : std::nullopt;
            continue;
        }

        HTDist* ht = newTxtAssignment(fam, pair, pct);
        if (ht == nullptr) {
            std::fprintf(stderr, "Can't create HTDist structure for %s\n", names);
            continue;
        }
        current = ht;
        if (htsw) storeHT(ht);
        else storeVT(ht);
    }
    return 0;
}
