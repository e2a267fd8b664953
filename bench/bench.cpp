// Benchmark of rollbook on large made-up exports.
//
//   rollbook_bench gen --members N [--stake] [--seed S] [--shape NAME] --out DIR
//       writes the exports of a made-up ward (or stake) of about N members:
//       Membership.csv, Organization.csv (one calling per ten members),
//       HomeTeaching.csv and VisitingTeaching.csv (three and one assignments
//       per ten members), ht.txt, vt.txt and mlsaux.txt. The shapes other
//       than "normal" are the hard cases of N rows: "household" (one head and
//       N further rows of one household), "ascending" (N heads whose names
//       come in ascending order), "callings" (N callings held by one member)
//       and "auxjoin" (N auxiliary-file members joining one family).
//
//   rollbook_bench run --exe PATH [--sizes 600,5000,...] [--shapes N] [--runs 3]
//       runs the program on made-up wards of the given sizes (default
//       600,5000,10000,20000,40000,80000,100000: 600 is a ward, 5,000 a
//       stake) and prints for each size:
//         - the wall time, the median of --runs runs;
//         - the input-output floor, measured right after those runs: the
//           median of three passes, each reading every input file and
//           writing as many bytes as the reports hold, in 1 MB pieces, to a
//           new file in the same folder (one pass alone, just after a run,
//           reads about twice too slow);
//         - the time as a multiple of that floor;
//         - the peak memory (the highest of the runs) and its multiple of
//           the input bytes;
//         - the growth of the time per doubling of the size, against the
//           largest size of at most half as many members: the median over
//           at least three pairs of runs, smaller then larger, of
//           (wall larger / wall smaller)^(1 / log2(larger / smaller)).
//           Pairing the runs back to back cancels the drift of the
//           machine's speed between them.
//       Then each hard shape at --shapes rows (default 200,000), with its
//       median time and its ratio to the 100,000-member ward's time when
//       that size was run; and last a verdict, each line "ok" or "MISSED":
//       every size from 5,000 up within 30 times its floor, growth per
//       doubling at most 2.3 from 10,000 up, each shape within 3 times the
//       100,000-member ward, peak memory under 20 times the input bytes
//       from 5,000 members up.
//       The verdict is for information: the exit status is 1 only when some
//       run of the program did not end with status 0.
//
// The exports depend on the seed alone.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ---- Generating exports ----

struct Gen {
    std::mt19937_64 rng;
    bool stake = false;
    explicit Gen(unsigned long seed) : rng(seed) {}

    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned long>(n)); }

    std::string word(int syllables) {
        static const char* const parts[] = {"ba", "ker", "son", "li", "ma", "ra", "to", "ne", "vi", "gan",
                                            "mor", "el", "da", "wen", "ho", "ri", "sa", "tt", "ch", "an"};
        std::string w;
        for (int i = 0; i < syllables; ++i) w += parts[pick(20)];
        w[0] = static_cast<char>(w[0] - 'a' + 'A');
        return w;
    }
    std::string phone() { return "555-" + std::to_string(1000 + pick(9000)) + "-" + std::to_string(1000 + pick(9000)); }
    std::string date(int fromYear, int toYear) {
        static const char* const mons[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        return std::to_string(1 + pick(28)) + " " + mons[pick(12)] + " " + std::to_string(fromYear + pick(toYear - fromYear + 1));
    }
};

std::string q(const std::string& s) { return "\"" + s + "\""; }

// A person of the made-up membership.
struct Person {
    int id;
    std::string last, first, recno, phone, rel, sex, birth;
    int hh, order;
};

// A household: its head's names and phone.
struct House {
    int hh;
    std::string last, first, spouse, phone;
    std::vector<int> members;  // indices into people
};

std::string membershipHeader(bool stake) {
    std::string h = "\"Indiv ID\",\"Full Name\",\"Preferred Name\",\"Record Number\",\"HH ID\",\"HH Relationship\","
                    "\"HH Order\",\"HH Phone\",\"Indiv Phone\",\"HH E-mail\",";
    if (!stake) h += "\"Indiv E-mail\",";
    h += "\"Street 1\",\"Street 2\",\"D/P\",\"City\",\"Postal\",\"State\",\"Country\",\"2nd Street 1\",\"2nd Street "
         "2\",\"2nd D/P\",\"2nd City\",\"2nd Postal\",\"2nd State\",\"2nd Country\",\"Ward GEO Code\",\"Stake GEO "
         "Code\",\"Sex\",\"Birth\",\"Baptized\",\"Confirmed\",\"Endowed\",\"Rec Expires\",\"Priesthood\",\"Mission\","
         "\"Marital Status\",\"Spouse Member\",\"Sealed Current\",\"Sealed Previous\"";
    if (stake) h += ",\"Unit Name\",\"Unit Number\"";
    return h + "\n";
}

