// Golden tests: every folder under tests/golden is one run of the built
// program. The folder holds the input files, an optional `stdin`, an optional
// `today` (the run date, YYYY-MM-DD; 2026-06-15 when absent), an optional
// `fsize` (a file-size limit for the run, in KiB), an optional `diskfree`
// (the run happens on a small file system of its own with this many KiB
// free; skipped where no such file system can be mounted), an optional
// `closed` (the standard streams, 0 1 2, the run starts without), an optional
// `args` (the command-line arguments, one line, split at blanks), a one-line
// README and `expected/` with every file the run writes plus `stdout`,
// `stderr` and `exit`. An expected file may also bear an input's name: the
// input (an old report, a link's target) must then hold it after the run.
// An input may be a folder (a folder in the place of a report file makes
// that report fail to open) or a symbolic link, copied as a link. The run
// happens in a fresh temporary copy of the inputs and every byte is
// compared.
//
// ROLLBOOK_GOLDEN_UPDATE=1 rewrites expected/ from the actual run (an input
// goes there when the run changed it or expected/ held it already); read
// every rewritten file against the intended behaviour before committing it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const DefaultToday = "2026-06-15";

// Files of a case folder that are not inputs of the run.
bool isCaseControlFile(const std::string& name) {
    return name == "README" || name == "stdin" || name == "today" || name == "fsize" || name == "args" ||
           name == "diskfree" || name == "closed" || name == "expected";
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << data;
}

