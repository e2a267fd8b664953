// rollbook: the program's sequencer. init reads every input through its
// cascade of fallbacks, process does nothing, wrapup (rollbook_wrapup.cpp)
// writes every report in a fixed order; the run modes live here.
#include "rollbook.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "rpts.h"
#include "ward_list.h"

const char* const RollbookVersion = "1.11";

namespace {

int stake_mode = 0;
int web_mode = 0;
int memflg = 0;

// checkMemory: a reader that could not allocate a record has reported it
// and given up; the run cannot go on without the record.
void checkMemory() {
    if (outOfMemory()) throw std::bad_alloc();
}

// dropMembership: forget what a failed membership source stored, so that the
// next source starts from an empty store in ward mode.
void dropMembership() {
    dataInit();
    setStake(0);
}

// lower: s in ASCII lower case.
std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// pointAtLookAlikes: when no membership file could be read, name each file
// of the folder that looks like one under another name, with what to do.
void pointAtLookAlikes() {
    std::error_code ec;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string low = lower(name);
        const std::size_t dot = low.rfind('.');
        const std::string ext = dot == std::string::npos ? "" : low.substr(dot);
        if (low.rfind("membership", 0) == 0 && name != "Membership.csv") {
            if (ext == ".xlsx" || ext == ".xls" || ext == ".ods")
                std::fprintf(stderr, "Found %s: open it in the spreadsheet and save it as CSV, named Membership.csv\n",
                             name.c_str());
            else
                std::fprintf(stderr, "Found %s: rename it to Membership.csv\n", name.c_str());
        } else if (low == "mlsdir.txt" && name != "mlsdir.txt") {
            std::fprintf(stderr, "Found %s: rename it to mlsdir.txt\n", name.c_str());
        } else if (low == "webdir.csv" && name != "webdir.csv") {
            std::fprintf(stderr, "Found %s: rename it to webdir.csv\n", name.c_str());
        }
    }
}

// readMembership: the membership cascade; ends the run when nothing is found.
void readMembership() {
    std::printf("Reading Membership\n");
    memflg = 0;
    const int csv = readMemberCSV("Membership.csv");
    checkMemory();
    if (csv == 0) {
        memflg = 1;
        return;
    }
    dropMembership();
    std::fprintf(stderr, "Unable to find MLS Export membership file.  Trying MlsDir\n");
    const int dir = readMlsDir("mlsdir.txt");
    checkMemory();
    if (dir == 0) {
        memflg = 2;
        return;
    }
    dropMembership();
    std::fprintf(stderr, "Unable to open mlsdir file.  Trying web export.\n");
    const int web = readWebMember("webdir.csv");
    checkMemory();
    if (web == 0) {
        web_mode = 1;
        memflg = 3;
        return;
    }
    std::fprintf(stderr, "No membership file found.  Program cancelled.\n");
    pointAtLookAlikes();
    std::exit(1);
}

// readAuxiliary: the auxiliary file that belongs to the membership source.
void readAuxiliary() {
    std::printf("Reading auxfile\n");
    switch (memflg) {
    case 1: readAuxFile("mlsaux.txt"); break;
    case 2: readMlsAux("mlsdiraux.txt"); break;
    case 3: readWebAux("webaux.txt"); break;
    }
}

// readOrganizations: the organization cascade; a stake also reads its wards'
// organizations into the stake list.
void readOrganizations() {
    std::printf("Reading Organization\n");
    if (readOrgCSV("Organization.csv") == 0) {
        if (isStake()) {
            std::printf("Reading WardOrganization.csv\n");
            setStakeOrg(1);
            readOrgCSV("WardOrganization.csv");
            setStakeOrg(0);
        }
        return;
    }
    std::fprintf(stderr, "MLS Organization files not found.  Trying MLS Callings file\n");
    if (readOrgTab("mlsorg.txt") == 0) {
        std::printf("Tab-delimited MLS report of Callings found.\n");
        return;
    }
    std::fprintf(stderr, "MLS Callings file not found.  Trying web organization file\n");
    if (readWebOrg("weborg.txt") != 0) std::fprintf(stderr, "No organization information available.\n");
}

}  // namespace

void setStake(int v) { stake_mode = v; }

int isStake() { return stake_mode; }

int isWeb() { return web_mode; }

void init() {
    dataInit();
    readMembership();
    readAuxiliary();
    checkMemory();
    readOrganizations();
    checkMemory();
    std::printf("Reading HT\n");
    readHTCSV("HomeTeaching.csv");
    checkMemory();
    readHTTXT("ht.txt", 1);
    checkMemory();
    std::printf("Reading VT\n");
    readVTCSV("VisitingTeaching.csv");
    checkMemory();
    readHTTXT("vt.txt", 0);
    checkMemory();
}

void process() {}

