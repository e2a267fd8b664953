// mlscsv: the input readers and the field, date and line helpers they share.
#ifndef ROLLBOOK_MLSCSV_H
#define ROLLBOOK_MLSCSV_H

#include <cstdio>
#include <string>
#include <vector>

#include "rollbook.h"

// ---- Field and date helpers ----

// The longest line readline delivers; longer physical lines arrive in pieces.
constexpr int MaxLineChars = 511;

// isWhite: true for the white space of the exports: tab, LF, VT, FF, CR and
// blank. Bytes above 127 are never white space.
bool isWhite(char c);

// fieldNumber: the decimal number at the start of s (leading white space and
// a sign allowed), 0 when there are no digits, clamped to the range of int.
int fieldNumber(const char* s);

// trim: copy of s without its leading white space (tab, LF, VT, FF, CR,
// blank); absent when nothing is left. Trailing white space is kept. s not null.
Text trim(const char* s);

// trimInto: give t what trim(s) gives, copied once, straight into t.
void trimInto(Text& t, const char* s);

// fixnull: the text of s, or "" when s is absent. The pointer stays valid as
// long as s does.
inline const char* fixnull(const Text& s) { return s ? s->c_str() : ""; }

// isEmpty: 1 when s is absent or empty, else 0.
int isEmpty(const Text& s);
int isEmpty(const char* s);

// noDate: 1 when d is not null and its month is 0; 0 otherwise.
int noDate(const mls_date* d);

// fixdate: "month/day/year" of d written into d->s (at most 11 characters),
// or "" when d is null or not set.
const char* fixdate(mls_date* d);

// DateText, dateText: the text fixdate gives, held by value and d left as it
// is, for report writers that may run side by side over the same records.
struct DateText {
    char s[sizeof(mls_date::s)];
};
DateText dateText(const mls_date* d);

// convert_month: 1 to 12 for "Jan" to "Dec" exactly, else 0.
int convert_month(const char* s);

// parse_date: fill m from "day Mon year", "day-Mon-year", "day Mon" or
// "day-Mon". A null s clears day, month and year; any other form leaves m as
// it was. m not null.
void parse_date(const char* s, mls_date* m);

// calcAge: whole years from m to the run date (or to today); 0 when m is
// not set.
int calcAge(const mls_date* m);
int calcAge(const mls_date* m, const RunDate& today);

// strbeg: 1 when both are present and str begins with beg, else 0.
int strbeg(const char* str, const char* beg);

// readpiece: read one line of at most 511 characters from fp into buf as a
// text-mode read would deliver it: the line feed stays at its end (a CR just
// before it is dropped). Returns 1, or 0 at end of file or on a read error.
// A longer physical line arrives in pieces over the following calls, only the
// last of them ending in the line feed.
int readpiece(std::string& buf, std::FILE* fp);

// readline: read one line of at most 511 characters from fp into buf, cut at
// its first CR or LF. Returns 1, or 0 at end of file or on a read error. A
// longer physical line arrives in pieces over the following calls.
int readline(std::string& buf, std::FILE* fp);

// utf8Length: the length (2 to 4) of the valid UTF-8 multi-byte sequence
// that the n bytes at s begin with, or 0 when they begin with none (an ASCII
// byte, a stray or overlong byte, a surrogate, a code point above U+10FFFF,
// a cut sequence).
std::size_t utf8Length(const char* s, std::size_t n);

// ---- Reader plumbing ----

// inputsAreUtf8: true while every input file opened in this run (InFile),
// judged on its whole content, is valid UTF-8; an empty file is.
bool inputsAreUtf8();

// InFile: an input file opened for reading, closed when it goes out of
// scope. Only a regular file is opened: a directory, a pipe or a device in
// its place is a file that cannot be opened, never waited on and never read
// as empty. A file whose lines end in CR alone is reported on opening as
// "Input file (%s) has lines ending in CR alone: records will be missing;
// save it with CR LF or LF line ends\n"; a read error met while reading is
// reported on closing as "Error reading input file (%s)\n". A UTF-8
// byte-order mark at the start is skipped: reading begins after it.
class InFile {
public:
    explicit InFile(const char* fname);
    InFile(const InFile&) = delete;
    InFile& operator=(const InFile&) = delete;
    ~InFile();
    explicit operator bool() const { return fp_ != nullptr; }
    std::FILE* get() const { return fp_; }

private:
    std::FILE* fp_ = nullptr;
    std::string name_;
};