std::string trimEnd(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// Printable excerpt of data around offset, with control bytes escaped.
std::string excerpt(const std::string& data, std::size_t at) {
    std::size_t from = at > 40 ? at - 40 : 0;
    std::string out;
    for (std::size_t i = from; i < data.size() && i < at + 40; ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 32 || c > 126) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

// Empty when equal; otherwise where and how the bytes differ.
std::string difference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    std::ostringstream s;
    s << "first difference at byte " << at << " (expected " << expected.size() << " bytes, got "
      << actual.size() << ")\n  expected: ..." << excerpt(expected, at) << "...\n  actual:   ..."
      << excerpt(actual, at) << "...";
    return s.str();
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// unshareCommand: how to run a command with mounts of its own.
std::string unshareCommand() { return getuid() == 0 ? "unshare -m" : "unshare -Urm"; }

// canMountSmallDisk: whether a small file system can be mounted privately.
bool canMountSmallDisk() {
    static const bool can = std::system((unshareCommand() + " bash -c 'mount -t tmpfs -o size=64k tmpfs /tmp' "
                                         ">/dev/null 2>&1").c_str()) == 0;
    return can;
}

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, RunMatchesExpectedFiles) {
    const fs::path caseDir = fs::path(GOLDEN_DIR) / GetParam();
    const fs::path expectedDir = caseDir / "expected";
    const bool update = std::getenv("ROLLBOOK_GOLDEN_UPDATE") != nullptr;

    // 1. A fresh folder holding the inputs, and one beside it for the console.
    std::string tmpl = (fs::temp_directory_path() / "rollbook-golden-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const fs::path root = tmpl;
    const fs::path work = root / "run";
    fs::create_directory(work);
    std::set<std::string> inputs;
    for (const auto& entry : fs::directory_iterator(caseDir)) {
        std::string name = entry.path().filename().string();
        if (isCaseControlFile(name)) continue;
        fs::copy(entry.path(), work / name, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        inputs.insert(name);
    }

    // 2. Run the program there; with `diskfree`, on a small file system of
    //    its own that has just that many KiB free when the run starts.
    std::string today = DefaultToday;
    if (fs::exists(caseDir / "today")) today = trimEnd(readFile(caseDir / "today"));
    fs::path stdinFile = fs::exists(caseDir / "stdin") ? caseDir / "stdin" : fs::path("/dev/null");
    std::string limit;
    if (fs::exists(caseDir / "fsize")) limit = "ulimit -f " + trimEnd(readFile(caseDir / "fsize")) + " && ";
    std::string args;
    if (fs::exists(caseDir / "args")) {
        std::istringstream words(trimEnd(readFile(caseDir / "args")));
        for (std::string w; words >> w;) args += " " + shellQuote(w);
    }
    // `closed` names the standard streams (0, 1, 2) the run starts without.
    std::string closed;
    if (fs::exists(caseDir / "closed")) closed = readFile(caseDir / "closed");
    auto stream = [&](char fd, const std::string& redirect) {
        return closed.find(fd) != std::string::npos ? std::string(1, fd) + ">&-" : redirect;
    };
    writeFile(root / "stdout", "");
    writeFile(root / "stderr", "");
    const std::string run = "cd " + shellQuote(work.string()) + " && ROLLBOOK_TODAY=" + shellQuote(today) + " " +
                            shellQuote(ROLLBOOK_EXE) + args + " " + stream('0', "<" + shellQuote(stdinFile.string())) +
                            " " + stream('1', ">" + shellQuote((root / "stdout").string())) + " " +
                            stream('2', "2>" + shellQuote((root / "stderr").string()));
    int exitStatus = -1;
    fs::path results = work;
    if (fs::exists(caseDir / "diskfree")) {
        if (!canMountSmallDisk()) GTEST_SKIP() << "no private mount of a small file system here";
        const fs::path staged = root / "inputs";
        results = root / "results";
        fs::rename(work, staged);
        fs::create_directory(work);
        fs::create_directory(results);
        const std::string w = shellQuote(work.string());
        const std::string script =
            "mount -t tmpfs -o size=4m tmpfs " + w + " && cp -a " + shellQuote(staged.string()) + "/. " + w +
            " && avail=$(df -k --output=avail " + w + " | tail -1) && dd if=/dev/zero of=" + w +
            "/.filler bs=1k count=$((avail - " + trimEnd(readFile(caseDir / "diskfree")) + ")) status=none && (" +
            limit + run + "; echo $? >" + shellQuote((root / "exit").string()) + "); rm -f " + w +
            "/.filler; cp -a " + w + "/. " + shellQuote(results.string());
        std::system((unshareCommand() + " bash -c " + shellQuote(script)).c_str());
        std::istringstream(readFile(root / "exit")) >> exitStatus;
        ASSERT_GE(exitStatus, 0) << "the run on the small file system did not happen";
    } else {
        int status = std::system(("bash -c " + shellQuote(limit + run)).c_str());
        ASSERT_TRUE(WIFEXITED(status)) << "the program did not exit normally";
        exitStatus = WEXITSTATUS(status);
    }

    // 3. Everything the run produced, by name: the files that were not
    //    inputs, and the inputs that expected/ names (an old report that
    //    must be kept or replaced, a link's target that must not change).
    std::map<std::string, std::string> actual;
    actual["stdout"] = readFile(root / "stdout");
    actual["stderr"] = readFile(root / "stderr");
    actual["exit"] = std::to_string(exitStatus) + "\n";
    for (const auto& entry : fs::directory_iterator(results)) {
        std::string name = entry.path().filename().string();
        if (inputs.count(name) && !fs::exists(expectedDir / name)) {
            // An input the run left as it was (still the link or folder, or
            // the same bytes) is not an output.
            if (!update || fs::is_symlink(entry.path()) || fs::is_directory(entry.path())) continue;
            if (!fs::is_symlink(caseDir / name) && readFile(caseDir / name) == readFile(entry.path())) continue;
        }
        actual[name] = fs::is_directory(entry.path()) ? "(a folder)" : readFile(entry.path());
    }

    if (update) {
        fs::remove_all(expectedDir);
        fs::create_directory(expectedDir);
        for (const auto& [name, data] : actual) writeFile(expectedDir / name, data);
    } else {
        // 4. Every expected file matches byte for byte, and nothing else was written.
        std::set<std::string> expectedNames;
        for (const auto& entry : fs::directory_iterator(expectedDir)) {
            std::string name = entry.path().filename().string();
            expectedNames.insert(name);
            auto it = actual.find(name);
            if (it == actual.end()) {
                ADD_FAILURE() << name << ": expected but not written";
                continue;
            }
            std::string diff = difference(readFile(entry.path()), it->second);
            EXPECT_TRUE(diff.empty()) << name << ": " << diff;
        }
        for (const auto& [name, data] : actual)
            EXPECT_TRUE(expectedNames.count(name)) << name << ": written but not expected";
    }
    if (!HasFailure()) fs::remove_all(root);
    else std::fprintf(stderr, "run kept in %s\n", root.string().c_str());
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(caseNames()), testName);

// The sample cases run exactly the bundled example exports.
TEST(Samples, EachExampleFolderIsTheInputOfItsSampleCase) {
    const fs::path examples = EXAMPLES_DIR;
    int compared = 0;
    for (const auto& example : fs::directory_iterator(examples)) {
        const fs::path caseDir = fs::path(GOLDEN_DIR) / ("sample_" + example.path().filename().string());
        ASSERT_TRUE(fs::is_directory(caseDir)) << caseDir << " is missing";
        std::set<std::string> inputs;
        for (const auto& entry : fs::directory_iterator(caseDir))
            if (!isCaseControlFile(entry.path().filename().string())) inputs.insert(entry.path().filename().string());
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(example.path())) {
            const std::string name = entry.path().filename().string();
            files.insert(name);
            EXPECT_EQ(readFile(entry.path()), readFile(caseDir / name)) << caseDir / name;
            ++compared;
        }
        EXPECT_EQ(files, inputs) << caseDir;
    }
    EXPECT_GT(compared, 0);
}

// csvFields: the fields of one line of an export: comma separated, a quoted
// field may hold commas, and two quotes stand for one.
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            out.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else if (c != '\r') {
            out.back() += c;
        }
    }
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

// runSample: run the program, behind wrapper and with its console sent as
// redirect says, in a fresh copy "run" of an example folder (prepared by
// prepare). Returns the exit status, or -1 when it did not exit normally.
int runSample(const fs::path& example, fs::path& work, const std::string& redirect = ">/dev/null 2>&1",
              const std::string& wrapper = "", void (*prepare)(const fs::path&) = nullptr) {
    std::string tmpl = (fs::temp_directory_path() / "rollbook-sample-XXXXXX").string();
    EXPECT_NE(mkdtemp(tmpl.data()), nullptr);
    work = fs::path(tmpl) / "run";
    fs::copy(example, work, fs::copy_options::recursive);
    if (prepare != nullptr) prepare(work);
    const std::string cmd = "cd " + shellQuote(work.string()) + " && ROLLBOOK_TODAY=" + DefaultToday + " " +
                            wrapper + shellQuote(ROLLBOOK_EXE) + " </dev/null " + redirect;
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// writeMinimal: the rows as a spreadsheet saves them: a field quoted only
// when it holds a comma or a quote, empty fields as nothing.
std::string writeMinimal(const std::vector<std::string>& rows) {
    std::string out;
    for (const std::string& row : rows) {
        const std::vector<std::string> fields = csvFields(row);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) out += ',';
            if (fields[i].find_first_of(",\"") == std::string::npos) {
                out += fields[i];
                continue;
            }
            out += '"';
            for (char c : fields[i]) out += c == '"' ? std::string("\"\"") : std::string(1, c);
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

// consoleAndFiles: everything a run in work wrote: its files, and the
// console and status runSample kept beside it.
std::map<std::string, std::string> consoleAndFiles(const fs::path& work, int status) {
    std::map<std::string, std::string> got;
    for (const auto& e : fs::directory_iterator(work)) got[e.path().filename().string()] = readFile(e.path());
    for (const char* console : {"stdout", "stderr"}) got[console] = readFile(work.parent_path() / console);
    got["exit"] = std::to_string(status);
    return got;
}

}  // namespace

// Every input of a sample beginning with a byte-order mark, and its
// membership export saved back from a spreadsheet, give the sample's own
// run: its reports, console and status.
TEST(Samples, ByteOrderMarksAndSpreadsheetSavingChangeNothingOfASamplesRun) {
    using Prepare = void (*)(const fs::path&);
    const Prepare withMarks = [](const fs::path& run) {
        for (const auto& e : fs::directory_iterator(run)) writeFile(e.path(), "\xEF\xBB\xBF" + readFile(e.path()));
    };
    const Prepare resaved = [](const fs::path& run) {
        writeFile(run / "Membership.csv", writeMinimal(lines(readFile(run / "Membership.csv"))));
    };
    int variants = 0;
    for (const auto& example : fs::directory_iterator(EXAMPLES_DIR)) {
        fs::path original;
        const std::string console = ">../stdout 2>../stderr";
        const auto want = consoleAndFiles(original, runSample(example.path(), original, console));
        for (const Prepare prepare : {withMarks, resaved}) {
            if (prepare == resaved && !fs::exists(example.path() / "Membership.csv")) continue;
            fs::path variant;
            const int status = runSample(example.path(), variant, console, "", prepare);
            const auto got = consoleAndFiles(variant, status);
            for (const auto& [name, bytes] : want) {
                if (fs::exists(example.path() / name)) continue;  // an input
                auto it = got.find(name);
                EXPECT_TRUE(it != got.end() && it->second == bytes)
                    << example.path().filename() << (prepare == withMarks ? " with marks: " : " resaved: ") << name;
            }
            ++variants;
            fs::remove_all(variant.parent_path());
        }
        fs::remove_all(original.parent_path());
    }
    EXPECT_EQ(variants, 6);
}

// A run given the folder writes there, from another folder, exactly what a
// run in that folder writes.
TEST(Samples, AFolderGivenOnTheCommandLineGetsTheRunOfThatFolder) {
    for (const auto& example : fs::directory_iterator(EXAMPLES_DIR)) {
        fs::path here;
        ASSERT_EQ(runSample(example.path(), here, ">../stdout 2>../stderr"), 0) << example.path();
        std::string tmpl = (fs::temp_directory_path() / "rollbook-folder-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        const fs::path there = fs::path(tmpl) / "exports";
        fs::copy(example.path(), there, fs::copy_options::recursive);
        fs::create_directory(fs::path(tmpl) / "elsewhere");
        const std::string cmd = "cd " + shellQuote((fs::path(tmpl) / "elsewhere").string()) + " && ROLLBOOK_TODAY=" +
                                DefaultToday + " " + shellQuote(ROLLBOOK_EXE) + " ../exports </dev/null >../stdout 2>../stderr";
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << example.path();
        EXPECT_TRUE(fs::is_empty(fs::path(tmpl) / "elsewhere")) << example.path();
        std::set<std::string> names;
        for (const fs::path& dir : {here, there})
            for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
        for (const std::string& n : names)
            EXPECT_EQ(readFile(here / n), readFile(there / n)) << example.path().filename() << ": " << n;
        for (const char* console : {"stdout", "stderr"})
            EXPECT_EQ(readFile(here.parent_path() / console), readFile(fs::path(tmpl) / console)) << console;
        fs::remove_all(here.parent_path());
        fs::remove_all(tmpl);
    }
}

// With both streams going to one log, each progress text stands before the
// messages of the writer it announces, and the reading steps before theirs.
TEST(Samples, OneLogKeepsProgressTextsAndMessagesInTheOrderWritten) {
    fs::path work;
    const int status = runSample(fs::path(EXAMPLES_DIR) / "ward", work, ">log 2>&1", "", [](const fs::path& run) {
        fs::create_directory(run / "wardfam.csv");
        fs::create_directory(run / "wardphone.txt");
    });
    EXPECT_EQ(status, 3);
    const std::string log = readFile(work / "log");
    EXPECT_NE(log.find("Creating CSVs: famError opening output file (wardfam.csv)\n, mem"), std::string::npos) << log;
    EXPECT_NE(log.find(", PhoneError opening report file (wardphone.txt)\n, HT"), std::string::npos) << log;
    const std::size_t reading = log.find("Reading auxfile\n"), created = log.find("Creating membership record");
    EXPECT_TRUE(reading != std::string::npos && created != std::string::npos && reading < created) << log;
    fs::remove_all(work.parent_path());
}

// ---- Every golden case's outputs ----

namespace {

// strictCsv: the rows of a table written by the rules spreadsheets and
// Python's csv module read: fields separated by commas, a quoted field
// holding anything, a quote inside it written twice. False for a quote in
// the wrong place.
bool strictCsv(const std::string& text, std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> row(1);
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') row.back() += c;
            else if (i + 1 < text.size() && text[i + 1] == '"') row.back() += text[++i];
            else quoted = false;
        } else if (c == '"') {
            if (wasQuoted || !row.back().empty()) return false;
            quoted = wasQuoted = true;
        } else if (c == ',') {
            row.emplace_back();
            wasQuoted = false;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.push_back(row);
            row.assign(1, "");
            wasQuoted = false;
            ++i;
        } else if (wasQuoted) {
            return false;  // text after a closing quote
        } else {
            row.back() += c;
        }
    }
    return !quoted && row.size() == 1 && row[0].empty();  // the last line ended
}

}  // namespace

TEST(Tables, EveryGoldenTableReadsWithAsManyColumnsAsItsHeaderNames) {
    int tables = 0;
    for (const std::string& c : caseNames()) {
        const fs::path expected = fs::path(GOLDEN_DIR) / c / "expected";
        if (!fs::is_directory(expected)) continue;
        for (const auto& f : fs::directory_iterator(expected)) {
            const std::string name = f.path().filename().string();
            if (f.path().extension() != ".csv") continue;
            std::vector<std::vector<std::string>> rows;
            ASSERT_TRUE(strictCsv(readFile(f.path()), rows)) << c << "/" << name << ": a quote out of place";
            ASSERT_FALSE(rows.empty()) << c << "/" << name;
            // The callings tables carry two unnamed unit columns.
            const bool callings = name.size() >= 7 && name.compare(name.size() - 7, 7, "org.csv") == 0;
            const std::size_t width = rows[0].size() + (callings ? 2 : 0);
            for (std::size_t r = 1; r < rows.size(); ++r)
                EXPECT_EQ(rows[r].size(), width) << c << "/" << name << " row " << r;
            ++tables;
        }
    }
    EXPECT_GT(tables, 50);
}

TEST(Tables, NoGoldenReportOrConsoleTextHoldsAZeroByte) {
    for (const std::string& c : caseNames()) {
        const fs::path expected = fs::path(GOLDEN_DIR) / c / "expected";
        if (!fs::is_directory(expected)) continue;
        for (const auto& f : fs::directory_iterator(expected))
            EXPECT_EQ(readFile(f.path()).find('\0'), std::string::npos) << c << "/" << f.path().filename().string();
    }
}

// ---- Stopped and failed runs: every report old or new, never part ----

namespace {

// A made-up ward large enough that a run takes a while, its reports from a
// run to the end, and old reports that differ from them.
struct BigWard {
    std::string root;
    fs::path ward;
    std::map<std::string, std::string> report;  // name -> bytes of a whole run
    double seconds = 0;                          // how long that run took
};

// startRun: the program in dir, standard input and output on /dev/null and
// the error stream into errFile, with default signal dispositions, the run
// date today and, when asLimit is not 0, that many bytes of address space.
pid_t startRun(const fs::path& dir, const fs::path& errFile, const char* today = DefaultToday,
               rlim_t asLimit = 0) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int null = open("/dev/null", O_RDWR);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || err < 0) _exit(127);
    dup2(null, 0);
    dup2(null, 1);
    dup2(err, 2);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
    setenv("ROLLBOOK_TODAY", today, 1);
    if (asLimit != 0) {
        const rlimit limit{asLimit, asLimit};
        setrlimit(RLIMIT_AS, &limit);
    }
    execl(ROLLBOOK_EXE, ROLLBOOK_EXE, static_cast<char*>(nullptr));
    _exit(127);
}

