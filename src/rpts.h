// rpts: the family directories (text, book outline, HTML), the phone list and
// the callings reports. Each writer reports its own open failure on the error
// stream and returns; the report sequence goes on.
#ifndef ROLLBOOK_RPTS_H
#define ROLLBOOK_RPTS_H

#include <string>
#include <string_view>
#include <unordered_set>

#include "rollbook.h"

// ---- Shared by the writers ----

// openReport: create the report file, or print "Error opening report file
// (%s)\n" on the error stream and return false.
bool openReport(RptFile& out, const char* fname);

// surnameLetter: the letter a surname is listed under: its first whole
// character, that is the valid UTF-8 multi-byte sequence it begins with,
// else its first byte; "" when it is absent or empty.
std::string surnameLetter(const Text& lname);

// fixHtml: s for a page, in element text and attributes alike: "&" as
// "&amp;", "<" as "&lt;", ">" as "&gt;", the double quote as "&quot;", the
// apostrophe as "&#39;"; every other byte as it is. An absent s gives "".
std::string fixHtml(std::string_view s);
std::string fixHtml(const Text& s);

// HtmlText: fixHtml of s, copied only when a byte needs escaping; valid as
// long as s.
class HtmlText {
public:
    explicit HtmlText(const Text& s);
    explicit HtmlText(const std::string& s);
    HtmlText(const HtmlText&) = delete;  // text_ may point into escaped_
    HtmlText& operator=(const HtmlText&) = delete;
    const char* c_str() const { return text_; }

private:
    std::string escaped_;
    const char* text_;
};

// anchorText: s as a page anchor: ASCII letters and digits, "_", "-" and
// "." as they are, every other byte as "x" and its two upper-case hex digits.
std::string anchorText(std::string_view s);

// AnchorSet: the anchors used on one page.
class AnchorSet {
public:
    // take: the anchor a, or when it is already used, a followed by the
    // smallest of "-2", "-3", ... that is not; either is used from now on.
    std::string take(const std::string& a);

private:
    std::unordered_set<std::string> used_;
};

// ---- Family directory as text and book outline ----

// writeTextRpt: every family in the store's order, a "*X" heading at each
// change of the surname's letter (priv 1 private edition, 0 public).
void writeTextRpt(const char* fname, int priv);

// writeMMS: the same blocks as book outline: a "Book:" line at each change of
// the letter, a "Chapter:" line at each change of the chapter key.
void writeMMS(const char* fname, int priv);

// writeFamily: the block of one family: heading, address, phones, teaching
// lines, one section per member (the private edition with priesthood, full
// birth dates, record numbers and ordinances), closing rule.
void writeFamily(RptFile& out, WardFamily* fam, int priv);

// getChap: the chapter key of the surname src: its first 4 (stake) or 5
// (ward) bytes, white space as "-", ASCII letters upper-cased. An absent src
// leaves targ as it was.
void getChap(std::string& targ, const Text& src);

// ---- Family directory as HTML ----

// writeBB: the directory as one page: letter index, name list, family
// blocks. Gives every family without a household text one and numbers every
// family whose famid is 0 (1, 2, ... in the store's order); later reports see
// both.
void writeBB(const char* fname, int priv);

// writeFamilyHtml: the body of one family block of the page.
void writeFamilyHtml(RptFile& out, WardFamily* fam, int priv);

// writeHtmlHdr: the page head, declaring UTF-8 when every input of the run
// is valid UTF-8 and windows-1252 otherwise, and the visible title (not
// escaped).
void writeHtmlHdr(RptFile& out, const char* title);

// writeHtmlFtr: the page end.
void writeHtmlFtr(RptFile& out);

// ---- Callings reports ----

// Both writers walk the designated organization list; a run of organizations
// with equal names gets one heading. A position's holder is found by member
// id when the id is above 0 (the page then also by name and phone) and shows
// the holder's phone. In stake mode every position line carries its unit. A
// null fname writes to standard output.

// writeOrgRpt: the callings report as text (mms 0) or book outline (mms 1:
// a book per organization, a chapter per position title); stakeflg non-zero
// adds the unit to every heading.
void writeOrgRpt(const char* fname, int mms, int stakeflg);

// writeOrgBB: the callings report as an HTML page with an index of the
// organizations; stakeflg non-zero adds the unit to every section heading.
void writeOrgBB(const char* fname, int stakeflg);

// ---- Phone list ----

// writePhoneList: one line per family in the store's order: the names, a
// tab and the phones ("[no phone]" without a household phone).
void writePhoneList(const char* fname);

// writePhoneEntry: the line of one family.
void writePhoneEntry(RptFile& out, const WardFamily* fam);

#endif
