// rollbook: the driver (start-up, input cascade, report sequence, run modes,
// lookup console) and the records every module shares.
#ifndef ROLLBOOK_ROLLBOOK_H
#define ROLLBOOK_ROLLBOOK_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// Text: a text that may be absent, used as an optional string is: test it
// (has_value, or as a condition), read it through * and -> (c_str, size,
// data, find, substr, and a std::string by conversion), give it a string or
// std::nullopt. A record holds dozens of them and a large export hundreds of
// thousands of records, so a text takes 16 bytes: up to 14 characters are
// kept in it, a longer text in one block of its own. Like a std::string, a
// text may hold zero bytes; c_str ends it with one more. A null character
// pointer given as a text makes it absent.
class Text {
public:
    static constexpr std::size_t npos = std::string::npos;

    Text() noexcept { setAbsent(); }
    Text(std::nullopt_t) noexcept { setAbsent(); }
    Text(const char* s) {
        setAbsent();
        if (s != nullptr) assign(s, std::char_traits<char>::length(s));
    }
    Text(const std::string& s) { setAbsent(); assign(s.data(), s.size()); }
    Text(std::string_view s) { setAbsent(); assign(s.data(), s.size()); }
    Text(const Text& t) {
        setAbsent();
        if (t) assign(t.data(), t.size());
    }
    Text(Text&& t) noexcept {
        std::memcpy(raw_, t.raw_, sizeof raw_);
        t.setAbsent();
    }
    ~Text() { release(); }

    Text& operator=(const Text& t) {
        if (this == &t) return *this;
        if (t) {
            assign(t.data(), t.size());
        } else {
            reset();
        }
        return *this;
    }
    Text& operator=(Text&& t) noexcept {
        if (this == &t) return *this;
        release();
        std::memcpy(raw_, t.raw_, sizeof raw_);
        t.setAbsent();
        return *this;
    }
    Text& operator=(std::nullopt_t) noexcept {
        reset();
        return *this;
    }
    Text& operator=(const std::string& s) {
        assign(s.data(), s.size());
        return *this;
    }
    Text& operator=(std::string_view s) {
        assign(s.data(), s.size());
        return *this;
    }
    Text& operator=(const char* s) {
        if (s == nullptr) reset();
        else assign(s, std::char_traits<char>::length(s));
        return *this;
    }

    // As an optional: presence, and the text itself through * and ->.
    bool has_value() const noexcept { return tag() != Absent; }
    explicit operator bool() const noexcept { return has_value(); }
    void reset() noexcept {
        release();
        setAbsent();
    }
    const Text& operator*() const noexcept { return *this; }
    const Text* operator->() const noexcept { return this; }
    std::string value_or(const char* alt) const { return has_value() ? str() : std::string(alt); }

    // As a string (of a present text; an absent one reads as "").
    const char* c_str() const noexcept { return tag() == Heap ? heap().ptr : raw_; }
    const char* data() const noexcept { return c_str(); }
    std::size_t size() const noexcept {
        const unsigned char t = tag();
        return t == Heap ? heap().len : t == Absent ? 0 : t;
    }
    std::size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    char operator[](std::size_t i) const noexcept { return c_str()[i]; }
    const char* begin() const noexcept { return c_str(); }
    const char* end() const noexcept { return c_str() + size(); }
    std::string_view view() const noexcept { return {c_str(), size()}; }
    std::string str() const { return std::string(c_str(), size()); }
    explicit operator std::string() const { return str(); }
    std::size_t find(char c, std::size_t from = 0) const noexcept { return view().find(c, from); }
    std::size_t find(const char* s, std::size_t from = 0) const noexcept { return view().find(s, from); }
    std::size_t find_first_of(const char* set, std::size_t from = 0) const noexcept {
        return view().find_first_of(set, from);
    }
    std::string substr(std::size_t from, std::size_t n = npos) const { return std::string(view().substr(from, n)); }
    friend std::string operator+(const std::string& a, const Text& b) { return a + b.str(); }
    friend std::string operator+(const Text& a, const std::string& b) { return a.str() + b; }
    friend std::string operator+(const char* a, const Text& b) { return a + b.str(); }
    friend std::string operator+(const Text& a, const char* b) { return a.str() + b; }

