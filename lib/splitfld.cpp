// splitfld: in-place splitting at one delimiter character; no quoting.
#include "splitfld.h"

int split_flds(char* str, char** flds, char delim, int skip, int maxflds) {
    if (str == nullptr) return 0;
    int count = 0;
    char* p = str;
    while (*p != '\0' && count < maxflds) {
        // 1. The field runs from here to the next delimiter or the end.
        flds[count++] = p;
        while (*p != '\0' && *p != delim) ++p;
        if (*p == '\0') break;

        // 2. End the field in place and step past its delimiter, or past the
        //    whole run of them when runs count as one.
        *p++ = '\0';
        if (skip != 0) {
            while (*p == delim) ++p;
        }

        // 3. A delimiter at the very end still closes one empty last field.
        if (*p == '\0' && count < maxflds) flds[count++] = p;
    }
    return count;
}
