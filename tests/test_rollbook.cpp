// Driver services: the run date seam, the report-file writer and the texts of
// the records.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rollbook.h"

namespace {

// written: the bytes of the report file name once write(f) has filled it and it is closed.
template <typename Write>
std::string written(const char* name, Write write) {
    {
        RptFile f;
        EXPECT_TRUE(f.open(name));
        write(f);
    }
    std::ifstream in(name, std::ios::binary);
    std::ostringstream got;
    got << in.rdbuf();
    return got.str();
}

}  // namespace

TEST(RunDate, TodayMustBeUnsetOrARealDateWrittenYearMonthDay) {
    struct Row {
        const char* today;  // null: unset
        bool ok;
    };
    const Row rows[] = {{nullptr, true},       {"2024-02-29", true},  {"", false},
                        {"2023-02-29", false}, {"2026-13-01", false}, {"2026-00-10", false},
                        {"2026-04-31", false}, {"2026-6-15", false},  {"2026-06-15x", false},
                        {"15-06-2026", false}, {"2026/06/15", false}, {"20260615", false}};
    for (const Row& r : rows) {
        if (r.today != nullptr) setenv("ROLLBOOK_TODAY", r.today, 1);
        else unsetenv("ROLLBOOK_TODAY");
        testing::internal::CaptureStderr();
        EXPECT_EQ(checkRunDate(), r.ok) << (r.today ? r.today : "unset");
        const bool told = testing::internal::GetCapturedStderr().find("ROLLBOOK_TODAY") != std::string::npos;
        EXPECT_EQ(told, !r.ok) << (r.today ? r.today : "unset");
    }
    setenv("ROLLBOOK_TODAY", "2024-02-29", 1);
    const RunDate d = runDate();
    EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20240229);
    unsetenv("ROLLBOOK_TODAY");
}

TEST(RptFile, WritesEveryByteButZeroWithLineFeedsAsCarriageReturnLineFeed) {
    const char* name = "rptfile_test.txt";
    const std::string big(3000, 'x');
    written(name, [](RptFile& f) { f.printf("a much longer old text than the new one\n"); });
    EXPECT_EQ(written(name,
                      [&](RptFile& f) {
                          f.printf("\"%c\",%d\n\n", '\0', 7);
                          f.printf("%-2s%c|", "a", '\0');  // a format only vsnprintf formats
                          f.printf("[%s]", big.c_str());
                      }),
              std::string("\"\",7\r\n\r\na |") + "[" + big + "]");
    std::remove(name);
}

namespace {

// slurp: the bytes of a file, or "(missing)".
std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return "(missing)";
    std::ostringstream got;
    got << in.rdbuf();
    return got.str();
}

// leftovers: the names in the current folder that begin with prefix.
int leftovers(const std::string& prefix) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind(prefix, 0) == 0) ++n;
    return n;
}

}  // namespace

TEST(RptFile, TheOldReportStaysWholeUntilTheNewOneIsClosed) {
    const char* name = "rptfile_whole.txt";
    std::remove(name);
    written(name, [](RptFile& f) { f.printf("old report\n"); });
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        for (int i = 0; i < 20000; ++i) f.printf("line %d of the new report\n", i);
        EXPECT_EQ(slurp(name), "old report\r\n");  // well past the writer's own buffer
        EXPECT_EQ(leftovers(".rollbook-rptfile_whole.txt-"), 1);
    }
    EXPECT_EQ(slurp(name).substr(0, 27), "line 0 of the new report\r\nl");
    EXPECT_EQ(leftovers(".rollbook-rptfile_whole.txt-"), 0);
    std::remove(name);
}

