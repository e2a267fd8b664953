// mlscsv: the field, date and line helpers the input readers share.
#include "mlscsv.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "splitfld.h"
#include "wrpcsv.h"

namespace {

// Month names as the exports write them; the position plus one is the month.
const char* const mons[13] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul",
                              "Aug", "Sep", "Oct", "Nov", "Dec", nullptr};

// The one empty text handed out for absent values; never modified or freed.
const char EmptyText[] = "";

// A date has day, month name and year at most; up to this many parts are
// split so that longer texts can be told apart and rejected.
constexpr int MaxDateFields = 5;

}  // namespace

// isWhite: tab, LF, VT, FF, CR and blank only; bytes above 127 are text.
bool isWhite(char c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

// fieldNumber: the decimal number at the start of s, read as strtol does
// (leading white space, a sign, digits), clamped to the range of int.
int fieldNumber(const char* s) {
    // Up to nine digits ended by anything else, the usual field, are read
    // here, as strtol would read them.
    int digits = 0;
    for (const char* p = s; *p >= '0' && *p <= '9'; ++p)
        if (++digits > 9) break;
    if (digits > 0 && digits <= 9) {
        int v = 0;
        for (int i = 0; i < digits; ++i) v = v * 10 + (s[i] - '0');
        return v;
    }
    long v = std::strtol(s, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

Text trim(const char* s) {
    while (isWhite(*s)) ++s;
    if (*s == '\0') return std::nullopt;
    return Text(std::string_view(s));
}

void trimInto(Text& t, const char* s) {
    while (isWhite(*s)) ++s;
    if (*s == '\0') {
        t.reset();
        return;
    }
    t = std::string_view(s);
}

int isEmpty(const Text& s) { return !s || s->empty() ? 1 : 0; }

int isEmpty(const char* s) { return s == nullptr || *s == '\0' ? 1 : 0; }

int noDate(const mls_date* d) { return d != nullptr && d->month == 0 ? 1 : 0; }

DateText dateText(const mls_date* d) {
    DateText out{};
    if (d == nullptr || d->month == 0) return out;
    // "%d/%d/%d" of month, day and year; numbers of unusual width are cut to
    // the 11 characters the record holds.
    char text[40];
    char* p = text;
    for (int part : {d->month, d->day, d->year}) {
        if (p != text) *p++ = '/';
        p = std::to_chars(p, text + sizeof text, part).ptr;
    }
    const std::size_t n = std::min(static_cast<std::size_t>(p - text), sizeof out.s - 1);
    std::memcpy(out.s, text, n);
    return out;
}

const char* fixdate(mls_date* d) {
    if (d == nullptr || d->month == 0) return EmptyText;
    std::memcpy(d->s, dateText(d).s, sizeof d->s);
    return d->s;
}

int convert_month(const char* s) {
    if (s == nullptr) return 0;
    for (int i = 0; mons[i] != nullptr; ++i) {
        if (std::strcmp(s, mons[i]) == 0) return i + 1;
    }
    return 0;
}

void parse_date(const char* s, mls_date* m) {
    // 1. Only a missing text clears the date.
    if (s == nullptr) {
        m->day = m->month = m->year = 0;
        return;
    }

    // 2. Work on a copy of at most one line's length; a longer text is cut to
    //    MaxLineChars characters before it is split.
    char work[MaxLineChars + 1];
    int len = 0;
    while (len < MaxLineChars && s[len] != '\0') {
        work[len] = s[len];
        ++len;
    }
    work[len] = '\0';

    // 3. Parts separated by blanks; a text without blanks by hyphens instead.
    char* flds[MaxDateFields];
    int n = split_flds(work, flds, ' ', 1, MaxDateFields);
    if (n == 1) n = split_flds(work, flds, '-', 1, MaxDateFields);

    // 4. Day and month name, with or without a year; any other shape leaves
    //    the record as it was.
    if (n == 3) {
        m->day = fieldNumber(flds[0]);
        m->month = convert_month(flds[1]);
        m->year = fieldNumber(flds[2]);
    } else if (n == 2) {
        m->day = fieldNumber(flds[0]);
        m->month = convert_month(flds[1]);
    }
}

int calcAge(const mls_date* m) { return m->month == 0 ? 0 : calcAge(m, runDate()); }

int calcAge(const mls_date* m, const RunDate& today) {
    if (m->month == 0) return 0;
    // Counted wide so that a year of any size cannot overflow.
    long long age = static_cast<long long>(today.year) - m->year;
    if (today.month < m->month || (today.month == m->month && today.day < m->day)) --age;
    if (age > INT_MAX) return INT_MAX;
    if (age < INT_MIN) return INT_MIN;
    return static_cast<int>(age);
}

int strbeg(const char* str, const char* beg) {
    if (str == nullptr || beg == nullptr) return 0;
    return std::strncmp(str, beg, std::strlen(beg)) == 0 ? 1 : 0;
}

int readpiece(std::string& buf, std::FILE* fp) {
    // fgets keeps a line's LF only when it fits, so a longer line arrives in
    // pieces, and the text ends at a NUL byte read inside the line.
    char line[MaxLineChars + 1];
    if (std::fgets(line, sizeof line, fp) == nullptr) return 0;
    buf.assign(line);
    // A text-mode read sees CR LF as one line feed, also when the CR filled
    // the buffer and the LF is still to come.
    if (buf.size() >= 2 && buf.compare(buf.size() - 2, 2, "\r\n") == 0) {
        buf.erase(buf.size() - 2, 1);
    } else if (!buf.empty() && buf.back() == '\r') {
        int c = std::getc(fp);
        if (c == '\n') buf.back() = '\n';
        else if (c != EOF) std::ungetc(c, fp);
    }
    return 1;
}

int readline(std::string& buf, std::FILE* fp) {
    if (!readpiece(buf, fp)) return 0;
    buf.resize(std::strcspn(buf.c_str(), "\r\n"));
    return 1;
}

std::size_t utf8Length(const char* s, std::size_t n) {
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    if (n < 2 || u[0] < 0xC2 || u[0] > 0xF4) return 0;
    const std::size_t len = u[0] < 0xE0 ? 2 : u[0] < 0xF0 ? 3 : 4;
    if (n < len) return 0;
    // The second byte's range rules out overlong forms, surrogates and code
    // points above U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (u[0] == 0xE0) lo = 0xA0;
    else if (u[0] == 0xED) hi = 0x9F;
    else if (u[0] == 0xF0) lo = 0x90;
    else if (u[0] == 0xF4) hi = 0x8F;
    if (u[1] < lo || u[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i)
        if (u[i] < 0x80 || u[i] > 0xBF) return 0;
    return len;
}

namespace {

// The first bytes of an input file that are looked at for its line ends.
constexpr std::size_t LineEndProbe = 4096;

// Whether every input file opened so far is valid UTF-8.
bool allInputsUtf8 = true;

// endsLinesWithCR: whether the first CR of the file's first bytes is not
// followed by a LF.
bool endsLinesWithCR(std::FILE* fp) {
    char buf[LineEndProbe];
    const std::size_t n = std::fread(buf, 1, sizeof buf, fp);
    std::rewind(fp);
    const char* cr = static_cast<const char*>(std::memchr(buf, '\r', n));
    return cr != nullptr && cr + 1 < buf + n && cr[1] != '\n';
}

// isUtf8: whether the whole of fp is valid UTF-8, judged by utf8Length in
// pieces; a sequence cut by the end of a piece is judged with the next one.
// Leaves fp at its start.
bool isUtf8(std::FILE* fp) {
    std::vector<char> piece(64 * 1024);
    std::string text;  // the bytes not yet judged
    bool ok = true;
    std::size_t got;
    while (ok && (got = std::fread(piece.data(), 1, piece.size(), fp)) > 0) {
        text.append(piece.data(), got);
        std::size_t i = 0;
        while (i < text.size()) {
            if (static_cast<unsigned char>(text[i]) < 0x80) {
                ++i;
                continue;
            }
            const std::size_t len = utf8Length(text.data() + i, text.size() - i);
            if (len == 0) {
                // The last three bytes may be the start of a whole sequence.
                ok = text.size() - i < 4;
                break;
            }
            i += len;
        }
        text.erase(0, i);
    }
    std::rewind(fp);
    return ok && text.empty();
}

}  // namespace

bool inputsAreUtf8() { return allInputsUtf8; }

InFile::InFile(const char* fname) : name_(fname) {
    std::error_code ec;
    const auto kind = std::filesystem::status(fname, ec).type();
    if (!ec && kind != std::filesystem::file_type::regular) return;
    fp_ = std::fopen(fname, "r");
    if (fp_ == nullptr) return;
    // Large exports are read in large pieces.
    std::setvbuf(fp_, nullptr, _IOFBF, 64 * 1024);
    if (!isUtf8(fp_)) allInputsUtf8 = false;
    if (endsLinesWithCR(fp_))
        std::fprintf(stderr,
                     "Input file (%s) has lines ending in CR alone: records will be missing; save it with CR LF or LF "
                     "line ends\n",
                     fname);
    // A UTF-8 byte-order mark, which many Windows programs put first, is
    // not part of the first line.
    char bom[3];
    if (std::fread(bom, 1, 3, fp_) != 3 || std::memcmp(bom, "\xEF\xBB\xBF", 3) != 0) std::rewind(fp_);
}

InFile::~InFile() {
    if (fp_ == nullptr) return;
    if (std::ferror(fp_) != 0) std::fprintf(stderr, "Error reading input file (%s)\n", name_.c_str());
    std::fclose(fp_);
}

CsvHandle::CsvHandle() : id_(wrpCsvCreate()) {}

CsvHandle::~CsvHandle() {
    if (id_ >= 0) wrpCsvDestroy(id_);
}
