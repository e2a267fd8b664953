// The membership CSV reader: one row per person, the rows of a household
// together with the head of household first. The header decides the layout
// and whether the data describe a ward or a stake.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include <strings.h>

#include "data.h"
#include "mlscsv.h"
#include "splitfld.h"
#include "ward_list.h"
#include "wrpcsv.h"

namespace {

// Column positions that differ between the layouts.
struct Layout {
    int emailCol;   // member e-mail, -1 when the layout has none
    int addrCol;    // first of the fourteen address columns
    int geoCol;     // ward geo code (stake geo code follows), -1 when none
    int sexCol;     // sex; dates and flags follow it in a fixed order
    int unitCol;    // unit name (unit number follows), -1 when none
    int oldUnit;    // 1 when the layout lacks the geo codes
};

// Most pieces a name field is split into: last, first, suffix and extras.
constexpr int MaxNameParts = 5;

// chooseLayout: the layout of a header, setting the unit mode. False when the
// header is not one of the five accepted ones.
bool chooseLayout(int id, int nflds, Layout& out) {
    const char* f24 = wrpCsvGetField(id, 24);
    switch (nflds) {
    case 36: setStake(0); out = {-1, 10, -1, 24, -1, 1}; return true;
    case 38:
        if (f24 != nullptr && strcasecmp(f24, "Sex") == 0) {
            setStake(1);
            out = {-1, 10, -1, 24, 36, 1};
            return true;
        }
        if (f24 != nullptr && strcasecmp(f24, "Ward GEO Code") == 0) {
            setStake(0);
            out = {-1, 10, 24, 26, -1, 0};
            return true;
        }
        return false;
    case 39: setStake(0); out = {10, 11, 25, 27, -1, 0}; return true;
    case 40: setStake(1); out = {-1, 10, 24, 26, 38, 0}; return true;
    default: return false;
    }
}

// Name parts of a "last, first, suffix" field; missing parts stay absent.
struct Names {
    Text last, first, suffix;
};

// splitNames: the parts of a name field, cut in place in the CSV reader's
// own field text (a dump of the line then shows the cut field).
Names splitNames(char* field) {
    char* parts[MaxNameParts];
    int n = split_flds(field, parts, ',', 1, MaxNameParts);
    Names names;
    if (n >= 1) trimInto(names.last, parts[0]);
    if (n >= 2) trimInto(names.first, parts[1]);
    if (n >= 3) trimInto(names.suffix, parts[2]);
    return names;
}

// flag: the first character of a field, 0 when it is empty.
char flag(const char* field) { return field[0]; }

// askOperator: report a sex value that is neither 'M' nor 'F' and let the
// operator stop the run (q or Q) or go on.
void askOperator(int id, WardMember* mem, char sex, int col, int oldUnit, int lineNo) {
    std::fprintf(stderr, "Invalid value for sex ['%c' - X'%2.2X'] (fldNum=%d, oldUnit=%d) at line %d - File corrupted?\n",
                 sex, static_cast<unsigned char>(sex), col + 1, oldUnit, lineNo);
    dump_csv(id, stderr);
    dumpWardMember(mem, stderr);
    std::fflush(stderr);
    std::printf("Press ENTER to continue: ");
    std::fflush(stdout);
    std::string answer;
    if (readline(answer, stdin) && (answer[0] == 'q' || answer[0] == 'Q')) std::exit(9);
}

// The household being read and whether it already reached the store. A
// family goes to the store exactly once, even when its rows are out of order
// or a second head of household repeats its household id.
struct Household {
    WardFamily* fam = nullptr;
    bool stored = false;

    void store() {
        if (fam != nullptr && !stored) storeFamilySorted(fam);
        stored = true;
    }
};

}  // namespace