std::string membershipRow(const Person& p, bool stake, Gen& g) {
    std::ostringstream r;
    r << q(std::to_string(p.id)) << "," << q(p.last + ", " + p.first) << ",\"\"," << q(p.recno) << ","
      << q(std::to_string(p.hh)) << "," << q(p.rel) << "," << q(std::to_string(p.order)) << "," << q(p.phone)
      << ",\"\",\"\",";
    if (!stake) r << "\"\",";
    const bool head = p.rel == "Head of Household";
    r << q(head ? std::to_string(1 + p.hh % 900) + " Main Street" : "") << ",\"\",\"\"," << q(head ? "Springfield" : "")
      << "," << q(head ? "84001" : "") << "," << q(head ? "Utah" : "") << "," << q(head ? "USA" : "")
      << ",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"W1\",\"S1\"," << q(p.sex) << "," << q(p.birth) << ","
      << q(g.date(1990, 2020)) << ",\"\",\"\",\"\"," << q(p.sex == "M" ? "Elder" : "") << ",\"\",\"Married\",\"\",\"\",\"\"";
    if (stake) r << "," << q("Ward " + std::to_string(1 + p.hh % 8)) << "," << q(std::to_string(1000 + p.hh % 8));
    return r.str() + "\n";
}

void writeText(const fs::path& p, const std::string& s) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << s;
}

// people: about n members in households of one to six, heads first.
void makePeople(Gen& g, int n, std::vector<Person>& people, std::vector<House>& houses) {
    const int surnames = std::max(10, n / 6);  // shared surnames, so that names repeat
    std::vector<std::string> lasts, firsts;
    for (int i = 0; i < surnames; ++i) lasts.push_back(g.word(2 + g.pick(2)));
    for (int i = 0; i < 400; ++i) firsts.push_back(g.word(2));
    int id = 1, hh = 1;
    while (static_cast<int>(people.size()) < n) {
        House h;
        h.hh = hh++;
        h.last = lasts[static_cast<std::size_t>(g.pick(surnames))];
        h.phone = g.phone();
        const int size = 1 + g.pick(6);
        for (int k = 0; k < size && static_cast<int>(people.size()) < n; ++k) {
            Person p;
            p.id = id++;
            p.last = h.last;
            p.first = firsts[static_cast<std::size_t>(g.pick(400))];
            p.recno = "000-" + std::to_string(1000 + h.hh) + "-" + std::to_string(k + 1);
            p.phone = h.phone;
            p.hh = h.hh;
            p.order = k + 1;
            p.rel = k == 0 ? "Head of Household" : (k == 1 ? "Spouse" : "Child");
            p.sex = k == 0 ? "M" : (k == 1 ? "F" : (g.pick(2) ? "M" : "F"));
            p.birth = k < 2 ? g.date(1950, 1995) : g.date(2005, 2024);
            if (k == 0) h.first = p.first;
            if (k == 1) h.spouse = p.first;
            h.members.push_back(static_cast<int>(people.size()));
            people.push_back(p);
        }
        houses.push_back(h);
    }
}

std::string householdName(const House& h) { return h.last + ", " + h.first + (h.spouse.empty() ? "" : " & " + h.spouse); }

