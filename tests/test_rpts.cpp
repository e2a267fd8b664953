// Report helpers: chapter keys, HTML escaping and family blocks of records no
// reader would make complete.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data.h"
#include "rpts.h"
#include "ward_list.h"

namespace {

// Each test starts from an empty ward store and leaves one behind.
class Store : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        dataInit();
        setStake(0);
    }
};
using FamilyBlock = Store;
using OrgReport = Store;

std::string chap(const char* surname, const std::string& before = "") {
    std::string key = before;
    getChap(key, surname != nullptr ? Text(surname) : std::nullopt);
    return key;
}

// slurp: the bytes of the file at path, which is then removed.
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::remove(path.c_str());
    return s.str();
}

// block: the family block as written to a file, CR LF line ends and all.
std::string block(WardFamily* fam, int priv) {
    const std::string path = testing::TempDir() + "rollbook-block";
    {
        RptFile out;
        EXPECT_TRUE(out.open(path));
        writeFamily(out, fam, priv);
    }
    return slurp(path);
}

// An organization of the designated list with one position per title given.
WardOrg* orgWith(Text name, Text abbr, std::initializer_list<const char*> titles) {
    WardOrg* o = create_ward_org();
    o->org = name;
    o->abbr = abbr;
    WardPos** tail = &o->pos;
    for (const char* t : titles) {
        WardPos* p = create_ward_pos();
        p->org = o;
        p->pos = t;
        *tail = p;
        tail = &p->next;
    }
    storeOrg(o);
    return o;
}

}  // namespace

TEST(Chapter, KeyIsFiveBytesInAWardAndFourInAStakeWithWhiteSpaceAsDashAndAsciiUpperCase) {
    setStake(0);
    EXPECT_EQ(chap("Smithson"), "SMITH");
    EXPECT_EQ(chap("van\tDam"), "VAN-D");
    EXPECT_EQ(chap("Li"), "LI");
    EXPECT_EQ(chap("\xe9t\xc9"), "\xe9T\xc9");  // bytes above 127 stay as they are
    EXPECT_EQ(chap("", "OLD"), "");
    setStake(1);
    EXPECT_EQ(chap("Smithson"), "SMIT");
    setStake(0);
}

TEST(Chapter, AnAbsentSurnameLeavesTheKeyAsItWas) { EXPECT_EQ(chap(nullptr, "ADAMS"), "ADAMS"); }

TEST(Html, TheFiveMarkupCharactersAreEscapedWhateverTheLength) {
    EXPECT_EQ(fixHtml(Text("a & \"b\" <c> 'd'")), "a &amp; &quot;b&quot; &lt;c&gt; &#39;d&#39;");
    EXPECT_EQ(fixHtml(Text(std::nullopt)), "");
    std::string want;
    for (int i = 0; i < 600; ++i) want += "&#39;";
    EXPECT_EQ(fixHtml(std::string_view(std::string(600, '\''))), want);
    EXPECT_STREQ(HtmlText(Text("O'Brien & Co")).c_str(), "O&#39;Brien &amp; Co");
    EXPECT_STREQ(HtmlText(Text("plain")).c_str(), "plain");
}

TEST(Html, AnchorsKeepLettersDigitsAndThreeMarksAndSpellEveryOtherByteInHex) {
    EXPECT_EQ(anchorText("Young_Women-2.x"), "Young_Women-2.x");
    EXPECT_EQ(anchorText("O'Brien"), "Ox27Brien");
    EXPECT_EQ(anchorText(" "), "x20");
    EXPECT_EQ(anchorText("\xC3\x81"), "xC3x81");
    EXPECT_EQ(anchorText(""), "");
}

TEST(Html, AnAnchorUsedBeforeOnAPageGetsTheSmallestFreeNumber) {
    AnchorSet used;
    EXPECT_EQ(used.take("Primary-2"), "Primary-2");
    EXPECT_EQ(used.take("Primary"), "Primary");
    EXPECT_EQ(used.take("Primary"), "Primary-3");
    EXPECT_EQ(used.take("Primary"), "Primary-4");
}

TEST(Letter, ASurnameIsListedUnderItsFirstWholeCharacter) {
    EXPECT_EQ(surnameLetter(Text("Adams")), "A");
    EXPECT_EQ(surnameLetter(Text("\xC3\x93lafsson")), "\xC3\x93");           // two bytes
    EXPECT_EQ(surnameLetter(Text("\xE2\x82\xACuro")), "\xE2\x82\xAC");      // three
    EXPECT_EQ(surnameLetter(Text("\xF0\x9F\x98\x80x")), "\xF0\x9F\x98\x80");  // four
    EXPECT_EQ(surnameLetter(Text("\x93lafsson")), "\x93");                   // a lone continuation byte
    EXPECT_EQ(surnameLetter(Text("\xC0\x81x")), "\xC0");                     // an overlong form
    EXPECT_EQ(surnameLetter(Text("\xED\xA0\x80x")), "\xED");                 // a surrogate
    EXPECT_EQ(surnameLetter(Text("\xC3")), "\xC3");                         // cut short
    EXPECT_EQ(surnameLetter(Text("")), "");
    EXPECT_EQ(surnameLetter(Text()), "");
}

