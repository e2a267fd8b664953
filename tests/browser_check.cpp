// Browser check: every page of every golden case, opened in headless
// Chromium, must load with no script able to run, every in-page link must
// have its target in the page as the browser built it, and no two anchors
// may share an id; the directory pages of a run on the
// bundled sample ward must show every family.
//
// Without a browser the tests are skipped, unless ROLLBOOK_REQUIRE_BROWSER is
// set (CI sets it), in which case they fail.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// browser: the Chromium binary, or "" when there is none.
std::string browser() {
    for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/bin/google-chrome"})
        if (fs::exists(p)) return p;
    return "";
}

// escapeText: a text as the browser serializes it inside an element.
std::string escapeText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

std::set<std::string> matches(const std::string& text, const std::regex& re) {
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) found.insert((*it)[1]);
    return found;
}

class Browser : public testing::Test {
protected:
    // One run of the program on the sample ward for all tests.
    static void SetUpTestSuite() {
        std::string tmpl = (fs::temp_directory_path() / "rollbook-browser-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        fs::copy(EXAMPLES_DIR "/ward", root_ / "run", fs::copy_options::recursive);
        std::string cmd = "cd " + shellQuote((root_ / "run").string()) + " && ROLLBOOK_TODAY=2026-06-15 " +
                          shellQuote(ROLLBOOK_EXE) + " </dev/null >/dev/null 2>&1";
        int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the sample run failed";
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    void SetUp() override {
        browser_ = browser();
        if (browser_.empty()) {
            if (std::getenv("ROLLBOOK_REQUIRE_BROWSER") != nullptr) FAIL() << "no Chromium found";
            GTEST_SKIP() << "no Chromium found";
        }
    }

    // dom: the page as headless Chromium built it, serialized.
    std::string dom(const std::string& page) {
        const fs::path out = root_ / (page + ".dom");
        std::string cmd = "timeout 120 " + shellQuote(browser_) +
                          " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                          " --disable-background-networking --disable-component-update --disable-sync"
                          " --user-data-dir=" +
                          shellQuote((root_ / "profile").string()) + " --dump-dom " +
                          shellQuote("file://" + (root_ / "run" / page).string()) + " >" + shellQuote(out.string()) +
                          " 2>/dev/null";
        int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << page << ": the browser failed";
        return readFile(out);
    }

    // households: the household texts of the families table of the run.
    static std::vector<std::string> households() {
        std::vector<std::string> out;
        std::istringstream rows(readFile(root_ / "run" / "wardfam.csv"));
        std::string row;
        std::getline(rows, row);  // the header
        const std::regex lastTwo(R"re("([^"]*)","[^"]*"\r?$)re");
        std::smatch m;
        while (std::getline(rows, row))
            if (std::regex_search(row, m, lastTwo)) out.push_back(m[1]);
        return out;
    }

    static fs::path root_;
    std::string browser_;
};

fs::path Browser::root_;

}  // namespace

TEST_F(Browser, DirectoryPagesShowEveryFamilyOfTheRun) {
    const std::vector<std::string> families = households();
    ASSERT_GE(families.size(), 5u);
    for (const char* page : {"wardbbpriv.html", "wardbbpub.html"}) {
        const std::string body = dom(page);
        for (const std::string& h : families)
            EXPECT_NE(body.find(escapeText(h)), std::string::npos) << page << " does not show " << h;
    }
}

namespace {

// pageFaults: what is wrong with a page as the browser built it: a script
// element, an event handler or a script link that could run, an in-page link
// without its target, or a letter or organization anchor whose id is taken.
std::vector<std::string> pageFaults(const std::string& dom) {
    std::vector<std::string> faults;
    if (dom.find("<body>") == std::string::npos) faults.push_back("did not load");
    if (dom.find("<script") != std::string::npos) faults.push_back("holds a script element");
    // Serialized text never holds a raw "<": anything matched is in a tag.
    if (std::regex_search(dom, std::regex(R"re(<[a-zA-Z][^<>]*\s(on[a-zA-Z]+|autofocus)[=\s>])re", std::regex::icase)))
        faults.push_back("has an event handler");
    if (std::regex_search(dom, std::regex(R"re(=\s*"?\s*javascript:)re", std::regex::icase)))
        faults.push_back("has a script link");
    std::map<std::string, int> ids;
    const std::regex idRe(R"re( id="([^"]*)")re");
    for (std::sregex_iterator it(dom.begin(), dom.end(), idRe), end; it != end; ++it) ++ids[(*it)[1]];
    for (const auto& [id, n] : ids)
        if (n > 1) faults.push_back("two anchors " + id);
    for (const std::string& link : matches(dom, std::regex(R"re( href="#([^"]*)")re")))
        if (ids.count(link) == 0) faults.push_back("no target for #" + link);
    return faults;
}

}  // namespace

TEST_F(Browser, EveryGoldenPageLoadsWithNoScriptEveryLinkReachedAndNoAnchorTwice) {
    // Each distinct page once, opened two at a time.
    const fs::path pages = root_ / "golden-pages";
    fs::create_directories(pages);
    std::map<std::string, std::string> seen;             // page bytes -> file name
    std::vector<std::pair<std::string, std::string>> of;  // file name -> where it comes from
    for (const auto& c : fs::directory_iterator(GOLDEN_DIR)) {
        if (!fs::is_directory(c.path() / "expected")) continue;
        for (const auto& f : fs::directory_iterator(c.path() / "expected")) {
            if (f.path().extension() != ".html") continue;
            const std::string bytes = readFile(f.path());
            auto it = seen.find(bytes);
            if (it == seen.end()) {
                const std::string name = std::to_string(seen.size()) + ".html";
                it = seen.emplace(bytes, name).first;
                std::ofstream(pages / name, std::ios::binary) << bytes;
            }
            of.emplace_back(it->second, c.path().filename().string() + "/" + f.path().filename().string());
        }
    }
    ASSERT_GT(seen.size(), 20u);
    const std::string cmd =
        "cd " + shellQuote(pages.string()) + " && ls *.html | xargs -P 2 -I{} sh -c 'timeout 120 " + shellQuote(browser_) +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
        " --disable-component-update --disable-sync --user-data-dir=" + shellQuote((root_ / "profile-").string()) +
        "{} --dump-dom file://" + shellQuote(pages.string()) + "/{} >{}.dom 2>/dev/null'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "the browser failed";
    std::map<std::string, std::vector<std::string>> faults;
    for (const auto& [bytes, name] : seen) faults[name] = pageFaults(readFile(pages / (name + ".dom")));
    for (const auto& [name, where] : of)
        for (const std::string& fault : faults[name]) ADD_FAILURE() << where << ": " << fault;
}