bool makeBigWard(BigWard& w, int members) {
    w.root = (fs::temp_directory_path() / "rollbook-stops-XXXXXX").string();
    if (mkdtemp(w.root.data()) == nullptr) return false;
    w.ward = fs::path(w.root) / "ward";
    const std::string gen = shellQuote(ROLLBOOK_BENCH_EXE) + " gen --members " + std::to_string(members) +
                            " --seed 5 --out " + shellQuote(w.ward.string()) + " >/dev/null";
    if (std::system(gen.c_str()) != 0) return false;
    const fs::path whole = fs::path(w.root) / "whole";
    fs::copy(w.ward, whole);
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(startRun(whole, fs::path(w.root) / "stderr"), &status, 0);
    w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    for (const auto& e : fs::directory_iterator(whole))
        if (!fs::exists(w.ward / e.path().filename())) w.report[e.path().filename().string()] = readFile(e.path());
    return !w.report.empty();
}

// freshCopy: the ward's exports in a new folder, with an old report at the
// name of each report.
fs::path freshCopy(const BigWard& w, const std::string& name) {
    const fs::path dir = fs::path(w.root) / name;
    fs::remove_all(dir);
    fs::copy(w.ward, dir);
    for (const auto& [report, bytes] : w.report) writeFile(dir / report, "old " + report + "\r\n");
    return dir;
}

