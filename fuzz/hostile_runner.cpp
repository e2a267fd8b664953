// Hostile-input runner: writes many mutated copies of the sample export
// folders and runs the (sanitized) program in each with a time limit. A run
// fails when it ends by a signal, reports a sanitizer finding, times out or
// exits with a status other than 0, 1, 2, 3 or 9; its folder is kept for
// replay (run the program in it), the others are removed.
//
//   hostile_runner --exe build-sanitize/rollbook --examples examples
//                  [--count N] [--seconds S] [--seed N] [--work DIR]
//
// Every folder is made from the seed and its number alone, so a run can be
// repeated exactly.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string exe;
    std::string examples;
    std::string work = "/tmp/rollbook-hostile";
    long count = 1000;
    double seconds = 0;  // 0: no time limit
    unsigned long seed = 1;
};

// The inputs a folder may hold, and report names that may stand in the way.
const char* const InputNames[] = {"Membership.csv", "mlsdir.txt",       "webdir.csv", "mlsaux.txt",
                                  "Organization.csv", "WardOrganization.csv", "mlsorg.txt", "HomeTeaching.csv",
                                  "ht.txt",           "VisitingTeaching.csv", "vt.txt"};
const char* const ReportNames[] = {"wardfam.csv", "wardmem.csv", "wardbbpriv.html", "wardpriv.txt", "wardht.txt",
                                   "stakeorg.csv", "stakepriv.txt", "allorg.txt", "wardpriMMS.txt", "stakephone.txt"};

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

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class Mutator {
public:
    Mutator(const fs::path& dir, unsigned long seed) : dir_(dir), rng_(seed) {}

    // apply: one to three mutations; returns what was done, for the log.
    std::string apply() {
        std::string done;
        const int n = 1 + pick(3);
        for (int i = 0; i < n; ++i) {
            std::string what;
            try {
                what = one();
            } catch (const fs::filesystem_error&) {
                what = "skipped";  // an earlier mutation left something else in the place
            }
            done += (i > 0 ? ", " : "") + what;
        }
        return done;
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned long>(n)); }

    std::vector<fs::path> files() {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.is_regular_file()) out.push_back(e.path());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string randomBytes(std::size_t n, bool printable) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) {
            int c = printable ? 32 + pick(95) : pick(256);
            s += static_cast<char>(c);
        }
        return s;
    }

    // lineStarts: offsets where lines begin.
    static std::vector<std::size_t> lineStarts(const std::string& s) {
        std::vector<std::size_t> at{0};
        for (std::size_t i = 0; i < s.size(); ++i)
            if (s[i] == '\n' && i + 1 < s.size()) at.push_back(i + 1);
        return at;
    }

    std::string one() {
        std::vector<fs::path> fs_ = files();
        if (fs_.empty()) return "nothing";
        const fs::path f = fs_[static_cast<std::size_t>(pick(static_cast<int>(fs_.size())))];
        std::string data = readFile(f);
        const std::string name = f.filename().string();
        const std::size_t at = data.empty() ? 0 : static_cast<std::size_t>(rng_() % (data.size() + 1));
        switch (pick(17)) {
        case 0:
            data.resize(at);
            writeFile(f, data);
            return "truncate " + name;
        case 1:
            for (int i = 0, k = 1 + pick(8); i < k && !data.empty(); ++i)
                data[rng_() % data.size()] ^= static_cast<char>(1 << pick(8));
            writeFile(f, data);
            return "flip bits " + name;
        case 2:
            data.insert(at, randomBytes(1 + static_cast<std::size_t>(pick(64)), false));
            writeFile(f, data);
            return "random bytes " + name;
        case 3: {
            std::string out;
            for (char c : data)
                if (c != '\n') out += c;
                else if (out.empty() || out.back() != '\r') out += '\r';
            writeFile(f, out);
            return "CR alone " + name;
        }
        case 4:
            data.insert(at, "\n" + randomBytes(600 + static_cast<std::size_t>(pick(4400)), true) + "\n");
            writeFile(f, data);
            return "long line " + name;
        case 5: {
            std::string line;
            const char sep = pick(2) ? ',' : '\t';
            for (int i = 0, k = 150 + pick(250); i < k; ++i) line += (i ? std::string(1, sep) : "") + "x";
            data.insert(at, "\n" + line + "\n");
            writeFile(f, data);
            return "many fields " + name;
        }
        case 6: {
            std::vector<std::size_t> starts = lineStarts(data);
            std::size_t ls = starts[static_cast<std::size_t>(pick(static_cast<int>(starts.size())))];
            std::size_t le = data.find('\n', ls);
            std::size_t sep = data.find_first_of(",\t|", ls);
            if (sep != std::string::npos && (le == std::string::npos || sep < le)) {
                if (pick(2)) data.erase(sep, 1);
                else data.insert(sep, 1, data[sep]);
            }
            writeFile(f, data);
            return "field count " + name;
        }
        case 7: {
            const fs::path g = fs_[static_cast<std::size_t>(pick(static_cast<int>(fs_.size())))];
            std::string other = readFile(g);
            writeFile(g, data);
            writeFile(f, other);
            return "swap " + name + " " + g.filename().string();
        }
        case 8:
            writeFile(f, "");
            return "empty " + name;
        case 9: {
            std::vector<std::size_t> starts = lineStarts(data);
            std::size_t ls = starts[static_cast<std::size_t>(pick(static_cast<int>(starts.size())))];
            std::size_t le = data.find('\n', ls);
            std::string line = data.substr(ls, le == std::string::npos ? std::string::npos : le - ls + 1);
            if (pick(2)) data.insert(ls, line);
            else data.erase(ls, line.size());
            writeFile(f, data);
            return "duplicate or drop a line of " + name;
        }
        case 10: {
            const fs::path in = dir_ / InputNames[pick(11)];
            fs::remove_all(in);
            fs::create_directory(in);
            return "folder as " + in.filename().string();
        }
        case 11: {
            const fs::path in = dir_ / InputNames[pick(11)];
            fs::remove_all(in);
            mkfifo(in.c_str(), 0600);
            return "pipe as " + in.filename().string();
        }
        case 12: {
            const fs::path out = dir_ / ReportNames[pick(10)];
            fs::remove_all(out);
            switch (pick(3)) {
            case 0: fs::create_directory(out); break;
            case 1: mkfifo(out.c_str(), 0600); break;
            default: fs::create_symlink("/dev/full", out); break;
            }
            return "in the way of " + out.filename().string();
        }
        case 13: {
            const fs::path to = dir_ / InputNames[pick(11)];
            if (fs::exists(fs::symlink_status(to)) && !fs::is_regular_file(fs::symlink_status(to))) return "skipped";
            fs::copy_file(f, to, fs::copy_options::overwrite_existing);
            return "copy " + name + " to another input";
        }
        case 14: {
            static const char* const keys[] = {"family", "id", "name", "pname", "sex", "addr", "addr2", "city", "state",
                                               "zip", "phone", "cell", "work", "email", "rem", "birth", "stat", "x"};
            std::string aux;
            for (int i = 0, k = 1 + pick(20); i < k; ++i) {
                if (pick(5) == 0) {
                    aux += "!" + std::string(pick(2) ? "ShowAddr=" : "HTZip=") + randomBytes(2, true) + "\n";
                    continue;
                }
                aux += pick(2) ? "R" + std::to_string(pick(5)) : randomBytes(3, true);
                for (int j = 0, m = pick(6); j < m; ++j)
                    aux += "|" + std::string(keys[pick(18)]) + "=" + randomBytes(static_cast<std::size_t>(pick(12)), true);
                aux += "\n";
            }
            const fs::path file = dir_ / "mlsaux.txt";
            // Never open a pipe left by an earlier mutation: that would wait.
            if (fs::exists(fs::symlink_status(file)) && !fs::is_regular_file(fs::symlink_status(file)))
                return "skipped";
            writeFile(file, readFile(file) + aux);
            return "auxiliary lines";
        }
        case 15:
            chmod(f.c_str(), 0);
            return "unreadable " + name;
        default:
            writeFile(f, randomBytes(static_cast<std::size_t>(pick(4096)), false));
            return "random file " + name;
        }
    }

    fs::path dir_;
    std::mt19937_64 rng_;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i], v = argv[i + 1];
        if (k == "--exe") o.exe = v;
        else if (k == "--examples") o.examples = v;
        else if (k == "--work") o.work = v;
        else if (k == "--count") o.count = std::stol(v);
        else if (k == "--seconds") o.seconds = std::stod(v);
        else if (k == "--seed") o.seed = std::stoul(v);
        else return false;
    }
    return !o.exe.empty() && !o.examples.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::cerr << "usage: hostile_runner --exe PATH --examples DIR [--count N] [--seconds S] [--seed N] "
                     "[--work DIR]\n";
        return 2;
    }
    const fs::path exe = fs::absolute(o.exe);
    std::vector<fs::path> bases;
    for (const auto& e : fs::directory_iterator(o.examples))
        if (e.is_directory()) bases.push_back(e.path());
    std::sort(bases.begin(), bases.end());
    fs::create_directories(o.work);

    const auto start = std::chrono::steady_clock::now();
    long runs = 0, failures = 0;
    for (long i = 0; i < o.count; ++i) {
        if (o.seconds > 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= o.seconds)
            break;
        // 1. A fresh folder from one of the samples, mutated.
        std::mt19937_64 choose(o.seed * 1000003UL + static_cast<unsigned long>(i));
        const fs::path base = bases[choose() % bases.size()];
        const fs::path dir = fs::path(o.work) / ("case-" + std::to_string(o.seed) + "-" + std::to_string(i));
        fs::remove_all(dir);
        fs::copy(base, dir, fs::copy_options::recursive);
        const std::string what = Mutator(dir, choose()).apply();

        // 2. The run, with a time limit and sanitizer reports as exit 86.
        const std::string cmd = "cd " + shellQuote(dir.string()) +
                                " && ROLLBOOK_TODAY=2026-06-15 ASAN_OPTIONS=detect_leaks=1:exitcode=86 "
                                "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=86 timeout 20 " +
                                shellQuote(exe.string()) + " </dev/null >.stdout 2>.stderr";
        const int status = std::system(cmd.c_str());
        ++runs;
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const std::string err = readFile(dir / ".stderr");
        const bool sanitizer = err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
        const bool ok = !sanitizer && (code == 0 || code == 1 || code == 2 || code == 3 || code == 9);
        if (ok) {
            fs::remove_all(dir);
            continue;
        }
        ++failures;
        writeFile(dir / ".mutations", base.filename().string() + ": " + what + "\n");
        std::cout << "FAILED " << dir.string() << " (exit " << code << (sanitizer ? ", sanitizer report" : "")
                  << (code == 124 ? ", time-out" : "") << "): " << base.filename().string() << ": " << what << "\n";
    }
    std::cout << runs << " folders, " << failures << " failures\n";
    return failures == 0 ? 0 : 1;
}
