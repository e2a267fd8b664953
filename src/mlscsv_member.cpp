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
    std::fprintf(stderr, "Invalid value for sex ['%s' - X'%2.2X'] (fldNum=%d, oldUnit=%d) at line %d - File corrupted?\n",
                 FlagText(sex).s, static_cast<unsigned char>(sex), col + 1, oldUnit, lineNo);
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

// The state of one read of the file.
struct Rows {
    int id;         // the CSV reader holding the current line
    int nflds;      // the header's field count, which every row must have
    Layout lay;
    RunDate today;  // every age of the file is counted to it
    Household house;
    int prevFamid = -1;
    int lineNo = 1;
    bool anyHead = false;  // a head of household's row has been read

    // fld: column col of the current row; "" for the last column of a row
    // that a spreadsheet saved without its empty last field.
    char* fld(int col) const {
        static char none[1] = "";
        char* f = wrpCsvGetField(id, col);
        return f != nullptr ? f : none;
    }
};

// readHeader: the header line picks the layout and the unit mode. False,
// reported, when it is not one of the accepted ones.
bool readHeader(int id, std::FILE* fp, int& nflds, Layout& lay) {
    wrpCsvReadLine(id, fp);
    nflds = wrpCsvGetNumFields(id);
    if (chooseLayout(id, nflds, lay)) return true;
    std::fprintf(stderr, "Invalid Membership CSV file.  Found %d fields, expected %d, %d, or %d\n", nflds, 36, 38, 40);
    return false;
}

// rowIsWhole: whether the line just read, with result rc, holds a member of
// the header's width; a line that does not is reported. Sets stop when
// nothing after it can be read.
bool rowIsWhole(const Rows& r, int rc, bool& stop) {
    if (rc != 0) {
        if (rc == -12) throw std::bad_alloc();  // ends the run: nothing is lost quietly
        // A line the CSV reader could not split is reported, not taken as the
        // end of the file; only a cut line can be skipped.
        std::fprintf(stderr, "Invalid Membership record at line %d.  %s\n", r.lineNo, wrpCsvGetErrMsg());
        stop = wrpCsvGetNumFields(r.id) <= 0;
        return false;
    }
    const int got = wrpCsvGetNumFields(r.id);
    if (got == r.nflds) return true;
    // A spreadsheet writes an empty last field as nothing after the last
    // comma, which the CSV reader does not count. A piece of a longer line
    // fills the reader's whole line and is not a row, whatever it ends in.
    const char* text = wrpCsvGetLine(r.id);
    const std::size_t len = text != nullptr ? std::strlen(text) : 0;
    if (got == r.nflds - 1 && len > 0 && len < MaxLineChars && text[len - 1] == ',') return true;
    std::fprintf(stderr, "Invalid Membership record at line %d.  Found %d fields, expected %d\n", r.lineNo, got,
                 r.nflds);
    return false;
}

// readIdentity: member id, full and preferred names, record number and
// household id (columns 0 to 4).
void readIdentity(const Rows& r, WardMember* mem) {
    mem->memid = fieldNumber(r.fld(0));
    Names full = splitNames(r.fld(1));
    mem->lname = std::move(full.last);
    mem->fname = std::move(full.first);
    mem->suff = std::move(full.suffix);
    if (isEmpty(r.fld(2))) {
        mem->lpname = mem->lname;
        mem->fpname = mem->fname;
        mem->spname = mem->suff;
    } else {
        Names pref = splitNames(r.fld(2));
        mem->lpname = std::move(pref.last);
        mem->fpname = std::move(pref.first);
        mem->spname = std::move(pref.suffix);
    }
    if (!isEmpty(r.fld(3))) mem->recno = std::string_view(r.fld(3));
    mem->famid = fieldNumber(r.fld(4));
}

// startFamily: the family a head of household begins, named after its head.
// False, reported, when it cannot be created.
bool startFamily(Rows& r, const WardMember* head) {
    r.house.store();
    WardFamily* fam = create_ward_family();
    if (fam == nullptr) {
        std::fprintf(stderr, "Error creating WardFamily\n");
        return false;
    }
    r.house = Household{fam, false};
    fam->famid = head->famid;
    fam->lname = head->lpname;
    fam->fname = head->fpname;
    fam->suff = head->suff;
    return true;
}

// readContacts: phones and e-mails; the head's row gives the family's.
void readContacts(const Rows& r, WardMember* mem, WardFamily* fam, bool head) {
    if (head) trimInto(fam->phone, r.fld(7));
    mem->phone = fam->phone;
    trimInto(mem->phone2, r.fld(8));
    if (head) trimInto(fam->email, r.fld(9));
    if (r.lay.emailCol >= 0) trimInto(mem->email, r.fld(r.lay.emailCol));
}