namespace {

// The usage that "--help" prints.
const char Usage[] =
    "Usage: rollbook [OPTION]... [FOLDER]\n"
    "Read the membership exports in FOLDER (the current folder when none is\n"
    "given) and write the reports into it, named ward... or stake... by the unit.\n"
    "\n"
    "  -h, --help     show this help and stop\n"
    "  -V, --version  show the version and stop\n"
    "  --             end of the options: what follows is the folder\n"
    "\n"
    "Reads:  Membership.csv, else mlsdir.txt, else webdir.csv (membership);\n"
    "        mlsaux.txt (corrections and \"!\" display settings);\n"
    "        Organization.csv and WardOrganization.csv, else mlsorg.txt (callings);\n"
    "        HomeTeaching.csv, ht.txt, VisitingTeaching.csv, vt.txt (teaching).\n"
    "Writes: family, member and callings tables (.csv); the private and public\n"
    "        directories as text, book outline and web page; the callings report;\n"
    "        the phone list; the teaching lists; the class lists.\n"
    "\n"
    "Exit status: 0 all reports written; 1 no membership file could be read;\n"
    "2 a wrong option or folder, or ROLLBOOK_TODAY malformed (nothing read or\n"
    "written); 3 a report file could not be written (its old file is kept);\n"
    "4 out of memory; 9 stopped at the prompt for a corrupt membership record.\n"
    "\n"
    "ROLLBOOK_TODAY=YYYY-MM-DD replaces today's date (ages, Primary classes).\n"
    "The manual: man rollbook\n";

// What the command line asks for.
struct Command {
    bool help = false;
    bool version = false;
    const char* folder = nullptr;
};

// parseArgs: the options and the folder; false, with the problem reported
// in one line, for an unknown option or a second folder.
bool parseArgs(int argc, char** argv, Command& cmd) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            cmd.help = true;
        } else if (options && (std::strcmp(arg, "-V") == 0 || std::strcmp(arg, "--version") == 0)) {
            cmd.version = true;
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "rollbook: unknown option '%s'\n", arg);
            return false;
        } else if (cmd.folder != nullptr) {
            std::fprintf(stderr, "rollbook: only one folder may be given, not also '%s'\n", arg);
            return false;
        } else {
            cmd.folder = arg;
        }
    }
    return true;
}

// tryHelp: the line that ends every command-line error.
int tryHelp() {
    std::fprintf(stderr, "Try 'rollbook --help' for more information.\n");
    return 2;
}

}  // namespace

int rollbookMain(int argc, char** argv) {
    // 1. The command line: nothing is read or written before it is right.
    Command cmd;
    if (argv != nullptr && !parseArgs(argc, argv, cmd)) return tryHelp();
    if (cmd.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (cmd.version) {
        std::printf("rollbook - version %s\n", RollbookVersion);
        return 0;
    }
    if (cmd.folder != nullptr && chdir(cmd.folder) != 0) {
        std::fprintf(stderr, "rollbook: cannot enter folder '%s': %s\n", cmd.folder, std::strerror(errno));
        return tryHelp();
    }
    if (!checkRunDate()) return 2;

    // 2. The run.
#ifdef SIGXFSZ
    // Past a file-size limit a write should fail and be reported, not end
    // the run.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    installStopHandlers();
    try {
        std::printf("rollbook - version %s\n", RollbookVersion);
        init();
        process();
        wrapup();
    } catch (const std::bad_alloc&) {
        // The report being written is dropped (its old file stays); those
        // already in place stay new.
        std::fflush(stdout);
        std::fputs("rollbook: out of memory\n", stderr);
        removeTempFiles();
        return 4;
    }
    return reportFailed() ? 3 : 0;
}

namespace {

// ask: show a prompt and read the answer (at most 511 characters at a time).
// False when the input has ended.
bool ask(std::FILE* in, std::FILE* out, const char* prompt, std::string& answer) {
    std::fputs(prompt, out);
    std::fflush(out);
    return readline(answer, in) != 0;
}

}  // namespace

void browse(std::FILE* in, std::FILE* out) {
    std::string option, answer;
    for (;;) {
        std::fprintf(out, "\nOptions:\nF - get FamilyID\nM - get MemberID\nR - get RecNo\n");
        if (!ask(in, out, "Q - Quit\n\nEnter option: ", option)) return;
        const char choice = option.empty() ? '\0' : option[0];
        if (choice == 'f') {
            if (!ask(in, out, "Enter FamID: ", answer)) return;
            WardFamily* fam = getFamID(fieldNumber(answer.c_str()));
            if (fam != nullptr) dumpWardFamily(fam, out);
            else std::fprintf(out, "Invalid FamID\n");
        } else if (choice == 'm') {
            if (!ask(in, out, "Enter Member ID: ", answer)) return;
            WardMember* mem = getMemID(fieldNumber(answer.c_str()));
            if (mem != nullptr) dumpWardMember(mem, out);
            else std::fprintf(out, "Invalid MemID\n");
        } else if (choice == 'r') {
            if (!ask(in, out, "Enter RecNo: ", answer)) return;
            WardMember* mem = getRecNo(answer.c_str());
            if (mem != nullptr) dumpWardMember(mem, out);
            else std::fprintf(out, "Invalid RecNo\n");
        } else if (choice == 'q') {
            // Only an answer beginning with 'n' keeps the console open.
            if (!ask(in, out, "Are you sure? (y or n): ", answer) || answer.empty() || answer[0] != 'n') return;
        } else {
            std::fprintf(out, "Invalid option (%s)\n", option.c_str());
        }
    }
}

void browse() { browse(stdin, stdout); }
