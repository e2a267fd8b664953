// The unit directory reader: a tab-separated print of the unit directory.
// A row that begins with anything but white space starts a family group; the
// group's first rows describe the household (address, city line, phones,
// e-mail), and its member columns list the people. The print has no ids, so
// record numbers are made up from the family's and the member's place.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "splitfld.h"
#include "ward_list.h"

namespace {

// Fields of a row: the household column and four member columns, and one
// more so that a sixth field does not run into the fifth.
constexpr int RowFields = 6;
// A family row needs the last name, the first member's name and sex.
constexpr int FamilyRowFields = 3;
// The household block is walked in six steps.
constexpr int HouseholdSteps = 6;

// Family and member numbers of the made-up record numbers.
int nfam = 0;
int nmem = 0;

// Columns of one row; a column the row does not have is the empty text.
struct Row {
    std::string text;  // the row, cut into fields in place
    char* flds[RowFields] = {};
    int nf = 0;

    explicit Row(const std::string& line) : text(line) { nf = split_flds(text.data(), flds, '\t', 0, RowFields); }
    Row(const Row&) = delete;
    Row& operator=(const Row&) = delete;
    const char* col(int n) const { return n < nf ? flds[n] : ""; }
};

// recordNumber: the next made-up record number of the current family.
std::string recordNumber() { return strprintf("999-%4.4d-%4.4d", nfam, nmem++); }

const char* skipWhite(const char* p) {
    while (isWhite(*p)) ++p;
    return p;
}

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// setCityLine: the city before the comma; a two-letter state and the postal
// code after it when the state stands alone.
void setCityLine(WardFamily* fam, const std::string& line) {
    std::size_t comma = line.find(',');
    fam->city = line.substr(0, comma);
    if (comma == std::string::npos) return;
    const char* p = skipWhite(line.c_str() + comma + 1);
    if (!isLetter(p[0]) || !isLetter(p[1]) || !isWhite(p[2])) return;
    fam->state = std::string(p, 2);
    fam->zip = std::string(skipWhite(p + 2));
}

// walkHousehold: the household block, rows 1 up to the first row that
// begins with a tab, read in six steps that each take at most one row.
void walkHousehold(WardFamily* fam, const std::vector<std::string>& rows) {
    std::size_t end = 1;
    while (end < rows.size() && (rows[end].empty() || rows[end][0] != '\t')) ++end;
    std::size_t c = 1;
    auto text = [&rows, &c]() { return std::string(Row(rows[c]).col(0)); };
    for (int step = 1; step <= HouseholdSteps && c < end; ++step) {
        const std::string t = text();
        const bool zip = looks_like_zip_line(t.c_str()) != 0;
        const bool phone = looks_like_phone_line(t.c_str()) != 0;
        const bool email = looks_like_email_line(t.c_str()) != 0;
        switch (step) {
        case 1:
            if (zip || phone) continue;
            fam->addr = t;
            break;
        case 2:
            if (zip || phone || email) continue;
            fam->addr2 = t;
            break;
        case 3:
            if (!zip) continue;
            setCityLine(fam, t);
            break;
        case 4:
            if (email) fam->email = t;
            else fam->phone = t;
            break;
        case 5:
            // An e-mail address after the phone is the e-mail, not a phone.
            if (email && !fam->email) fam->email = t;
            else if (fam->email) fam->phone = t;
            else fam->phone2 = t;
            break;
        default:
            if (email && !fam->email) {
                fam->email = t;
                break;
            }
            // Without an e-mail, three phone rows come last, first, second.
            if (!fam->email) {
                fam->phone3 = fam->phone;
                fam->phone = fam->phone2;
            }
            fam->phone2 = t;
            break;
        }
        ++c;
    }
}

// setName: "last, first" or a first name alone (the family's last name).
void setName(WardMember* mem, const char* name, const WardFamily* fam) {
    const char* comma = std::strchr(name, ',');
    if (comma == nullptr) {
        mem->lname = fam->lname;
        mem->fname = std::string(name);
        return;
    }
    mem->lname = std::string(name, static_cast<std::size_t>(comma - name));
    mem->fname = std::string(skipWhite(comma + 1));
}

// addMembers: one member per row from the family row on, up to the first row
// without a name. Returns false when a member cannot be created.
bool addMembers(WardFamily* fam, const std::vector<std::string>& rows) {
    WardMember* last = nullptr;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row row(rows[r]);
        const char* name = skipWhite(row.col(1));
        if (*name == '\0') break;
        WardMember* mem = create_ward_member();
        if (mem == nullptr) {
            std::fprintf(stderr, "Unable to create membership structure for mlsdir\n");
            return false;
        }
        mem->fam = fam;
        setName(mem, name, fam);
        mem->sex = row.col(2)[0];
        parse_date(row.col(3), mem->birth);
        mem->age = row.nf > 4 ? fieldNumber(row.col(4)) : 0;
        if (last == nullptr) {
            mem->recno = fam->recno;
            mem->fampos = 1;
            fam->members = mem;
        } else {
            mem->recno = recordNumber();
            // The spouse follows the head directly, with a birthday without
            // year and the other sex.
            if (r == 1 && mem->birth->year == 0 && mem->sex != fam->members->sex) {
                mem->fampos = 2;
                fam->household = strprintf("%s, %s & %s", fixnull(fam->lname), fixnull(fam->fname), fixnull(mem->fname));
                fam->spouse = mem->fname;
            } else {
                mem->fampos = 3;
            }
            last->next = mem;
        }
        last = mem;
        storeMember(mem);
    }
    return true;
}

}  // namespace

