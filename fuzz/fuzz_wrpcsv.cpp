// Fuzz target: the CSV reader library on arbitrary file contents and strings.
#include <cstdio>
#include <string>

#include "fuzz_common.h"
#include "wrpcsv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int id = wrpCsvCreate();
    if (id < 0) return 0;
    const std::string path = fuzz::inputFile(data, size);
    if (std::FILE* fp = std::fopen(path.c_str(), "r")) {
        int rc;
        while ((rc = wrpCsvReadLine(id, fp)) != -1) {
            for (int i = -1; i <= wrpCsvGetNumFields(id); ++i) {
                const char* f = wrpCsvGetField(id, i);
                if (f != nullptr) (void)std::string(f);
            }
            (void)wrpCsvGetLine(id);
            if (rc == -12) break;
        }
        std::fclose(fp);
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    wrpCsvParseString(id, text.c_str());
    if (std::FILE* null = std::fopen("/dev/null", "w")) {
        dump_csv(id, null);
        std::fclose(null);
    }
    wrpCsvDestroy(id);
    return 0;
}