// readAddress: the head's row gives the family its two addresses, second
// phone and geo codes.
void readAddress(const Rows& r, const WardMember* mem, WardFamily* fam) {
    Text* address[] = {&fam->addr,  &fam->addr2,   &fam->dp,    &fam->city,   &fam->zip,
                       &fam->state, &fam->country, &fam->xaddr, &fam->xaddr2, &fam->xdp,
                       &fam->xcity, &fam->xzip,    &fam->xstate, &fam->xcountry};
    int col = r.lay.addrCol;
    for (Text* t : address) trimInto(*t, r.fld(col++));
    fam->phone2 = mem->phone2;
    if (!r.lay.oldUnit) {
        trimInto(fam->ugeo, r.fld(r.lay.geoCol));
        trimInto(fam->sgeo, r.fld(r.lay.geoCol + 1));
    }
}

// readSex: the sex column, stopping for the operator on anything but M or F.
void readSex(const Rows& r, WardMember* mem) {
    mem->sex = flag(r.fld(r.lay.sexCol));
    if (mem->sex == 'M' || mem->sex == 'F') return;
    askOperator(r.id, mem, mem->sex, r.lay.sexCol, r.lay.oldUnit, r.lineNo);
    mem->sex = '?';
}

// readDatesAndFlags: the five dates and the age, priesthood and the flags,
// in the columns after the sex column.
void readDatesAndFlags(const Rows& r, WardMember* mem) {
    int col = r.lay.sexCol;
    for (mls_date* d : {mem->birth, mem->baptism, mem->confirm, mem->endowed, mem->recexp}) parse_date(r.fld(++col), d);
    mem->age = calcAge(mem->birth, r.today);
    trimInto(mem->stat, r.fld(++col));
    mem->ftmiss = flag(r.fld(++col));
    trimInto(mem->marital, r.fld(++col));
    mem->spousemem = flag(r.fld(++col));
    mem->sealcurr = flag(r.fld(++col));
    mem->sealprev = flag(r.fld(++col));
}

// readMember: build and store the member of one whole row. Returns 0, or
// the reader's result when a record cannot be created.
int readMember(Rows& r) {
    // 1. Who it is; a new household id closes the household before it.
    WardMember* mem = create_ward_member();
    if (mem == nullptr) {
        std::fprintf(stderr, "Error creating WardMember\n");
        return 4;
    }
    readIdentity(r, mem);
    if (mem->famid != r.prevFamid) {
        // The household before ends here; a household without its own head
        // of household's row has no family to join.
        r.house.store();
        r.house = Household();
        r.prevFamid = mem->famid;
    }

    // 2. The relationship; a head of household starts a family.
    const char* rel = r.fld(5);
    const bool head = std::strcmp(rel, "Head of Household") == 0;
    mem->type = head ? 1 : std::strcmp(rel, "Spouse") == 0 ? 2 : 3;
    if (head && !startFamily(r, mem)) {
        free_ward_member(mem);
        return 5;
    }
    if (head) r.anyHead = true;
    WardFamily* fam = r.house.fam;
    if (fam == nullptr) {
        // Nothing to attach the row to: no head of household's row has been
        // read, or none for this household (its own was rejected).
        if (r.anyHead)
            std::fprintf(stderr,
                         "Membership record at line %d: its household has no Head of Household row before it; "
                         "skipped\n",
                         r.lineNo);
        else
            std::fprintf(stderr, "Membership record at line %d comes before any Head of Household; skipped\n",
                         r.lineNo);
        free_ward_member(mem);
        return 0;
    }
    if (mem->type == 2) fam->spouse = mem->fpname;

    // 3. The member's own columns, and the family's on the head's row.
    mem->fam = fam;
    mem->fampos = fieldNumber(r.fld(6));
    readContacts(r, mem, fam, head);
    if (head) readAddress(r, mem, fam);
    readSex(r, mem);
    readDatesAndFlags(r, mem);
    // In a stake the household's last row names its unit.
    if (isStake() && r.lay.unitCol >= 0) {
        trimInto(fam->uname, r.fld(r.lay.unitCol));
        trimInto(fam->unum, r.fld(r.lay.unitCol + 1));
    }

    // 4. Chain and store the member at once.
    add_member_to_family(fam, mem);
    storeMember(mem);
    return 0;
}

}  // namespace

int readMemberCSV(const char* fname) {
    // 1. A CSV handle and the file.
    CsvHandle csv;
    if (csv.id() < 0) {
        std::fprintf(stderr, "Error creating CSV structure\n");
        return 1;
    }
    InFile file(fname);
    if (!file) {
        std::fprintf(stderr, "Error opening input file (%s)\n", fname);
        return 2;
    }

    // 2. The header picks the layout and the unit mode.
    Rows r{csv.id(), 0, {}, runDate(), {}};
    if (!readHeader(r.id, file.get(), r.nflds, r.lay)) return 3;

    // 3. One member per whole row; the last household goes to the store at
    //    the end.
    for (int rc; (rc = wrpCsvReadLine(r.id, file.get())) != -1;) {
        ++r.lineNo;
        bool stop = false;
        if (!rowIsWhole(r, rc, stop)) {
            if (stop) break;
            continue;
        }
        if (const int result = readMember(r)) return result;
    }
    r.house.store();
    return 0;
}
