// wrpcsv: line reader and field splitter behind small integer ids.
#include "wrpcsv.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Limits in force until changed: a 512-byte input buffer (lines of at most
// 511 characters), 100 fields per line, 100 ids.
constexpr int DefaultMaxLine = 512;
constexpr int DefaultMaxFields = 100;
constexpr int DefaultMaxEnt = 100;

// A text that may be absent and keeps its room when it is forgotten, so that
// reading line after line does not allocate for every line.
struct KeptText {
    std::string text;
    bool present = false;

    void forget() { present = false; }
    void set(const char* s) {
        text.assign(s);
        present = true;
    }
};

// One record per id. The field pointers point into sline.
struct wrpcsv {
    KeptText line;                     // last line read or string parsed, intact
    KeptText sline;                    // same text, cut in place into the fields
    int maxline = 0;                   // shown by dump_csv; reading uses the shared buffer
    std::vector<char*> field;          // maxfield entries once a split has begun
    int maxfield = 0;
    int numfields = 0;
    std::string fieldsep;              // every character in it separates fields
    bool isSep[256] = {};              // fieldsep as a table, by byte
};

int FirstTime = 1;
int MaxEnt = DefaultMaxEnt;
std::vector<std::unique_ptr<wrpcsv>> Csv;  // id = slot index; a null slot is free
std::vector<char> InLine;                  // the input buffer shared by every id
const char* ErrMsg = nullptr;
int maxline = DefaultMaxLine;              // size of InLine, terminating NUL included
int maxfield = DefaultMaxFields;
std::optional<std::string> fieldsep;       // absent until the first id is created

// One-time set-up, run by the first wrpCsvCreate; after a failure the next
// wrpCsvCreate tries again. Returns 0 or -12.
int init()
{
    fieldsep = ",";
    try {
        Csv.clear();
        Csv.resize(MaxEnt);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Can't allocate memory for table of Csv";
        MaxEnt = 0;
        return -12;
    }
    try {
        InLine.assign(maxline, '\0');
    } catch (const std::bad_alloc&) {
        ErrMsg = "Can't allocate memory for input buffer";
        return -12;
    }
    FirstTime = 0;
    return 0;
}