    // Equal as optional strings are: absent only equals absent.
    friend bool operator==(const Text& a, const Text& b) noexcept {
        if (!a || !b) return !a && !b;
        return a.view() == b.view();
    }
    friend bool operator!=(const Text& a, const Text& b) noexcept { return !(a == b); }
    friend bool operator==(const Text& a, std::nullopt_t) noexcept { return !a; }
    friend bool operator!=(const Text& a, std::nullopt_t) noexcept { return static_cast<bool>(a); }
    friend bool operator==(const Text& a, const char* b) noexcept { return a && b != nullptr && a.view() == b; }
    friend bool operator!=(const Text& a, const char* b) noexcept { return !(a == b); }
    friend bool operator==(const Text& a, const std::string& b) noexcept { return a && a.view() == b; }
    friend bool operator!=(const Text& a, const std::string& b) noexcept { return !(a == b); }
    friend bool operator==(const std::string& b, const Text& a) noexcept { return a == b; }
    friend bool operator!=(const std::string& b, const Text& a) noexcept { return !(a == b); }
    friend bool operator==(const char* b, const Text& a) noexcept { return a == b; }
    friend bool operator!=(const char* b, const Text& a) noexcept { return !(a == b); }

private:
    // The last byte tells the form: 0 to 14 the length of a text kept in
    // place (ended by a zero byte), Heap a text in its own block, Absent none.
    static constexpr unsigned char Inline = 14;
    static constexpr unsigned char Heap = 0x80;
    static constexpr unsigned char Absent = 0x81;
    struct HeapForm {
        char* ptr;
        std::uint32_t len;
    };

    unsigned char tag() const noexcept { return static_cast<unsigned char>(raw_[15]); }
    void setAbsent() noexcept {
        raw_[0] = '\0';
        raw_[15] = static_cast<char>(Absent);
    }
    HeapForm heap() const noexcept {
        HeapForm h;
        std::memcpy(&h, raw_, sizeof h);
        return h;
    }
    void release() noexcept {
        if (tag() == Heap) delete[] heap().ptr;
    }
    void assign(const char* s, std::size_t n) {
        if (n > 0xFFFFFFFFu) throw std::length_error("text too long");
        if (n <= Inline) {
            char tmp[Inline + 1];
            std::memcpy(tmp, s, n);  // s may lie in this text's own block
            release();
            std::memcpy(raw_, tmp, n);
            raw_[n] = '\0';
            raw_[15] = static_cast<char>(n);
            return;
        }
        char* p = new char[n + 1];
        std::memcpy(p, s, n);
        p[n] = '\0';
        release();
        const HeapForm h{p, static_cast<std::uint32_t>(n)};
        std::memcpy(raw_, &h, sizeof h);
        raw_[15] = static_cast<char>(Heap);
    }

    alignas(8) char raw_[16];
};

// The program's version, printed in the banner.
extern const char* const RollbookVersion;

struct WardPos;
struct WardMember;
struct WardFamily;
struct HTDist;

// One calendar date; not set while month is 0.
struct mls_date {
    int day = 0;
    int month = 0;
    int year = 0;
    char s[12] = {};  // month/day/year, written by fixdate, at most 11 characters
};

// One entry of a chain of extra texts of a member.
struct WardEnts {
    WardEnts* next = nullptr;
    Text text;
};

// One entry of an error-message chain (declared, never created by the program).
struct WardErr {
    WardErr* next = nullptr;
    Text msg;
};

// One household: the head's names, addresses, phones and the member chain.
struct WardFamily {
    int famid = 0;
    WardMember* members = nullptr;  // chained through WardMember::next, head first
    HTDist* htdist = nullptr;
    HTDist* vtdist = nullptr;
    Text lname, fname, suff;
    Text lpname, fpname, spouse;
    Text household;
    Text addr, addr2, dp, city, state, country, zip, zip2;
    Text phone, phone2, phone3;
    Text email;
    Text recno;
    Text uname, unum;
    // Read rarely or never.
    Text spname;
    Text acode, geocode, ccode, act;  // reserved
    Text xaddr, xaddr2, xdp, xcity, xzip, xstate, xcountry;
    Text ugeo, sgeo;
    WardFamily* next = nullptr;  // unused; families live in the store's list
    WardErr* err = nullptr;      // reserved, always null
};