TEST(RptFile, AReportLeftByAnExceptionIsDroppedAndTheOldOneKept) {
    const char* name = "rptfile_unwound.txt";
    written(name, [](RptFile& f) { f.printf("old\n"); });
    try {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        f.printf("half of a new report\n");
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
    EXPECT_EQ(slurp(name), "old\r\n");
    EXPECT_EQ(leftovers(".rollbook-rptfile_unwound.txt-"), 0);
    std::remove(name);
}

TEST(RptFile, LinksAtTheNameAreReplacedAndWhatTheyPointAtIsLeftAlone) {
    namespace fs = std::filesystem;
    const char* target = "rptfile_target.txt";
    const char* soft = "rptfile_soft.txt";
    const char* hard = "rptfile_hard.txt";
    for (const char* n : {target, soft, hard}) std::remove(n);
    written(target, [](RptFile& f) { f.printf("target\n"); });
    fs::create_symlink(target, soft);
    fs::create_hard_link(target, hard);
    written(soft, [](RptFile& f) { f.printf("through the soft link\n"); });
    written(hard, [](RptFile& f) { f.printf("through the hard link\n"); });
    EXPECT_FALSE(fs::is_symlink(soft));
    EXPECT_EQ(slurp(soft), "through the soft link\r\n");
    EXPECT_EQ(slurp(hard), "through the hard link\r\n");
    EXPECT_EQ(slurp(target), "target\r\n");
    EXPECT_EQ(fs::hard_link_count(target), 1u);
    // A link to a device is replaced too, never written through.
    std::remove(soft);
    fs::create_symlink("/dev/full", soft);
    EXPECT_EQ(written(soft, [](RptFile& f) { f.printf("not on the device\n"); }), "not on the device\r\n");
    for (const char* n : {target, soft, hard}) std::remove(n);
}

TEST(RptFile, ANewReportKeepsTheOldOnesPermissionBitsElseThoseOfANewFile) {
    namespace fs = std::filesystem;
    const char* name = "rptfile_mode.txt";
    std::remove(name);
    const mode_t mask = umask(027);
    written(name, [](RptFile& f) { f.printf("first\n"); });
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0640));
    fs::permissions(name, fs::perms(0600));
    written(name, [](RptFile& f) { f.printf("second\n"); });
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0600));
    fs::permissions(name, fs::perms(0664));
    written(name, [](RptFile& f) { f.printf("third\n"); });
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0664));
    umask(mask);
    std::remove(name);
}

TEST(RptFile, AFolderOrAPipeAtTheNameCannotBeReplaced) {
    namespace fs = std::filesystem;
    fs::create_directory("rptfile_folder.txt");
    RptFile f;
    EXPECT_FALSE(f.open("rptfile_folder.txt"));
    EXPECT_TRUE(fs::is_directory("rptfile_folder.txt"));
    fs::remove("rptfile_folder.txt");
    ASSERT_EQ(mkfifo("rptfile_pipe.txt", 0600), 0);
    EXPECT_FALSE(f.open("rptfile_pipe.txt"));  // at once: no reader is waited for
    EXPECT_TRUE(fs::is_fifo("rptfile_pipe.txt"));
    EXPECT_TRUE(reportFailed());
    fs::remove("rptfile_pipe.txt");
    EXPECT_EQ(leftovers(".rollbook-rptfile_"), 0);
}

TEST(RptFile, OpenFailsForAnUnwritablePathAndLaterWritesAreHarmless) {
    RptFile f;
    EXPECT_FALSE(f.open("no-such-dir/report.txt"));
    f.printf("ignored\n");
}

TEST(RptFile, FormatsExactlyAsPrintfDoesWhateverTheConversions) {
    std::string want;
    const std::string got = written("rptfile_formats.txt", [&](RptFile& f) {
        auto both = [&](auto... args) {
            f.printf(args...);
            char buf[256];
            int n = std::snprintf(buf, sizeof buf, args...);
            want.append(buf, static_cast<std::size_t>(n));
        };
        both("%s, %s & %s [%c] %d%%", "Smith", "", "Mae", 'F', -2147483647 - 1);
        both(" %2.2d/%2.2d/%2.2d (%d)", 3, 14, 5, 2147483647);
        both("999-%4.4d-%4.4d%s", 12, 34567, "%s%d");
        both("%%d %s%c", "x", '\x80');
        both("%5s|%-3d|%x", "ab", 7, 255);
        both("%2.2d|%4.4d|%.3d|%6.3d|%1.1d", -5, -2147483647 - 1, 0, -42, 0);
        // Numbers of every width and precision, through formats built at run time.
        const int values[] = {-2147483647 - 1, -100, -10, -9, -1, 0, 1, 7, 9, 10, 42, 99, 100, 101, 2147483647};
        for (int width = 0; width <= 4; ++width) {
            for (int precision = width == 0 ? 0 : 1; precision <= 4; ++precision) {
                char fmt[16];
                if (width == 0 && precision == 0) std::snprintf(fmt, sizeof fmt, "%%d|");
                else if (width == 0) std::snprintf(fmt, sizeof fmt, "%%.%dd|", precision);
                else std::snprintf(fmt, sizeof fmt, "%%%d.%dd|", width, precision);
                for (int v : values) both(static_cast<const char*>(fmt), v);
            }
        }
        for (int v : values) both("%d,%2.2d/%2.2d|", v, v, v);
    });
    EXPECT_EQ(got, want);
    EXPECT_EQ(strprintf("%d/%d/%d [%d] %2.2d%c", 3, 14, 2015, -1, 7, 'x'), "3/14/2015 [-1] 07x");
    EXPECT_EQ(strprintf("%5.2f", 1.5), " 1.50");
    std::remove("rptfile_formats.txt");
}