int looks_like_zip_line(const char* str) {
    const char* p = std::strchr(str, ',');
    if (p == nullptr) return 0;
    p = skipWhite(p + 1);
    if (!isLetter(p[0]) || !isLetter(p[1])) return 0;
    for (p = skipWhite(p + 2); *p != '\0'; ++p)
        if (!isDigit(*p) && *p != '-' && *p != ' ') return 0;
    return 1;
}

int looks_like_phone_line(const char* str) {
    const char* p = str;
    while (*p != '\0' && !isDigit(*p)) ++p;
    auto digits = [](const char* q, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            if (!isDigit(q[i])) return false;
        return true;
    };
    if (std::strlen(p) < 10 || !digits(p, 3)) return 0;
    p += 3;
    if (*p == '-' || *p == ')' || *p == '.') ++p;
    if (std::strlen(p) < 7 || !digits(p, 3)) return 0;
    p += 3;
    if (*p == '-' || *p == '.') ++p;
    if (std::strlen(p) < 4 || !digits(p, 4)) return 0;
    return 1;
}

int looks_like_email_line(const char* str) { return std::strchr(str, '@') != nullptr ? 1 : 0; }

int process_mlsdir(const std::vector<std::string>& lines, int nlines) {
    if (nlines < 0) {
        nfam = nmem = 0;
        return 0;
    }
    std::vector<std::string> rows(lines.begin(), lines.begin() + std::min<std::size_t>(nlines, lines.size()));
    if (rows.empty()) return 0;

    // 1. The family and its record number, which its first member shares.
    WardFamily* fam = create_ward_family();
    if (fam == nullptr) {
        std::fprintf(stderr, "Unable to create family for mlsdir line\n");
        return 1;
    }
    ++nfam;
    nmem = 1;
    fam->recno = recordNumber();

    // 2. The family row: last name, first member's name, sex.
    {
        const Row head(rows[0]);
        if (head.nf < FamilyRowFields) {
            std::fprintf(stderr, "process_mlsdir: Not enough fields (%d) [%s]\n", head.nf, rows[0].c_str());
            free_ward_family(fam);
            return 2;
        }
        fam->lname = std::string(head.col(0));
        fam->fname = std::string(head.col(1));
    }

    // 3. Household, then members.
    walkHousehold(fam, rows);
    if (!addMembers(fam, rows)) return 2;  // the family of a failed group is not stored
    if (!fam->spouse) fam->household = strprintf("%s, %s", fixnull(fam->lname), fixnull(fam->fname));
    storeFamilySorted(fam);
    return 0;
}

int readMlsDir(const char* fname) {
    // 1. The file, its title line and the first family row.
    InFile fp(fname);
    if (!fp) {
        std::fprintf(stderr, "Unable to open MLS Unit Directory input file (%s).\n", fname);
        return 1;
    }
    std::string line;
    if (!readline(line, fp.get())) {
        std::fprintf(stderr, "Error reading first line of MlsDir file\n");
        return 3;
    }
    if (!readline(line, fp.get())) {
        std::fprintf(stderr, "Error reading first data line of mlsdir\n");
        return 4;
    }
    process_mlsdir({}, -1);

    // 2. Rows that begin with white space continue the group, without their
    //    leading blanks; any other row starts the next group. A group takes
    //    as many rows as it has.
    std::vector<std::string> group{line};
    while (readline(line, fp.get())) {
        if (!line.empty() && isWhite(line[0])) {
            const std::size_t text = line.find_first_not_of(' ');
            group.push_back(text == std::string::npos ? std::string() : line.substr(text));
            continue;
        }
        int r = process_mlsdir(group, static_cast<int>(group.size()));
        if (r != 0) return r + 10;
        group.assign(1, line);
    }

    // 3. The last group.
    int r = process_mlsdir(group, static_cast<int>(group.size()));
    return r != 0 ? r + 10 : 0;
}
