// wrpcsv: reads a text file one line at a time and splits each line into
// fields at any character of a separator set, honouring double-quoted fields.
// Callers hold small integer ids; the records behind them stay private.
// Results: 0 success, -1 end of input (or no free id), -11 invalid argument
// or state, -12 out of memory; wrpCsvGetErrMsg tells the latest failure.
// The module state is process-wide and not reentrant.
#ifndef ROLLBOOK_WRPCSV_H
#define ROLLBOOK_WRPCSV_H

#include <cstdio>

// wrpCsvCreate: a new id, the lowest free one (0, 1, 2, ...; a destroyed id is
// reused first). The first call initialises the module. Returns -12 when the
// initialisation fails, -1 when every id is in use.
int wrpCsvCreate();

// wrpCsvReadLine: read the next line of fp into the record of id and split it.
// A line ends at its first CR or LF; a physical line longer than the default
// maxline - 1 bytes arrives in pieces. Returns 0, -1 at end of input, -11 for
// a null stream, a bad id or too many fields (the first maxfield fields stay
// readable), -12 when out of memory. The previous fields are gone in any case.
// Fields stay valid until the next read, parse or destroy on the same id.
int wrpCsvReadLine(int id, std::FILE* fp);

// wrpCsvParseString: split a copy of p as if it had been read as a line.
// Returns 0, -11 for a null string, a bad id or too many fields, -12.
int wrpCsvParseString(int id, const char* p);

// wrpCsvGetNumFields: number of fields of the last split (0 when none),
// or -11 for a bad id.
int wrpCsvGetNumFields(int id);

// wrpCsvGetField: field ndx counted from 0; null for a bad id or when ndx is
// negative or not below the number of fields. Owned by the record; the
// caller may cut the text in place (the dump then shows the cut field).
// The fields of a split are cut from one copy of the line and lie in it in
// order, each ended by a zero byte.
char* wrpCsvGetField(int id, int ndx);

// wrpCsvGetLine: the intact copy of the last line read or string parsed;
// null for a bad id or when the record holds no line. Owned by the record.
const char* wrpCsvGetLine(int id);

// wrpCsvDestroy: free the record of id and its slot. Returns 0, or -11 for a
// bad id.
int wrpCsvDestroy(int id);

// wrpCsvGetErrMsg: the message of the latest failure (null before any).
// Meaningful only right after a failing result; success does not reset it.
const char* wrpCsvGetErrMsg();

// Defaults given to records created afterwards, and the size of the id table.
int wrpCsvGetDefaultMaxLine();
int wrpCsvGetDefaultMaxFields();
int wrpCsvGetMaxEnt();

// wrpCsvGetDefaultDelims: the default separator set; null before the first id
// is created unless wrpCsvSetDefaultDelims gave one.
const char* wrpCsvGetDefaultDelims();

// wrpCsvSetDefaultMaxLine: resize the shared input buffer to val bytes (the
// longest line read is val - 1 bytes, for every id). Returns 0, -11 when val
// is 0 or less, -12 when the buffer cannot be resized (nothing changes).
int wrpCsvSetDefaultMaxLine(int val);

// wrpCsvSetDefaultMaxFields: the field limit of records created afterwards.
// Returns 0, or -11 when val is 0 or less.
int wrpCsvSetDefaultMaxFields(int val);

// wrpCsvSetDefaultDelims: the separator set copied into records created
// afterwards (the first id's creation resets it to ","). Returns 0, -11 for a
// null delim, -12 when out of memory.
int wrpCsvSetDefaultDelims(const char* delim);

// wrpCsvSetMaxEnt: resize the id table to val slots, keeping the lower slots;
// ids at or above val become invalid. Returns 0, -11 when val is 0 or less,
// -12 when out of memory (the table is unchanged).
int wrpCsvSetMaxEnt(int val);

// wrpCsvSetMaxLine: set the line limit recorded for id; a value above the
// default maxline also raises the default (and the shared buffer) to val.
// Returns 0, or -11 for val of 0 or less, a bad id, or a failed raise.
int wrpCsvSetMaxLine(int id, int val);

// dump_csv: write the state of the record of id to fp, one item per line.
void dump_csv(int id, std::FILE* fp);

#endif
