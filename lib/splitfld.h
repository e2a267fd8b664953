// splitfld: cut one line of text in place into fields at a single delimiter.
#ifndef ROLLBOOK_SPLITFLD_H
#define ROLLBOOK_SPLITFLD_H

// split_flds: split str at delim, storing the start of each field in flds
// (which holds at least maxflds entries) and overwriting each delimiter that
// ends a stored field with NUL. With skip non-zero a run of delimiters counts
// as one. A leading delimiter gives an empty first field, a trailing one (or
// trailing run) one empty last field. Returns the number of fields stored: 0
// for a null or empty str, at most maxflds. Entries of flds beyond the result
// are left as they were; the fields point into str and live as long as it does.
int split_flds(char* str, char** flds, char delim, int skip, int maxflds);

#endif