// CsvHandle: a CSV reader id (negative when none could be created), released
// when it goes out of scope so that repeated reads do not use up the ids.
class CsvHandle {
public:
    CsvHandle();
    CsvHandle(const CsvHandle&) = delete;
    CsvHandle& operator=(const CsvHandle&) = delete;
    ~CsvHandle();
    int id() const { return id_; }

private:
    int id_;
};

// ---- Readers: each returns 0 when its file was found and read ----

// readMemberCSV: Membership.csv. 1 no CSV handle, 2 cannot open, 3 bad
// header, 4 or 5 out of memory. Sets the stake mode from the header.
int readMemberCSV(const char* fname);

// readMlsDir: the unit directory print: a title line, then family groups
// (a row that begins with white space continues the group, without its
// leading blanks). Each group becomes a family and its members, with made-up
// record numbers "999-family-member". Returns 0 after the whole file; 1
// cannot open; 3 no title line; 4 no family row; 10 plus the result of
// process_mlsdir when a group fails (reading stops there).
int readMlsDir(const char* fname);

// process_mlsdir: build and store one family from the first nlines rows of
// a group, lines[0] being the family row. A negative nlines only restarts
// the family and member numbers. Returns 0, 1 when the family cannot be
// created, 2 when the family row has fewer than 3 fields (nothing stored) or
// a member cannot be created.
int process_mlsdir(const std::vector<std::string>& lines, int nlines);

// looks_like_zip_line: 1 for "city, ST 12345" (a comma, two letters, then
// only digits, hyphens and blanks), else 0.
int looks_like_zip_line(const char* str);

// looks_like_phone_line: 1 when the text from its first digit reads as ten
// digits grouped 3-3-4 (an optional ")", "-" or "." after the area code, "-"
// or "." after the exchange), else 0.
int looks_like_phone_line(const char* str);

// looks_like_email_line: 1 when the text contains "@", else 0.
int looks_like_email_line(const char* str);

// readWebMember: the web directory export: a 10-field header, then one
// household per line of at least 7 fields (name, phone, four address lines,
// members). Returns 0 after the whole file; 1 no CSV handle; 2 cannot open;
// 3 no header; 4 header not of 10 fields; 5 a line of fewer than 7 fields
// (reading stops there); 6 or 7 out of memory.
int readWebMember(const char* fname);

// readAuxFile: the auxiliary corrections and settings file. 1 when it cannot
// be opened.
int readAuxFile(const char* fname);

// process_auxfield: apply one key and value of an auxiliary record line to
// the member mem and its family fam (fam may be null).
void process_auxfield(WardMember* mem, WardFamily* fam, const char* fld, const char* val);

// readMlsAux, readWebAux: named auxiliary files that are not read; return 0.
int readMlsAux(const char* fname);
int readWebAux(const char* fname);

// readOrgCSV: an organization export into the designated organization list.
// 1 when it cannot be opened.
int readOrgCSV(const char* fname);

// readOrgTab: the tab-separated callings report. 1 when it cannot be opened.
int readOrgTab(const char* fname);

// readWebOrg: the named web organization file, which is not read; returns 0.
int readWebOrg(const char* fname);

// readHTCSV, readVTCSV: the home and visiting teaching exports (20 or 22
// fields for HT, 19 or 21 for VT). Each record becomes an assignment linked to
// its family and stored in report order; a record of another width, or one
// the CSV reader cannot split, is reported with its line number and skipped.
// Returns 0 after the whole file; 1 in stake mode (not read); 2 cannot open;
// 3 no CSV handle; 4 header of the wrong width (nothing read).
int readHTCSV(const char* fname);
int readVTCSV(const char* fname);

// parseht: a new assignment from the current record of the CSV id csv (htvt 1
// home teaching, 2 visiting teaching), its teachers and its family (HT: the
// household before any "&", with its phone; VT: the sister) looked up and the
// family's htdist or vtdist set to it. Failed lookups are reported on the
// error stream; the assignment is returned all the same. Null only when no
// record can be created. The caller stores it.
HTDist* parseht(int csv, int htvt);

// readHTTXT: a teaching text file (htsw non-zero home, 0 visiting teaching):
// a tab-separated header of at least 7 fields, then one line per family with
// the companionship and the visit percentage. A family that already has an
// assignment of the kind gets the percentage; any other family gets a new
// assignment. Returns 0 after the whole file; 1 cannot open; 2 empty file;
// 3 header of fewer than 7 fields.
int readHTTXT(const char* fname, int htsw);

#endif
