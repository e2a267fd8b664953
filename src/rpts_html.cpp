// The family directory as one HTML page: a letter index, a list of all
// households by letter, and one block per family. The private page runs
// first and gives every family the household text and number that the
// public page and the later reports use.
#include <cstdio>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "rpts.h"

namespace {

// The indent of the lines of a family block.
const char Indent[] = "&nbsp;&nbsp;";

// teachingText: the teachers of an assignment, "first & companion".
std::string teachingText(const HTDist* ht) {
    std::string text = fixnull(ht->htname);
    if (ht->htcname) text += " & " + *ht->htcname;
    return text;
}

// composeHousehold: the household text of a family that has none: "last,
// first", the spouse after " & ", and in a stake the unit in parentheses.
std::string composeHousehold(const WardFamily* fam, bool stake) {
    std::string name = strprintf("%s, %s", fixnull(fam->lname), fixnull(fam->fname));
    if (fam->spouse) name += " & " + *fam->spouse;
    if (stake) name += " (" + std::string(fixnull(fam->uname)) + ")";
    return name;
}

// writeMemberHtml: one member line, with the private edition's date line,
// record number and ordinance line.
void writeMemberHtml(RptFile& out, const WardMember* m, const WardFamily* fam, int priv) {
    out.printf("%s", Indent);
    for (int i = 0; i < m->type; ++i) out.printf("&nbsp;");
    out.printf("%s [%s]", HtmlText(m->fname).c_str(), HtmlText(std::string(FlagText(m->sex).s)).c_str());
    const mls_date& b = *m->birth;
    if (b.month > 0) {
        // Year and age are public only for members of 21 and under.
        const bool full = priv || m->age <= 21;
        if (priv) out.printf("<br />\n%s%s%s", Indent, Indent, Indent);
        out.printf(" %2.2d/%2.2d", b.month, b.day);
        if (full) out.printf("/%2.2d", b.year);
        if (full) out.printf(" (%d)", m->age);
    }
    if (priv && fam->members != nullptr && fam->members->birth->year > 0 && m->recno)
        out.printf(" #%s", HtmlText(m->recno).c_str());
    out.printf("<br />\n");
    if (priv && m->baptism->month > 0) {
        out.printf("%s%s%s", Indent, Indent, Indent);
        out.printf("bapt:%s", dateText(m->baptism).s);
        if (m->confirm->month > 0) out.printf(", conf:%s", dateText(m->confirm).s);
        if (m->endowed->month > 0) out.printf(", endow:%s", dateText(m->endowed).s);
        out.printf("<br />\n");
    }
}

}  // namespace

void writeBB(const char* fname, int priv) {
    // 1. The mode, the file and the page head.
    const bool stakeflg = isStake() != 0;
    int id = 0;
    RptFile out;
    if (!openReport(out, fname)) return;
    std::string title = std::string(stakeflg ? "Stake " : "Ward ") + (priv ? "Private" : "Public") + " Directory";
    writeHtmlHdr(out, title.c_str());
    out.printf("<p id='top'>&nbsp;</p>\n");
    out.printf("<ul>\n");

    // 2. Letter index; every family gets its household text and number here.
    //    Each letter's and each family's anchor is unique on the page, even
    //    where two families share a number.
    AnchorSet anchors;
    std::vector<std::string> letterAnchors, famAnchors;
    std::string currChar;
    bool changed = false;
    walkFamilies([&](WardFamily* fam) {
        const std::string letter = surnameLetter(fam->lname);
        if (!fam->household) {
            fam->household = composeHousehold(fam, stakeflg);
            changed = true;
        }
        if (fam->famid == 0) {
            fam->famid = ++id;
            changed = true;
        }
        famAnchors.push_back(anchors.take("fam-" + std::to_string(fam->famid)));
        if (letter != currChar) {
            letterAnchors.push_back(anchors.take("fchar-" + anchorText(letter)));
            out.printf("<li><a href='#%s'>%s</a></li>\n", letterAnchors.back().c_str(), HtmlText(letter).c_str());
            currChar = letter;
        }
    });
    out.printf("</ul>\n<hr />\n");
    // Searches and kept blocks see the new household texts and numbers.
    if (changed) touchStore();

    // 3. Name list, one list per letter.
    currChar.clear();
    std::size_t letterNo = 0, famNo = 0;
    bool listed = false;
    walkFamilies([&](WardFamily* fam) {
        const std::string letter = surnameLetter(fam->lname);
        if (letter != currChar) {
            if (listed) out.printf("</ul>\n<p><a href='#top'>Top</a></p>\n");
            out.printf("<p id='%s'>Names starting with %s.</p>\n", letterAnchors[letterNo++].c_str(),
                       HtmlText(letter).c_str());
            out.printf("<ul>\n");
            currChar = letter;
            listed = false;
        }
        out.printf("<li><a href='#%s'>%s</a></li>\n", famAnchors[famNo++].c_str(), HtmlText(fam->household).c_str());
        if (!isEmpty(fam->lname)) listed = true;
    });
    out.printf("</ul>\n<p><a href='#top'>Top</a></p>\n<hr />\n");

    // 4. Family blocks.
    famNo = 0;
    walkFamilies([&](WardFamily* fam) {
        out.printf("<p id='%s'>%s<br />\n", famAnchors[famNo++].c_str(), HtmlText(fam->household).c_str());
        writeFamilyHtml(out, fam, priv);
        out.printf("</p><p><a href='#top'>Top</a></p>\n");
    });
    writeHtmlFtr(out);
}

void writeFamilyHtml(RptFile& out, WardFamily* fam, int priv) {
    // 1. Address, city line and phone.
    if (fam->addr) out.printf("%s%s<br />\n", Indent, HtmlText(fam->addr).c_str());
    if (fam->addr2) out.printf("%s%s<br />\n", Indent, HtmlText(fam->addr2).c_str());
    const std::string city = std::string(fixnull(fam->city)) + ", " + fixnull(fam->state) + " - " + fixnull(fam->zip);
    out.printf("%s%s<br />\n", Indent, HtmlText(city).c_str());
    if (fam->phone) out.printf("%s&nbsp;%s<br />\n", Indent, HtmlText(fam->phone).c_str());

    // 2. Teaching lines, the teachers' names escaped as one text.
    if (fam->htdist != nullptr) {
        out.printf("%s%sHT: ", Indent, Indent);
        out.printf("%s<br />\n", HtmlText(teachingText(fam->htdist)).c_str());
    }
    if (fam->vtdist != nullptr) {
        out.printf("%s%sVT: ", Indent, Indent);
        out.printf("%s<br />\n", HtmlText(teachingText(fam->vtdist)).c_str());
    }

    // 3. Members in chain order.
    for (const WardMember* m = fam->members; m != nullptr; m = m->next) writeMemberHtml(out, m, fam, priv);
}

void writeHtmlHdr(RptFile& out, const char* title) {
    out.printf("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n");
    out.printf("\n<html lang=\"en\">\n");
    out.printf("<head>\n");
    // The exports' own character set: UTF-8 when every input is valid
    // UTF-8, else the one older exports are written in.
    out.printf("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">\n",
               inputsAreUtf8() ? "utf-8" : "windows-1252");
    out.printf("<title>%s</title>\n", title);
    out.printf("</head>\n<body>\n");
    out.printf("<p><b>%s</b></p>\n", title);
}

void writeHtmlFtr(RptFile& out) { out.printf("</body>\n</html>\n"); }