TEST_F(FamilyBlock, AFamilyWithoutNamesAddressOrMembersStillGetsItsLines) {
    WardFamily fam;
    EXPECT_EQ(block(&fam, 1), ", \r\n__\r\n__,  \r\n___\r\n___[No HT Assigned]\r\n___[No VT Assigned]\r\n========\r\n");
    setStake(1);
    fam.uname = "First Ward";
    fam.suff = "Jr";
    fam.spouse = "Ann";
    EXPECT_EQ(block(&fam, 0), ",  Jr & Ann [First Ward]\r\n__\r\n__,  \r\n___\r\n========\r\n");
}

TEST_F(FamilyBlock, AMemberWithoutBirthDateOrSexShowsNoBirthdayAndNoZeroByte) {
    WardFamily fam;
    fam.household = "Doe, Jo";
    WardMember m;
    m.fname = "Jo";
    m.fampos = 1;
    m.fam = &fam;
    fam.members = &m;
    const std::string pub = block(&fam, 0);
    EXPECT_NE(pub.find("... Jo [] [no birthday]\r\n"), std::string::npos) << pub;
    const std::string priv = block(&fam, 1);
    EXPECT_NE(priv.find("... Jo[F]\r\n________[no birthday]\r\n========"), std::string::npos) << priv;
}

TEST_F(OrgReport, WithoutFileNameTheReportGoesToStandardOutputWithPlainLineEnds) {
    orgWith("Young Women", std::nullopt, {"Adviser", "Adviser"});
    testing::internal::CaptureStdout();
    writeOrgRpt(nullptr, 1, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Book: Young Women\nOrganization: Young Women\nChapter: Adviser\n...Adviser - [not filled]\n"
              "...Adviser - [not filled]\n");
}

TEST_F(OrgReport, PageAnchorsComeFromTheAbbreviationOrTheNameWithWhiteSpaceAsUnderscore) {
    orgWith("Young Women", "YW", {});
    orgWith("Sunday\tSchool Class", std::nullopt, {});
    testing::internal::CaptureStdout();
    writeOrgBB(nullptr, 0);
    const std::string page = testing::internal::GetCapturedStdout();
    EXPECT_NE(page.find("<li><a href='#o-YW'>Young Women</a></li>\n"), std::string::npos);
    EXPECT_NE(page.find("<h2 id='o-Sunday_School_Class'>Sunday\tSchool Class</h2>\n"), std::string::npos);
    EXPECT_EQ(page.find("</body>"), std::string::npos);
}

TEST_F(FamilyBlock, TheBookOutlineIsTheSameWithOrWithoutTheTextDirectoryBeforeIt) {
    // Enough bytes of blocks, one of them larger than a chunk of kept
    // blocks, that the text directory keeps them in several chunks.
    std::vector<std::string> lasts = {"Baker", "Adams", "Allen"};
    for (int i = 0; i < 10000; ++i) lasts.push_back(strprintf("Zed%05d", i));
    for (const std::string& last : lasts) {
        WardFamily* f = create_ward_family();
        f->lname = last;
        f->fname = "Al";
        f->addr = std::string(last == "Zed05000" ? 700000 : 400, 'a' + static_cast<char>(last.back() - '0'));
        WardMember* m = create_ward_member();
        m->fname = "Al";
        m->fampos = 1;
        m->fam = f;
        add_member_to_family(f, m);
        storeMember(m);
        storeFamilySorted(f);
    }
    const std::string dir = testing::TempDir();
    writeMMS((dir + "alone.txt").c_str(), 1);
    const std::string alone = slurp(dir + "alone.txt");
    EXPECT_NE(alone.find("Book: A\r\nChapter: ADAMS\r\nAdams, Al\r\n"), std::string::npos) << alone;
    writeTextRpt((dir + "text.txt").c_str(), 1);
    writeMMS((dir + "after.txt").c_str(), 1);
    EXPECT_EQ(slurp(dir + "after.txt"), alone);
    writeTextRpt((dir + "text.txt").c_str(), 0);
    getFirstFamily()->addr = "changed";  // a later change is seen
    touchStore();
    writeMMS((dir + "changed.txt").c_str(), 0);
    EXPECT_NE(slurp(dir + "changed.txt").find("__changed\r\n"), std::string::npos);
    std::remove((dir + "text.txt").c_str());
}