// One person.
struct WardMember {
    WardMember* next = nullptr;  // next member of the same family
    WardFamily* fam = nullptr;
    int memid = 0;
    int famid = 0;
    int fampos = 0;
    int type = 0;  // 1 head of household, 2 spouse, 3 other, 0 unknown
    Text lname, fname, suff;
    Text lpname, fpname, spname;
    Text phone, phone2, phone3;
    Text email;
    char sex = 0;
    int age = 0;
    // The five dates always exist, kept in the record itself; a date is not
    // set while its month is 0.
    mls_date* const birth = &dates_[0];
    mls_date* const baptism = &dates_[1];
    mls_date* const confirm = &dates_[2];
    mls_date* const endowed = &dates_[3];
    mls_date* const recexp = &dates_[4];
    Text stat;
    Text marital;
    char ftmiss = 0;
    char spousemem = 0;
    char sealcurr = 0;
    char sealprev = 0;
    Text recno;
    WardErr* err = nullptr;  // reserved, always null
    WardPos* pos = nullptr;  // first calling; further ones through WardPos::memnext
    Text family;
    WardEnts* cell = nullptr;
    WardEnts* work = nullptr;
    WardEnts* email2 = nullptr;
    WardEnts* rem = nullptr;

    WardMember() = default;
    WardMember(const WardMember&) = delete;  // the date pointers point into the record
    WardMember& operator=(const WardMember&) = delete;

private:
    mls_date dates_[5];
};

// One organization with its chain of positions.
struct WardOrg {
    WardOrg* next = nullptr;  // unused; organizations live in the store's lists
    int seq = 0;
    Text org;
    Text abbr;  // reserved
    WardPos* pos = nullptr;
    Text uname, unum;
};

// One position (calling) in an organization.
struct WardPos {
    WardPos* next = nullptr;     // next position of the same organization
    WardOrg* org = nullptr;      // owning organization
    WardPos* memnext = nullptr;  // next position held by the same member
    WardMember* mem = nullptr;   // holder, or null
    int seq = 0;
    Text pos;
    char isLdr = 0;
    int memid = 0;
    Text name;
    Text phone;
    Text sus;
    Text uname, unum;
};

// One home or visiting teaching assignment.
struct HTDist {
    HTDist* next = nullptr;      // unused
    HTDist* families = nullptr;  // unused
    Text htgroup;
    Text htsup, htsphone, htsemail;
    int htdist = 0;
    int htpair = 0;
    Text pairname;
    Text htname, htphone, htemail;
    Text htcname, htcphone, htcemail;
    WardMember* htmem = nullptr;
    WardMember* htcmem = nullptr;
    int htpct = 0;
    int htnum = 0;  // reserved
    Text visits;
    WardFamily* fam = nullptr;
    WardMember* mem = nullptr;
    Text household;
    Text phone1, phone2;
    Text email;
    Text addr1, addr2, dp, city, zip, state, country;
};

// ---- Driver ----

// main's body: rollbook [OPTION]... [FOLDER]. "-h"/"--help" and
// "-V"/"--version" print the usage or the banner and return 0; "--" ends the
// options. FOLDER, else the current folder, is where the exports are read
// and the reports written. An unknown option, a second folder or a folder
// that cannot be entered is reported in one line, followed by "Try
// 'rollbook --help' for more information.", and returns 2, as a malformed
// ROLLBOOK_TODAY does: nothing is read or written. Otherwise: banner, init,
// process, wrapup; returns 0 after a full run, 3 when a report file could
// not be created, written or closed (the other reports are still written),
// 4 when memory ran out. A run without membership ends the process with
// status 1 inside init, the operator's 'q' at the corrupt-record prompt with
// status 9.
int rollbookMain(int argc = 0, char** argv = nullptr);

// init: create the store and read every input through its cascade.
void init();

// process: nothing to do between reading and writing.
void process();

// wrapup: write every report in the fixed sequence, with the unit prefix.
void wrapup();

// setStake: set the stake mode (1 stake, 0 ward).
void setStake(int v);

// isStake: 1 when the data describe a stake, else 0.
int isStake();

// isWeb: 1 when the membership came from the web directory export, else 0.
int isWeb();