// Outcome: how many reports a stopped run left old and new; a report that is
// neither, or a temporary file left, fails the test.
struct Outcome {
    int olds = 0, news = 0;
};

Outcome checkReports(const BigWard& w, const fs::path& dir, const std::string& what) {
    Outcome o;
    for (const auto& [report, bytes] : w.report) {
        const std::string got = readFile(dir / report);
        if (got == "old " + report + "\r\n") ++o.olds;
        else if (got == bytes) ++o.news;
        else ADD_FAILURE() << what << ": " << report << " is neither the old report nor the new one";
    }
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".rollbook-"), std::string::npos)
            << what << ": temporary file left: " << e.path().filename();
    return o;
}

}  // namespace

TEST(Stops, ASignalWhileWritingLeavesEveryReportOldOrNewAndNoTemporaryFile) {
    BigWard w;
    ASSERT_TRUE(makeBigWard(w, 30000));
    int mixed = 0;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        for (double at : {0.4, 0.55, 0.7, 0.85, 1.0}) {
            const std::string what = std::string(strsignal(sig)) + " at " + std::to_string(at);
            const fs::path dir = freshCopy(w, "run");
            const pid_t pid = startRun(dir, fs::path(w.root) / "stderr");
            std::this_thread::sleep_for(std::chrono::duration<double>(at * w.seconds));
            kill(pid, sig);
            int status = 0;
            waitpid(pid, &status, 0);
            // Ended by the signal, as it would be without the handler, or
            // done before it came.
            const bool stopped = WIFSIGNALED(status) && WTERMSIG(status) == sig;
            EXPECT_TRUE(stopped || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << what;
            const Outcome o = checkReports(w, dir, what);
            if (stopped && o.olds > 0 && o.news > 0) ++mixed;
        }
    }
    // At least one signal came while the reports were being written.
    EXPECT_GT(mixed, 0);
    fs::remove_all(w.root);
}