// A new record with the current defaults, or null when out of memory.
std::unique_ptr<wrpcsv> create_csv()
{
    try {
        auto c = std::make_unique<wrpcsv>();
        c->maxline = maxline;
        c->maxfield = maxfield;
        c->fieldsep = fieldsep.value_or(",");
        for (unsigned char ch : c->fieldsep) c->isSep[ch] = true;
        return c;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Forget the last line and its fields. Sets its message on every call, so
// ErrMsg tells nothing after a success. Returns 0, or -11 for no record.
int clear_csv(wrpcsv* c)
{
    ErrMsg = "NULL passed to clear_csv";
    if (c == nullptr)
        return -11;
    c->line.forget();
    c->sline.forget();
    // The field array keeps its room: only the first numfields entries count.
    c->numfields = 0;
    return 0;
}

// Dispose of a record: its line, fields and separator copy go with it.
// Returns 0, or -11 for no record.
int free_csv(std::unique_ptr<wrpcsv> c)
{
    ErrMsg = "NULL passed to free_csv";
    if (!c)
        return -11;
    clear_csv(c.get());
    return 0;
}

// The lowest free slot, or -1 when every slot is in use.
int find_free_csv()
{
    for (std::size_t i = 0; i < Csv.size(); ++i)
        if (!Csv[i])
            return static_cast<int>(i);
    ErrMsg = "No free CSV Entries";
    return -1;
}

// The record of id, or null for an id out of range or a free slot.
wrpcsv* get_csv(int id)
{
    if (id < 0 || id >= MaxEnt || static_cast<std::size_t>(id) >= Csv.size() || !Csv[id]) {
        ErrMsg = "Invalid CSV ID";
        return nullptr;
    }
    return Csv[id].get();
}

// Fill the shared buffer with the next line of fp: at most maxline - 1 bytes,
// the line feed taken only when it fits, then cut at the first CR or LF.
// Returns 0, or -1 when nothing is left to read.
int readline(std::FILE* fp)
{
    const int size = static_cast<int>(InLine.size());
    if (std::fgets(InLine.data(), size, fp) == nullptr) {
        ErrMsg = "EOF on Input File";
        return -1;
    }
    InLine[size - 1] = '\0';
    // A CR that filled the buffer is the end of its line when a LF follows:
    // take the LF too, as a text-mode read of CR LF would.
    const std::size_t len = std::strlen(InLine.data());
    if (len > 0 && InLine[len - 1] == '\r') {
        int c = std::getc(fp);
        if (c != '\n' && c != EOF) std::ungetc(c, fp);
    }
    InLine[std::strcspn(InLine.data(), "\r\n")] = '\0';
    return 0;
}

// Scan a quoted field that starts at p, just after its opening quote, copying
// the text back over itself: a doubled quote yields one quote; a single quote
// or the end of the string ends the field, which is NUL-terminated where the
// copy ended. Returns the character just after the closing quote (or the end
// of the string): the character where the field stopped.
char* advquoted(char* p)
{
    // Up to the first quote nothing moves, so the scan jumps there; most
    // fields hold no doubled quote and end at it.
    char* quote = std::strchr(p, '"');
    if (quote == nullptr)
        return p + std::strlen(p);
    if (quote[1] != '"') {
        *quote = '\0';
        return quote + 1;
    }
    std::size_t i = static_cast<std::size_t>(quote - p);
    std::size_t j = i;
    for (; p[j] != '\0'; ++i, ++j) {
        if (p[j] == '"' && p[++j] != '"')
            break;
        p[i] = p[j];
    }
    p[i] = '\0';
    return p + j;
}

// Split line into fields: sline becomes its copy, cut in place.
// Returns 0, -11 when there are more than maxfield fields (those found stay
// readable), -12 when out of memory.
int parse_csv(wrpcsv* c)
{
    // 1-2. The working copy and an empty field array.
    try {
        c->sline.set(c->line.present ? c->line.text.c_str() : "");
    } catch (const std::bad_alloc&) {
        ErrMsg = "Unable to allocate memory to copy string";
        return -12;
    }
    try {
        // Room for maxfield fields; only the first numfields are ever read.
        if (c->field.size() != static_cast<std::size_t>(c->maxfield)) c->field.assign(c->maxfield, nullptr);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Can't allocate memory for array of fields";
        return -12;
    }
    // 3. The scan starts at the first character.
    c->numfields = 0;
    char* p = c->sline.text.data();
    for (;;) {
        // 4.1 No room for another field.
        if (c->numfields >= c->maxfield) {
            ErrMsg = "Too many fields in string to parse";
            return -11;
        }
        // 4.2-4.3 Find where the field stops: after its closing quote, or at
        // the first separator or the end of the string.
        char* start = p;
        char* stop = p;
        if (*p == '"') {
            start = p + 1;
            stop = advquoted(start);
        } else {
            while (*stop != '\0' && !c->isSep[static_cast<unsigned char>(*stop)])
                ++stop;
        }
        // 4.4 Cut the field off and keep it.
        const char sepc = *stop;
        *stop = '\0';
        c->field[c->numfields++] = start;
        p = sepc == '\0' ? stop : stop + 1;
        // 4.5 Nothing after the last separator: no further (empty) field.
        if (*p == '\0')
            return 0;
    }
}

// Text of an optional string for the dump, "(null)" when absent.
const char* shown(const KeptText& s)
{
    return s.present ? s.text.c_str() : "(null)";
}

}  // namespace

int wrpCsvCreate()
{
    if (FirstTime && init() != 0) {
        ErrMsg = "Can't initialize CSV";
        return -12;
    }
    const int id = find_free_csv();
    if (id < 0) {
        ErrMsg = "No free CSV cells";
        return -1;
    }
    // Without a record the slot stays free: the id is invalid and is handed
    // out again by the next call.
    Csv[id] = create_csv();
    return id;
}

int wrpCsvReadLine(int id, std::FILE* fp)
{
    // 1. Arguments.
    if (fp == nullptr)
        return -11;
    wrpcsv* c = get_csv(id);
    if (c == nullptr)
        return -11;
    // 2. The previous line's fields are gone from here on, whatever follows.
    if (clear_csv(c) != 0) {
        ErrMsg = "Problems clearning previous entry from wrpCsvReadLine";
        return -11;
    }
    // 3. The next line into the shared buffer.
    if (readline(fp) != 0)
        return -1;
    // 4-5. Keep a copy of it and split.
    try {
        c->line.set(InLine.data());
    } catch (const std::bad_alloc&) {
        ErrMsg = "Unable to allocate memory to copy string";
        return -12;
    }
    return parse_csv(c);
}

int wrpCsvParseString(int id, const char* p)
{
    if (p == nullptr) {
        ErrMsg = "NULL String Pointer passed to ParseString";
        return -11;
    }
    wrpcsv* c = get_csv(id);
    if (c == nullptr)
        return -11;
    if (clear_csv(c) != 0) {
        ErrMsg = "Problems clearning previous entry from wrpCsvParseString";
        return -11;
    }
    try {
        c->line.set(p);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Unable to allocate memory to copy string";
        return -12;
    }
    return parse_csv(c);
}

int wrpCsvGetNumFields(int id)
{
    const wrpcsv* c = get_csv(id);
    return c ? c->numfields : -11;
}

char* wrpCsvGetField(int id, int ndx)
{
    const wrpcsv* c = get_csv(id);
    if (c == nullptr || ndx < 0 || ndx >= c->numfields)
        return nullptr;
    return c->field[ndx];
}

const char* wrpCsvGetLine(int id)
{
    const wrpcsv* c = get_csv(id);
    if (c == nullptr || !c->line.present)
        return nullptr;
    return c->line.text.c_str();
}

int wrpCsvDestroy(int id)
{
    if (get_csv(id) == nullptr)
        return -11;
    // Moving the record out frees the slot.
    return free_csv(std::move(Csv[id]));
}

const char* wrpCsvGetErrMsg()
{
    return ErrMsg;
}

int wrpCsvGetDefaultMaxLine()
{
    return maxline;
}

int wrpCsvGetDefaultMaxFields()
{
    return maxfield;
}

int wrpCsvGetMaxEnt()
{
    return MaxEnt;
}

const char* wrpCsvGetDefaultDelims()
{
    return fieldsep ? fieldsep->c_str() : nullptr;
}

int wrpCsvSetDefaultMaxLine(int val)
{
    if (val <= 0)
        return -11;
    // Before the first id exists this only sizes what init allocates again.
    try {
        InLine.resize(val);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Not enough memory to re-allocate new input line";
        return -12;
    }
    maxline = val;
    return 0;
}

int wrpCsvSetDefaultMaxFields(int val)
{
    if (val <= 0)
        return -11;
    maxfield = val;
    return 0;
}

int wrpCsvSetDefaultDelims(const char* delim)
{
    if (delim == nullptr)
        return -11;
    try {
        fieldsep = std::string(delim);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Can't allocate space for default delimeters";
        return -12;
    }
    return 0;
}

int wrpCsvSetMaxEnt(int val)
{
    if (val <= 0)
        return -11;
    // Records in slots cut off are freed with them; added slots are free.
    try {
        Csv.resize(val);
    } catch (const std::bad_alloc&) {
        ErrMsg = "Can't allocate new array for CSV structures";
        return -12;
    }
    MaxEnt = val;
    return 0;
}

int wrpCsvSetMaxLine(int id, int val)
{
    if (val <= 0) {
        ErrMsg = "Invalid MaxLine value";
        return -11;
    }
    wrpcsv* c = get_csv(id);
    if (c == nullptr)
        return -11;
    if (val > maxline && wrpCsvSetDefaultMaxLine(val) != 0) {
        ErrMsg = "Unable to change default MaxLine";
        return -11;
    }
    c->maxline = val;
    return 0;
}

void dump_csv(int id, std::FILE* fp)
{
    if (fp == nullptr)
        return;
    std::fprintf(fp, "\n\nDump of CSV %d\n", id);
    const wrpcsv* c = get_csv(id);
    if (c == nullptr) {
        std::fprintf(fp, "Can't find CSV ID\n");
        return;
    }
    std::fprintf(fp, "Line: >>%s<<\n", shown(c->line));
    std::fprintf(fp, "FldSep: >>%s<<\n", c->fieldsep.c_str());
    // sline holds NULs where fields ended: it shows up to the first one.
    std::fprintf(fp, "sline: >>%s<<\n", shown(c->sline));
    std::fprintf(fp, "MaxLine: %d\n", c->maxline);
    std::fprintf(fp, "MaxField: %d\n", c->maxfield);
    std::fprintf(fp, "NumFields: %d\n", c->numfields);
    for (int i = 0; i < c->numfields; ++i)
        std::fprintf(fp, "Fld[%d]: >>%s<<\n", i, c->field[i]);
}