void generate(const fs::path& out, int n, bool stake, unsigned long seed, const std::string& shape) {
    Gen g(seed);
    fs::create_directories(out);
    std::vector<Person> people;
    std::vector<House> houses;

    if (shape == "household") {
        // One head and n further rows of the same household.
        std::string m = membershipHeader(false);
        for (int i = 0; i <= n; ++i) {
            Person p{i + 1, "Long", "Member" + std::to_string(i), "R" + std::to_string(i), "555-0100",
                     i == 0 ? "Head of Household" : "Child", i == 0 ? "M" : "F", "1 Jan 2000", 1, i + 1};
            m += membershipRow(p, false, g);
        }
        writeText(out / "Membership.csv", m);
        return;
    }
    if (shape == "ascending") {
        // n heads, each its own household, names in ascending order.
        std::string m = membershipHeader(false);
        for (int i = 0; i < n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Name%08d", i);
            Person p{i + 1, name, "Al", "R" + std::to_string(i), "555-0100", "Head of Household", "M", "1 Jan 1980",
                     i + 1, 1};
            m += membershipRow(p, false, g);
        }
        writeText(out / "Membership.csv", m);
        return;
    }

    makePeople(g, shape == "normal" ? n : 1000, people, houses);
    std::string m = membershipHeader(stake);
    for (const Person& p : people) m += membershipRow(p, stake, g);
    writeText(out / "Membership.csv", m);

    if (shape == "callings") {
        // n callings, all held by the first member.
        std::string org = "\"Org\",\"Name\",\"Pos\",\"Position\",\"Ldr\",\"Id\",\"Member\",\"Sustained\",\"Unit\"\n";
        for (int i = 0; i < n; ++i)
            org += "\"" + std::to_string(1 + i / 50) + "\",\"Org" + std::to_string(i / 50) + "\",\"" +
                   std::to_string(i % 50) + "\",\"Teacher\",\"N\",\"1\"," + q(people[0].last + ", " + people[0].first) +
                   ",\"\",\"\"\n";
        writeText(out / "Organization.csv", org);
        return;
    }
    if (shape == "auxjoin") {
        // n new members of the auxiliary file, all joining the first family.
        std::string aux;
        for (int i = 0; i < n; ++i)
            aux += "NEW" + std::to_string(i) + "|family=" + people[0].recno + "|name=Joiner, J" + std::to_string(i) +
                   "|sex=F|birth=1 Jan 2001\n";
        writeText(out / "mlsaux.txt", aux);
        return;
    }

    // Callings: one per ten members; a few by name only, a few vacant.
    std::string org = stake ? "\"Org\",\"Name\",\"Pos\",\"Position\",\"Ldr\",\"Id\",\"Member\",\"Sustained\",\"Unit\",\"Unum\"\n"
                            : "\"Org\",\"Name\",\"Pos\",\"Position\",\"Ldr\",\"Id\",\"Member\",\"Sustained\",\"Unit\"\n";
    for (std::size_t i = 0; i < people.size() / 10; ++i) {
        const Person& p = people[static_cast<std::size_t>(g.pick(static_cast<int>(people.size())))];
        const bool vacant = g.pick(20) == 0;
        org += q(std::to_string(1 + i / 12)) + "," + q("Organization " + std::to_string(i / 12)) + "," +
               q(std::to_string(i % 12)) + "," + q(i % 3 ? "Teacher" : "President") + ",\"N\"," +
               q(vacant ? "0" : std::to_string(p.id)) + "," + q(vacant ? "" : p.last + ", " + p.first) + "," +
               q(g.date(2015, 2025)) + ",\"\"" + (stake ? ",\"\"" : "") + "\n";
    }
    writeText(out / "Organization.csv", org);
    if (stake) writeText(out / "WardOrganization.csv", org);

    // Teaching: three home and one visiting assignment per ten members.
    std::string ht = "\"Quorum\",\"District\",\"Supervisor\",\"Supervisor Phone\",\"Companionship\",\"HT1\",\"HT1 Phone\","
                     "\"HT2\",\"HT2 Phone\",\"Household\",\"Phone\",\"Phone 2\",\"E-mail\",\"Street 1\",\"Street 2\","
                     "\"D/P\",\"City\",\"Postal\",\"State\",\"Country\"\n";
    std::string httxt = "Household\tTeachers\tPercent\tJan\tFeb\tMar\tNote\n";
    for (std::size_t i = 0; i < people.size() * 3 / 10; ++i) {
        const House& h = houses[static_cast<std::size_t>(g.pick(static_cast<int>(houses.size())))];
        const Person& t1 = people[static_cast<std::size_t>(g.pick(static_cast<int>(people.size())))];
        const Person& t2 = people[static_cast<std::size_t>(g.pick(static_cast<int>(people.size())))];
        ht += q(g.pick(2) ? "Elders Quorum" : "High Priests") + "," + q(std::to_string(1 + g.pick(30))) + "," +
              q(t2.last + ", " + t2.first) + "," + q(t2.phone) + "," + q(std::to_string(1 + g.pick(40))) + "," +
              q(t1.last + ", " + t1.first) + "," + q(t1.phone) + "," + q(t2.last + ", " + t2.first) + "," + q(t2.phone) +
              "," + q(householdName(h)) + "," + q(h.phone) + ",\"\",\"\",\"1 Main Street\",\"\",\"\",\"Springfield\","
              "\"84001\",\"Utah\",\"USA\"\n";
        if (i % 5 == 0) httxt += householdName(h) + "\t" + t1.last + ", " + t1.first + " / x\t" + std::to_string(g.pick(101)) + "\t\t\t\t\n";
    }
    writeText(out / "HomeTeaching.csv", ht);
    writeText(out / "ht.txt", httxt);
    std::string vt = "\"District\",\"Supervisor\",\"Supervisor Phone\",\"Companionship\",\"VT1\",\"VT1 Phone\",\"VT2\","
                     "\"VT2 Phone\",\"Sister\",\"Phone\",\"Phone 2\",\"E-mail\",\"Street 1\",\"Street 2\",\"D/P\","
                     "\"City\",\"Postal\",\"State\",\"Country\"\n";
    std::string vttxt = "Sister\tTeachers\tPercent\tJan\tFeb\tMar\tNote\n";
    for (std::size_t i = 0; i < people.size() / 10; ++i) {
        const House& h = houses[static_cast<std::size_t>(g.pick(static_cast<int>(houses.size())))];
        const Person& sister = people[static_cast<std::size_t>(h.members.size() > 1 ? h.members[1] : h.members[0])];
        const Person& t1 = people[static_cast<std::size_t>(g.pick(static_cast<int>(people.size())))];
        vt += q(std::to_string(1 + g.pick(20))) + ",\"\",\"\"," + q(std::to_string(1 + g.pick(20))) + "," +
              q(t1.last + ", " + t1.first) + "," + q(t1.phone) + ",\"\",\"\"," + q(sister.last + ", " + sister.first) +
              "," + q(sister.phone) + ",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\n";
        if (i % 5 == 0) vttxt += sister.last + ", " + sister.first + "\t" + t1.first + " / y\t" + std::to_string(g.pick(101)) + "\t\t\t\t\n";
    }
    writeText(out / "VisitingTeaching.csv", vt);
    writeText(out / "vt.txt", vttxt);

    // Auxiliary lines: contact entries for one member in fifty.
    std::string aux = "* made up\n!HTCity=y\n";
    for (std::size_t i = 0; i < people.size(); i += 50)
        aux += people[i].recno + "|cell=555-0000|email=m" + std::to_string(i) + "@example.org|rem=Note\n";
    writeText(out / "mlsaux.txt", aux);
}

