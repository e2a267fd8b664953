// rpts: the directory, phone and organization reports.
#ifndef ROLLBOOK_RPTS_H
#define ROLLBOOK_RPTS_H

// writeTextRpt: the family directory as text (priv 1 private, 0 public).
void writeTextRpt(const char* fname, int priv);

// writeMMS: the family directory as book outline (priv as above).
void writeMMS(const char* fname, int priv);

// writeBB: the family directory as HTML (priv as above).
void writeBB(const char* fname, int priv);

// writeOrgRpt: the callings report, as text (mms 0) or book outline (mms 1),
// of one ward (stakeflg 0) or over the stake (stakeflg 1).
void writeOrgRpt(const char* fname, int mms, int stakeflg);

// writeOrgBB: the callings report as HTML.
void writeOrgBB(const char* fname, int stakeflg);

// writePhoneList: the phone list.
void writePhoneList(const char* fname);

#endif