int readMemberCSV(const char* fname) {
    // 1. A CSV handle and the file.
    CsvHandle csv;
    const int id = csv.id();
    if (id < 0) {
        std::fprintf(stderr, "Error creating CSV structure\n");
        return 1;
    }
    InFile file(fname);
    if (!file) {
        std::fprintf(stderr, "Error opening input file (%s)\n", fname);
        return 2;
    }
    std::FILE* fp = file.get();

    // 2. The header picks the layout and the unit mode.
    wrpCsvReadLine(id, fp);
    const int nflds = wrpCsvGetNumFields(id);
    Layout lay;
    if (!chooseLayout(id, nflds, lay)) {
        std::fprintf(stderr, "Invalid Membership CSV file.  Found %d fields, expected %d, %d, or %d\n", nflds, 36, 38,
                     40);
        return 3;
    }

    // 3. One member per row.
    const RunDate today = runDate();  // every age of the file is counted to it
    Household house;
    int prevFamid = -1;
    int lineNo = 1;
    int rc;
    while ((rc = wrpCsvReadLine(id, fp)) != -1) {
        ++lineNo;
        if (rc != 0) {
            if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
            // A line the CSV reader could not split is reported, not taken as
            // the end of the file.
            std::fprintf(stderr, "Invalid Membership record at line %d.  %s\n", lineNo, wrpCsvGetErrMsg());
            if (wrpCsvGetNumFields(id) <= 0) break;  // only a cut line can be skipped
            continue;
        }
        const int got = wrpCsvGetNumFields(id);
        if (got != nflds) {
            std::fprintf(stderr, "Invalid Membership record at line %d.  Found %d fields, expected %d\n", lineNo, got,
                         nflds);
            continue;
        }
        auto fld = [id](int col) { return wrpCsvGetField(id, col); };

        // 3.2 Identity and names.
        WardMember* mem = create_ward_member();
        if (mem == nullptr) {
            std::fprintf(stderr, "Error creating WardMember\n");
            return 4;
        }
        mem->memid = fieldNumber(fld(0));
        Names full = splitNames(fld(1));
        mem->lname = std::move(full.last);
        mem->fname = std::move(full.first);
        mem->suff = std::move(full.suffix);
        if (isEmpty(fld(2))) {
            mem->lpname = mem->lname;
            mem->fpname = mem->fname;
            mem->spname = mem->suff;
        } else {
            Names pref = splitNames(fld(2));
            mem->lpname = std::move(pref.last);
            mem->fpname = std::move(pref.first);
            mem->spname = std::move(pref.suffix);
        }
        if (!isEmpty(fld(3))) mem->recno = std::string_view(fld(3));
        mem->famid = fieldNumber(fld(4));

        // 3.3 A new household id closes the household before it.
        if (mem->famid != prevFamid) {
            house.store();
            prevFamid = mem->famid;
        }

        // 3.4 The relationship; a head of household starts a family.
        const char* rel = fld(5);
        const bool head = std::strcmp(rel, "Head of Household") == 0;
        if (head) {
            house.store();
            WardFamily* fam = create_ward_family();
            if (fam == nullptr) {
                std::fprintf(stderr, "Error creating WardFamily\n");
                free_ward_member(mem);
                return 5;
            }
            house = Household{fam, false};
            fam->famid = mem->famid;
            fam->lname = mem->lpname;
            fam->fname = mem->fpname;
            fam->suff = mem->suff;
            mem->type = 1;
        } else if (std::strcmp(rel, "Spouse") == 0) {
            mem->type = 2;
        } else {
            mem->type = 3;
        }
        WardFamily* fam = house.fam;
        if (fam == nullptr) {
            // Nothing to attach the row to: the export does not start with a
            // head of household.
            std::fprintf(stderr, "Membership record at line %d comes before any Head of Household; skipped\n",
                         lineNo);
            free_ward_member(mem);
            continue;
        }
        if (mem->type == 2) fam->spouse = mem->fpname;

        // 3.5 - 3.7 Family link, phones, e-mail and, on the head's row, the address.
        mem->fam = fam;
        mem->fampos = fieldNumber(fld(6));
        if (head) trimInto(fam->phone, fld(7));
        mem->phone = fam->phone;
        trimInto(mem->phone2, fld(8));
        if (head) trimInto(fam->email, fld(9));
        if (lay.emailCol >= 0) trimInto(mem->email, fld(lay.emailCol));
        if (head) {
            Text* address[] = {&fam->addr,  &fam->addr2,  &fam->dp,  &fam->city,  &fam->zip,
                               &fam->state, &fam->country, &fam->xaddr, &fam->xaddr2, &fam->xdp,
                               &fam->xcity, &fam->xzip,  &fam->xstate, &fam->xcountry};
            int col = lay.addrCol;
            for (Text* t : address) trimInto(*t, fld(col++));
            fam->phone2 = mem->phone2;
            if (!lay.oldUnit) {
                trimInto(fam->ugeo, fld(lay.geoCol));
                trimInto(fam->sgeo, fld(lay.geoCol + 1));
            }
        }

        // 3.8 Sex, stopping for the operator on anything but M or F.
        int col = lay.sexCol;
        mem->sex = flag(fld(col));
        if (mem->sex != 'M' && mem->sex != 'F') {
            askOperator(id, mem, mem->sex, col, lay.oldUnit, lineNo);
            mem->sex = '?';
        }

        // 3.9 - 3.10 Dates, age, priesthood and the flags.
        parse_date(fld(++col), mem->birth);
        parse_date(fld(++col), mem->baptism);
        parse_date(fld(++col), mem->confirm);
        parse_date(fld(++col), mem->endowed);
        parse_date(fld(++col), mem->recexp);
        mem->age = calcAge(mem->birth, today);
        trimInto(mem->stat, fld(++col));
        mem->ftmiss = flag(fld(++col));
        trimInto(mem->marital, fld(++col));
        mem->spousemem = flag(fld(++col));
        mem->sealcurr = flag(fld(++col));
        mem->sealprev = flag(fld(++col));

        // 3.11 In a stake the household's last row names its unit.
        if (isStake() && lay.unitCol >= 0) {
            trimInto(fam->uname, fld(lay.unitCol));
            trimInto(fam->unum, fld(lay.unitCol + 1));
        }

        // 3.12 Chain and store the member at once.
        add_member_to_family(fam, mem);
        storeMember(mem);
    }

    // 4. The last household.
    house.store();
    return 0;
}