// ---- Running ----

struct Measure {
    double wall = 0;    // seconds
    long peakKb = 0;    // maximum resident set
    int status = -1;
};

Measure runOnce(const fs::path& exe, const fs::path& dir) {
    Measure m;
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        std::FILE* ignore = std::freopen("/dev/null", "w", stdout);
        ignore = std::freopen("/dev/null", "w", stderr);
        (void)ignore;
        setenv("ROLLBOOK_TODAY", "2026-06-15", 1);
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKb = ru.ru_maxrss;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

bool isInput(const std::string& name) {
    static const char* const inputs[] = {"Membership.csv", "Organization.csv", "WardOrganization.csv", "HomeTeaching.csv",
                                         "VisitingTeaching.csv", "ht.txt", "vt.txt", "mlsaux.txt"};
    return std::find_if(std::begin(inputs), std::end(inputs), [&](const char* n) { return name == n; }) != std::end(inputs);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t k = v.size() / 2;
    return v.size() % 2 == 1 ? v[k] : (v[k - 1] + v[k]) / 2;
}

// floorPass: read every input file and write outBytes, as one run must at
// least do; returns the seconds taken.
double floorPass(const fs::path& dir, const std::vector<fs::path>& inputs, std::uintmax_t outBytes) {
    std::vector<char> buf(1 << 20);
    const fs::path sink = dir / ".floor";
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& p : inputs) {
        std::FILE* fp = std::fopen(p.c_str(), "rb");
        if (fp == nullptr) continue;
        while (std::fread(buf.data(), 1, buf.size(), fp) > 0) {
        }
        std::fclose(fp);
    }
    std::FILE* out = std::fopen(sink.c_str(), "wb");
    for (std::uintmax_t left = outBytes; out != nullptr && left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(left, buf.size()));
        std::fwrite(buf.data(), 1, n, out);
        left -= n;
    }
    if (out != nullptr) std::fclose(out);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove(sink);
    return t;
}

