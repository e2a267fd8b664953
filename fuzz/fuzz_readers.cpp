// Fuzz target: one input reader (chosen when the target is built) fed
// arbitrary file contents; the store's links are checked, then every report
// is written to /dev/null. Readers that find people by name and phone first
// get a small ward to look in.
#include <string>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::resetState();
    const std::string path = fuzz::inputFile(data, size);
    const char* f = path.c_str();
    const bool odd = size > 0 && (data[0] & 1) != 0;
#if defined(FUZZ_READER_membership)
    readMemberCSV(f);
#elif defined(FUZZ_READER_mlsdir)
    readMlsDir(f);
#elif defined(FUZZ_READER_webdir)
    readWebMember(f);
#elif defined(FUZZ_READER_aux)
    fuzz::loadSampleWard();
    readAuxFile(f);
#elif defined(FUZZ_READER_orgcsv)
    fuzz::loadSampleWard();
    setStake(odd ? 1 : 0);
    setStakeOrg(odd ? 1 : 0);
    readOrgCSV(f);
    setStakeOrg(0);
#elif defined(FUZZ_READER_orgtab)
    fuzz::loadSampleWard();
    readOrgTab(f);
#elif defined(FUZZ_READER_teachcsv)
    fuzz::loadSampleWard();
    if (odd) readHTCSV(f);
    else readVTCSV(f);
#elif defined(FUZZ_READER_teachtxt)
    fuzz::loadSampleWard();
    readHTTXT(f, odd ? 1 : 0);
#else
#error "FUZZ_READER_<name> selects the reader"
#endif
    (void)odd;
    fuzz::checkStore();
    fuzz::writeReports();
    return 0;
}