#ifndef ROLLBOOK_SANITIZED
TEST(Stops, RunningOutOfMemoryEndsWithStatusFourAndLeavesEveryReportOldOrNew) {
    BigWard w;
    ASSERT_TRUE(makeBigWard(w, 30000));
    int outOfMemory = 0, midway = 0;
    for (int mb = 8; mb <= 96; mb += 4) {
        const std::string what = "a limit of " + std::to_string(mb) + " MB";
        const fs::path dir = freshCopy(w, "run");
        const fs::path err = fs::path(w.root) / "stderr";
        int status = 0;
        waitpid(startRun(dir, err, DefaultToday, static_cast<rlim_t>(mb) << 20), &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << what << ": ended by a signal";
        const int code = WEXITSTATUS(status);
        EXPECT_TRUE(code == 0 || code == 4) << what << ": status " << code;
        if (code != 4) continue;
        ++outOfMemory;
        const std::string text = readFile(err);
        EXPECT_GE(text.size(), 24u);
        EXPECT_EQ(text.substr(text.size() - std::min<std::size_t>(text.size(), 24)), "rollbook: out of memory\n")
            << what;
        const Outcome o = checkReports(w, dir, what);
        if (o.news > 0 && o.olds > 0) ++midway;
    }
    EXPECT_GT(outOfMemory, 0);
    EXPECT_GT(midway, 0) << "no limit was met while the reports were being written";
    fs::remove_all(w.root);
}
#endif

TEST(Stops, TwoRunsInOneFolderLeaveEveryReportWholeFromOneOrTheOther) {
    BigWard w;
    ASSERT_TRUE(makeBigWard(w, 20000));
    // The second run counts ages to another date, so most reports differ.
    BigWard later = w;
    {
        const fs::path whole = fs::path(w.root) / "later";
        fs::copy(w.ward, whole);
        int status = 0;
        waitpid(startRun(whole, fs::path(w.root) / "stderr", "2031-01-01"), &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        for (auto& [report, bytes] : later.report) bytes = readFile(whole / report);
    }
    for (int round = 0; round < 3; ++round) {
        const fs::path dir = freshCopy(w, "run");
        const pid_t a = startRun(dir, fs::path(w.root) / "stderr-a");
        const pid_t b = startRun(dir, fs::path(w.root) / "stderr-b", "2031-01-01");
        int sa = 0, sb = 0;
        waitpid(a, &sa, 0);
        waitpid(b, &sb, 0);
        EXPECT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0 && WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
        for (const auto& [report, bytes] : w.report) {
            const std::string got = readFile(dir / report);
            EXPECT_TRUE(got == bytes || got == later.report[report]) << report << " is not whole";
        }
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_EQ(e.path().filename().string().find(".rollbook-"), std::string::npos) << e.path().filename();
    }
    fs::remove_all(w.root);
}

#ifndef ROLLBOOK_SANITIZED
// The sample runs are clean under valgrind's memcheck (skipped without it).
TEST(Samples, EachSampleRunsCleanUnderMemcheck) {
    if (std::system("command -v valgrind >/dev/null 2>&1") != 0) GTEST_SKIP() << "no valgrind";
    for (const auto& example : fs::directory_iterator(EXAMPLES_DIR)) {
        fs::path work;
        const std::string valgrind = "valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite ";
        const int status = runSample(example.path(), work, ">/dev/null 2>../valgrind", valgrind);
        EXPECT_EQ(status, 0) << example.path() << ":\n" << readFile(work.parent_path() / "valgrind");
        fs::remove_all(work.parent_path());
    }
}
#endif
