// rollbook: the driver (start-up, input cascade, report sequence, run modes,
// lookup console) and the records every module shares.
#ifndef ROLLBOOK_ROLLBOOK_H
#define ROLLBOOK_ROLLBOOK_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A text that may be absent: an empty optional is an absent value.
using Text = std::optional<std::string>;

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
    WardFamily* next = nullptr;  // unused; families live in the store's list
    int famid = 0;
    Text lname, fname, suff;
    Text lpname, fpname, spname;
    Text spouse;
    Text household;
    Text addr, addr2, dp, city, state, country, zip, zip2;
    Text phone, phone2, phone3;
    Text email;
    Text acode, geocode, ccode, act;  // reserved
    Text xaddr, xaddr2, xdp, xcity, xzip, xstate, xcountry;
    Text recno;
    Text ugeo, sgeo;
    Text uname, unum;
    WardMember* members = nullptr;  // chained through WardMember::next, head first
    HTDist* htdist = nullptr;
    HTDist* vtdist = nullptr;
    WardErr* err = nullptr;  // reserved, always null
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

// main's body. With "--help" or "--version" as first argument it prints the
// usage or the banner and returns 0, reading and writing no file; any other
// argument is ignored. Otherwise: banner, init, process, wrapup. Returns the
// exit status: 0
// after a full run, 2 for a malformed ROLLBOOK_TODAY (nothing read or
// written), 3 when a report file could not be created, written or closed
// (the other reports are still written). A run without membership ends the
// process with status 1 inside init, the operator's 'q' at the corrupt-record
// prompt with status 9.
int rollbookMain(int argc = 0, char** argv = nullptr);

// init: create the store and read every input through its cascade.
void init();

// process: nothing to do between reading and writing.
void process();

// startReports: begin the report sequence before the teaching assignments
// are read. Where the reports are written by two threads, the other thread
// then builds the searches of the teaching text files (prepareTextSearches)
// and writes the reports that show no teaching assignment while the
// exports are read. Files, console and status stay those of the sequence
// written by wrapup.
void startReports();

// awaitTextSearches: wait until the searches of the teaching text files are
// built, when startReports has them built on the other thread; at once
// otherwise. Call it before reading those files.
void awaitTextSearches();

// wrapup: write every report in the fixed sequence, with the unit prefix.
// Where it can, the writers run on two threads; the files, the console and
// the status are those of the sequence written in order.
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

// RptFile: one report file, created or replaced. Every "\n" written becomes
// CR LF; formatted output keeps every byte it formats, zero bytes included.
// The file closes when the object goes out of scope. A file that cannot be
// created is left to its writer to report; a file whose writing or closing
// fails is reported once, when it is closed, as "Error writing report file
// (%s)\n". Either counts as a report failure (reportFailed).
class RptFile {
public:
    RptFile() = default;
    RptFile(const RptFile&) = delete;
    RptFile& operator=(const RptFile&) = delete;
    ~RptFile();

    // open: create or replace the file name. Returns false when it cannot.
    bool open(const std::string& name);

    // openStdout: write to standard output instead, as the console is
    // written: lines end in "\n" alone, and the stream is not closed.
    void openStdout();

    // printf: format as std::printf does and write the result.
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // write: write n bytes as they are, turning each "\n" into CR LF (not on
    // standard output).
    void write(const char* data, std::size_t n);

    // startCapture, endCapture: the bytes written in between (line ends
    // already turned into CR LF) are also appended to bytes by endCapture,
    // so that they can be written again elsewhere with writeCaptured.
    void startCapture();
    void endCapture(std::string& bytes);
    void writeCaptured(const char* data, std::size_t n);

private:
    static constexpr std::size_t PendingLimit = 1 << 16;

    void close();
    bool formatDirect(const char* fmt, va_list ap);
    char* room(char* out, std::size_t n);
    void put(const char* data, std::size_t n);
    void flushPending();

    std::FILE* fp_ = nullptr;
    std::string name_;
    bool console_ = false;  // standard output: no CR, never closed
    bool failed_ = false;   // a write has failed
    std::string pending_;   // room for the bytes not yet handed to the file
    std::size_t length_ = 0;  // how many of them there are
    long capture_ = -1;       // where a capture began in them; -1 for none
};

// reportFailed: true when a report file could not be created, written or
// closed during this run.
bool reportFailed();

// strprintf, vstrprintf: format as std::printf does into a text of any
// length; every formatted byte is kept, zero bytes included.
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vstrprintf(const char* fmt, va_list ap);

// ---- Console messages of the report writers ----

// consoleMessage: format as std::fprintf does and write the text to stream
// (standard output or the error stream); while this thread holds its
// messages (holdMessages), keep it there instead.
void consoleMessage(std::FILE* stream, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// HeldMessages: console texts kept in the order they were given, each with
// its stream, so that work done on another thread can show its messages
// where the same work done in sequence would have shown them.
struct HeldMessages {
    std::vector<std::pair<std::FILE*, std::string>> texts;
    // write: write the kept texts to their streams in order, and forget them.
    void write();
};

// holdMessages: keep this thread's console messages in held from now on; a
// null held writes them directly again.
void holdMessages(HeldMessages* held);

// nullstr: the text for console messages and dumps: "(null)" when absent.
const char* nullstr(const Text& t);

// textOrNull: the characters of t, or a null pointer when t is absent, for
// the functions that take an absent text as a null pointer.
const char* textOrNull(const Text& t);

#endif