// floorSeconds: the median of three floor passes over a folder the program
// has just run in, and the bytes of its inputs and of its reports.
double floorSeconds(const fs::path& dir, std::uintmax_t& inBytes, std::uintmax_t& outBytes) {
    inBytes = outBytes = 0;
    std::vector<fs::path> inputs;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        if (isInput(e.path().filename().string())) {
            inputs.push_back(e.path());
            inBytes += e.file_size();
        } else {
            outBytes += e.file_size();
        }
    }
    std::vector<double> passes;
    for (int i = 0; i < 3; ++i) passes.push_back(floorPass(dir, inputs, outBytes));
    return median(passes);
}

// Timed runs in one folder: the median wall time, the highest peak memory
// and the number of runs that did not end with status 0.
struct Timing {
    double wall = 0;
    long peakKb = 0;
    int bad = 0;
};

Timing timeRuns(const fs::path& exe, const fs::path& dir, int runs) {
    Timing t;
    std::vector<double> walls;
    for (int i = 0; i < runs; ++i) {
        const Measure m = runOnce(exe, dir);
        walls.push_back(m.wall);
        t.peakKb = std::max(t.peakKb, m.peakKb);
        if (m.status != 0) ++t.bad;
    }
    t.wall = median(walls);
    return t;
}

// Growth of the time per doubling from m members (folder dirM) to n
// (folder dirN): the median over pairs of runs, m then n, of each pair's
// ratio scaled to one doubling. The two runs of a pair see nearly the same
// machine speed, so its drift cancels out of the ratio.
double growth(const fs::path& exe, const fs::path& dirM, int m, const fs::path& dirN, int n, int pairs, int& bad) {
    std::vector<double> perPair;
    for (int i = 0; i < pairs; ++i) {
        const Measure small = runOnce(exe, dirM);
        const Measure large = runOnce(exe, dirN);
        bad += (small.status != 0) + (large.status != 0);
        perPair.push_back(std::pow(large.wall / small.wall, 1.0 / std::log2(double(n) / m)));
    }
    return median(perPair);
}

std::vector<int> parseSizes(const std::string& s) {
    std::vector<int> out;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, ',');) out.push_back(std::stoi(part));
    return out;
}

// One verdict line: "ok" when nothing missed the target, else "MISSED" and
// what missed it.
void verdict(const char* target, const std::string& missed, int checked) {
    const std::string detail = checked == 0 ? " (nothing to check in this run)" : missed.empty() ? "" : ":" + missed;
    std::printf("%-7s %s%s\n", missed.empty() ? "ok" : "MISSED", target, detail.c_str());
}

