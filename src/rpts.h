// rpts: the family directories (text, book outline, HTML), the phone list and
// the callings reports. Each writer reports its own open failure on the error
// stream and returns; the report sequence goes on.
#ifndef ROLLBOOK_RPTS_H
#define ROLLBOOK_RPTS_H

#include <string>

#include "rollbook.h"

// ---- Shared by the writers ----

// openReport: create the report file, or print "Error opening report file
// (%s)\n" on the error stream and return false.
bool openReport(RptFile& out, const char* fname);

// surnameLetter: the first byte of a surname; NUL when absent or empty.
char surnameLetter(const Text& lname);

// ---- Family directory as text and book outline ----

// writeTextRpt: every family in the store's order, a "*X" heading at each
// change of the surname's first byte (priv 1 private edition, 0 public).
void writeTextRpt(const char* fname, int priv);

// writeMMS: the same blocks as book outline: a "Book:" line at each change of
// the first byte, a "Chapter:" line at each change of the chapter key.
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

// writeHtmlHdr: the page head and the visible title (not escaped).
void writeHtmlHdr(RptFile& out, const char* title);

// writeHtmlFtr: the page end.
void writeHtmlFtr(RptFile& out);

// fixHtml: s with "&" written "&amp;" and the double quote "&quot;"; every
// other byte as it is. An absent s gives "".
std::string fixHtml(const Text& s);

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