// browse: interactive lookup by family id, member id or record number.
// Reads option lines from in, writes menu, prompts and dumps to out.
// Returns when the user confirms quitting or when in ends. Without
// arguments it uses standard input and standard output.
void browse(std::FILE* in, std::FILE* out);
void browse();

// ---- Run date ----

// The date the run counts ages from.
struct RunDate {
    int year;
    int month;  // 1 to 12
    int day;    // 1 to 31
};

// checkRunDate: validate ROLLBOOK_TODAY when it is set. Returns true when it
// is unset or well formed (YYYY-MM-DD, a real calendar date); otherwise writes
// a message to the error stream and returns false.
bool checkRunDate();

// runDate: ROLLBOOK_TODAY when set and valid, else today's local date.
RunDate runDate();

// ---- Report files ----

// RptFile: one report file, created or replaced whole. Every "\n" written
// becomes CR LF; formatted output keeps every byte it formats but zero
// bytes, so that "%c" of an unset one-character field writes nothing. The
// bytes go to a temporary file beside the report, which takes the report's
// name (replacing a file or a link there, never writing through it, and
// keeping an old report's permission bits) only when it has been written and
// closed without error: until then the old report stays as it was. The file closes when the object goes out of scope; one left by an
// exception (memory running out) is removed and the old report kept. A file
// that cannot be created is left to its writer to report; a file whose
// writing or closing fails is reported once, when it is closed, as "Error
// writing report file (%s)\n". Either counts as a report failure
// (reportFailed).
class RptFile {
public:
    RptFile() = default;
    RptFile(const RptFile&) = delete;
    RptFile& operator=(const RptFile&) = delete;
    ~RptFile();

    // open: begin the file name. Returns false when it cannot be created:
    // the folder cannot take a new file, or a folder, pipe or device, or an
    // old report the user may not write, stands at the name.
    bool open(const std::string& name);

    // openStdout: write to standard output instead, as the console is
    // written: lines end in "\n" alone, and the stream is not closed.
    void openStdout();

    // printf: format as std::printf does and write the result.
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // write: write n bytes as they are, turning each "\n" into CR LF (not on
    // standard output).
    void write(const char* data, std::size_t n);

    // startCapture, endCapture: endCapture appends to keep the bytes written
    // since startCapture, line ends already turned into CR LF, so that they
    // can be written again elsewhere with writeRaw.
    void startCapture();
    void endCapture(std::string& keep);

    // writeRaw: write n bytes exactly as they are.
    void writeRaw(const char* data, std::size_t n);

private:
    static constexpr std::size_t NoCapture = static_cast<std::size_t>(-1);
    void flush();
    void close();
    void discard();
    void reset();
    char* room(std::size_t n);  // room for n more bytes after the used ones
    void put(const char* data, std::size_t n);
    bool formatDirect(const char* fmt, va_list ap);
    void written();  // hand the bytes to the file once enough are pending

    std::FILE* fp_ = nullptr;
    std::string name_;      // the report's own name
    std::string temp_;      // the temporary file it is written to
    bool console_ = false;  // standard output: no CR, never closed
    bool failed_ = false;   // a write has failed
    int uncaught_ = 0;      // exceptions in flight when it was opened
    std::string buf_;       // the bytes not yet handed to the file: used_ of them
    std::size_t used_ = 0;
    std::size_t capture_ = NoCapture;  // where a capture began in buf_
};

// reportFailed: true when a report file could not be created, written or
// closed during this run.
bool reportFailed();

// installStopHandlers: from now on SIGINT, SIGTERM and SIGHUP (those not
// ignored) remove the run's temporary report files, then end the process as
// the signal would.
void installStopHandlers();

// removeTempFiles: remove every temporary report file not yet put in place.
void removeTempFiles();

// strprintf, vstrprintf: format as std::printf does into a text of any
// length; every formatted byte is kept, zero bytes included.
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vstrprintf(const char* fmt, va_list ap);

// FlagText: a one-character field as a text: its character, or nothing when
// it is unset (0).
struct FlagText {
    char s[2];
    explicit FlagText(char c) : s{c, '\0'} {}
};

// nullstr: the text for console messages and dumps: "(null)" when absent.
const char* nullstr(const Text& t);

// textOrNull: the characters of t, or a null pointer when t is absent, for
// the functions that take an absent text as a null pointer.
const char* textOrNull(const Text& t);

#endif