int run(const fs::path& exe, std::vector<int> sizes, int shapeRows, int runs) {
    const fs::path root = fs::temp_directory_path() / ("rollbook-bench-" + std::to_string(getpid()));
    auto dirOf = [&](int n) { return root / ("ward-" + std::to_string(n)); };
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    runs = std::max(1, runs);
    // partner[i]: the index of the largest size of at most half sizes[i], or -1.
    std::vector<int> partner(sizes.size(), -1);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (2 * sizes[j] <= sizes[i]) partner[i] = static_cast<int>(j);

    std::printf("%9s %9s %9s %9s %9s %9s %9s %9s\n", "members", "input MB", "wall s", "floor s", "x floor", "peak MB",
                "x input", "x per 2x");
    int bad = 0;
    std::string overFloor, overGrowth, overMemory;
    int checkedFloor = 0, checkedGrowth = 0;
    double ward100k = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int n = sizes[i];
        generate(dirOf(n), n, false, 1, "normal");
        const Timing t = timeRuns(exe, dirOf(n), runs);
        bad += t.bad;
        std::uintmax_t in = 0, out = 0;
        const double fl = floorSeconds(dirOf(n), in, out);
        const double xFloor = t.wall / fl, xInput = t.peakKb * 1024.0 / static_cast<double>(in);
        char grow[16] = "-";
        if (partner[i] >= 0) {
            const int m = sizes[static_cast<std::size_t>(partner[i])];
            const double g = growth(exe, dirOf(m), m, dirOf(n), n, std::max(3, runs), bad);
            std::snprintf(grow, sizeof grow, "%.2f", g);
            if (n >= 10000) {
                ++checkedGrowth;
                if (g > 2.3) overGrowth += " " + std::to_string(n) + " (" + grow + ")";
            }
        }
        std::printf("%9d %9.2f %9.3f %9.4f %9.1f %9.1f %9.1f %9s\n", n, in / 1e6, t.wall, fl, xFloor,
                    t.peakKb / 1024.0, xInput, grow);
        std::fflush(stdout);
        char num[16];
        if (n >= 5000) {
            ++checkedFloor;
            std::snprintf(num, sizeof num, "%.1f", xFloor);
            if (xFloor > 30) overFloor += " " + std::to_string(n) + " (" + num + ")";
        }
        // A ward's few hundred kilobytes of input weigh less than the
        // program itself: memory is judged from 5,000 members up.
        std::snprintf(num, sizeof num, "%.1f", xInput);
        if (n >= 5000 && xInput >= 20) overMemory += " " + std::to_string(n) + " (" + num + ")";
        if (n == 100000) ward100k = t.wall;
        // Keep a folder only while a larger size still pairs with it.
        for (std::size_t j = 0; j <= i; ++j)
            if (std::find(partner.begin() + static_cast<long>(i) + 1, partner.end(), static_cast<int>(j)) == partner.end())
                fs::remove_all(dirOf(sizes[j]));
    }

    std::string overShape;
    int checkedShapes = 0;
    if (shapeRows > 0) {
        std::printf("\n%-10s %9s %9s %9s %9s\n", "shape", "rows", "wall s", "peak MB", "x 100k");
        for (const char* shape : {"household", "ascending", "callings", "auxjoin"}) {
            const fs::path dir = root / shape;
            generate(dir, shapeRows, false, 1, shape);
            const Timing t = timeRuns(exe, dir, runs);
            bad += t.bad;
            char ratio[16] = "-";
            if (ward100k > 0) {
                ++checkedShapes;
                std::snprintf(ratio, sizeof ratio, "%.2f", t.wall / ward100k);
                if (t.wall > 3 * ward100k) overShape += std::string(" ") + shape + " (" + ratio + ")";
            }
            std::printf("%-10s %9d %9.3f %9.1f %9s\n", shape, shapeRows, t.wall, t.peakKb / 1024.0, ratio);
            std::fflush(stdout);
            fs::remove_all(dir);
        }
    }
    fs::remove_all(root);

    std::printf("\n");
    verdict("every size from 5,000 up within 30x its floor", overFloor, checkedFloor);
    verdict("growth per doubling at most 2.3 from 10,000 up", overGrowth, checkedGrowth);
    verdict("each shape within 3x the 100,000-member ward", overShape, checkedShapes);
    verdict("peak memory under 20x the input bytes from 5,000 up", overMemory, checkedFloor);
    if (bad > 0) std::printf("%d runs did not end with status 0\n", bad);
    return bad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: rollbook_bench gen --members N [--stake] [--seed S] [--shape NAME] --out DIR\n"
                             "       rollbook_bench run --exe PATH [--sizes 600,5000] [--shapes ROWS] [--runs N]\n");
        return 2;
    }
    const std::string cmd = argv[1];
    std::string out, exe, shape = "normal", sizes = "600,5000,10000,20000,40000,80000,100000";
    int members = 1000, shapeRows = 200000, runs = 3;
    unsigned long seed = 1;
    bool stake = false;
    for (int i = 2; i < argc; ++i) {
        const std::string k = argv[i];
        auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (k == "--members") members = std::stoi(next());
        else if (k == "--stake") stake = true;
        else if (k == "--seed") seed = std::stoul(next());
        else if (k == "--shape") shape = next();
        else if (k == "--out") out = next();
        else if (k == "--exe") exe = next();
        else if (k == "--sizes") sizes = next();
        else if (k == "--shapes") shapeRows = std::stoi(next());
        else if (k == "--runs") runs = std::stoi(next());
    }
    if (cmd == "gen" && !out.empty()) {
        generate(out, members, stake, seed, shape);
        return 0;
    }
    if (cmd == "run" && !exe.empty()) return run(fs::absolute(exe), parseSizes(sizes), shapeRows, runs);
    std::fprintf(stderr, "rollbook_bench: missing --out or --exe\n");
    return 2;
}