TEST(RptFile, AnArgumentEndingAtTheEdgeOfReadableMemoryIsCopiedWithoutReadingPastIt) {
    // Two pages, the second unreadable: each argument ends right before it,
    // so that a read past the argument's end would fault.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mem = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    char* edge = static_cast<char*>(mem) + page;
    ASSERT_EQ(mprotect(edge, page, PROT_NONE), 0);
    std::string want;
    const std::string got = written("rptfile_edge.txt", [&](RptFile& f) {
        for (std::size_t n = 0; n <= 40; ++n) {
            char* arg = edge - n - 1;
            for (std::size_t i = 0; i < n; ++i) arg[i] = i % 7 == 5 ? '\n' : static_cast<char>('a' + i % 26);
            arg[n] = '\0';
            f.printf("%s|", arg);
            for (std::size_t i = 0; i < n; ++i) want += arg[i] == '\n' ? std::string("\r\n") : std::string(1, arg[i]);
            want += '|';
        }
    });
    EXPECT_EQ(got, want);
    munmap(mem, 2 * page);
    std::remove("rptfile_edge.txt");
}

TEST(Text, KeepsEveryByteOfShortAndLongTextsAndTellsAbsentFromEmpty) {
    // Lengths around the change from a text kept in place to one in its own
    // block, zero bytes inside, and the empty text.
    for (std::size_t n : {0u, 1u, 13u, 14u, 15u, 16u, 600u}) {
        std::string s(n, 'x');
        if (n > 2) s[n / 2] = '\0';
        const Text t(s);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->size(), n);
        EXPECT_EQ(std::string(*t), s);
        EXPECT_EQ(t->c_str()[n], '\0');
        EXPECT_TRUE(t == s);
        Text copy = t, moved = Text(t);
        EXPECT_TRUE(copy == t && moved == t);
    }
    const Text absent, empty("");
    EXPECT_FALSE(absent.has_value());
    EXPECT_TRUE(absent == std::nullopt);
    EXPECT_FALSE(absent == empty);
    EXPECT_FALSE(absent == "");
    EXPECT_TRUE(empty == "");
    EXPECT_EQ(absent.value_or("-"), "-");
    const char* none = nullptr;
    EXPECT_FALSE(Text(none).has_value());
    EXPECT_FALSE(empty == none);
    EXPECT_STREQ(absent->c_str(), "");
}

TEST(Text, AssignmentReplacesReleasesAndSurvivesTakingFromItself) {
    Text t("a text long enough for its own block");
    t = t;
    EXPECT_TRUE(t == "a text long enough for its own block");
    t = t->substr(2, 4);  // from its own block into place
    EXPECT_TRUE(t == "text");
    t = std::string(40, 'y');
    Text other;
    other = std::move(t);
    EXPECT_FALSE(t.has_value());
    EXPECT_EQ(other->size(), 40u);
    other = std::nullopt;
    EXPECT_FALSE(other.has_value());
    other = "back";
    EXPECT_EQ(other + "!", "back!");
    Text cut("Smith & Jones");
    cut = cut->substr(0, cut->find('&'));
    EXPECT_TRUE(cut == "Smith ");
}

TEST(CommandLine, AFolderThatCannotBeEnteredEndsWithStatusTwoAndTheSystemsReason) {
    namespace fs = std::filesystem;
    if (geteuid() == 0) GTEST_SKIP() << "as root every folder can be entered";
    fs::create_directory("locked_folder");
    fs::permissions("locked_folder", fs::perms::none);
    char prog[] = "rollbook", folder[] = "locked_folder";
    char* argv[] = {prog, folder, nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(rollbookMain(2, argv), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "rollbook: cannot enter folder 'locked_folder': Permission denied\n"
              "Try 'rollbook --help' for more information.\n");
    fs::permissions("locked_folder", fs::perms::owner_all);
    fs::remove("locked_folder");
}
