// The callings report: every organization of the designated list with its
// positions, who fills each, when they were sustained and their phone; as
// text, as book outline and as an HTML page with an index.
#include <cstdio>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "rpts.h"

namespace {

// openOutput: standard output for a null name, else the file.
bool openOutput(RptFile& out, const char* fname) {
    if (fname != nullptr) return openReport(out, fname);
    out.openStdout();
    return true;
}

// holderById: the member of a position by its member id. Positions without
// an id (0 or less) have no holder this way: every member read without an id
// is indexed under 0.
WardMember* holderById(const WardPos* pos) { return pos->memid > 0 ? getMemID(pos->memid) : nullptr; }

// writePositionLine: title and holder, sustained date, the holder's phone
// and, in a stake, the unit; between the line's opening and its end. On a
// page every text is escaped.
void writePositionLine(RptFile& out, const WardPos* pos, const WardMember* mem, bool html) {
    const std::string name = pos->name ? pos->name->str() : "[not filled]";
    const std::string sus = pos->sus ? " [" + pos->sus->str() + "]" : std::string();
    const std::string phone = mem != nullptr && mem->phone ? " " + mem->phone->str() : std::string();
    const std::string unit =
        isStake() ? "[Unit=" + std::string(fixnull(pos->uname)) + " (" + fixnull(pos->unum) + ")]" : std::string();
    if (html) {
        out.printf("<li>%s - %s", HtmlText(pos->pos).c_str(), HtmlText(name).c_str());
        out.printf("%s%s%s</li>\n", HtmlText(sus).c_str(), HtmlText(phone).c_str(), HtmlText(unit).c_str());
    } else {
        out.printf("...%s - %s", fixnull(pos->pos), name.c_str());
        out.printf("%s%s%s\n", sus.c_str(), phone.c_str(), unit.c_str());
    }
}

// writeUnit: " [unit name,unit number]" of an organization.
void writeUnit(RptFile& out, const WardOrg* org) { out.printf(" [%s,%s]", fixnull(org->uname), fixnull(org->unum)); }

// anchor: the page anchor of an organization: its abbreviation, or its
// name, with white space as "_", in anchor form.
std::string anchor(const WardOrg* org) {
    std::string a = fixnull(org->abbr ? org->abbr : org->org);
    for (char& c : a)
        if (isWhite(c)) c = '_';
    return anchorText(a);
}

}  // namespace

void writeOrgRpt(const char* fname, int mms, int stakeflg) {
    RptFile out;
    if (!openOutput(out, fname)) return;
    std::string lastorg, lastpos;
    for (WardOrg* org = getFirstOrg(); org != nullptr; org = getNextOrg()) {
        // 1. A new name opens a book and a heading.
        if (fixnull(org->org) != lastorg) {
            if (mms) {
                out.printf("Book: %s", fixnull(org->org));
                if (stakeflg) writeUnit(out, org);
                out.printf("\n");
            }
            out.printf("Organization: %s", fixnull(org->org));
            if (stakeflg) writeUnit(out, org);
            out.printf("\n");
            lastorg = fixnull(org->org);
            lastpos.clear();
        }
        // 2. A new position title opens a chapter.
        for (const WardPos* pos = org->pos; pos != nullptr; pos = pos->next) {
            if (fixnull(pos->pos) != lastpos) {
                if (mms) {
                    out.printf("Chapter: %s", fixnull(pos->pos));
                    if (stakeflg) writeUnit(out, org);
                    out.printf("\n");
                }
                lastpos = fixnull(pos->pos);
            }
            writePositionLine(out, pos, holderById(pos), false);
        }
    }
}

void writeOrgBB(const char* fname, int stakeflg) {
    RptFile out;
    if (!openOutput(out, fname)) return;
    writeHtmlHdr(out, "Organization");
    out.printf("<H1 id='top'>Organization Report</H1>\n");
    out.printf("<p>Click on Organization</p>\n");
    out.printf("<ul>\n");

    // 1. The index: one entry per run of equal names, each with an anchor
    //    of its own on the page; across a stake, with the unit of the
    //    organization that starts the run.
    AnchorSet used;
    std::vector<std::string> anchors;
    std::string lastorg;
    for (WardOrg* org = getFirstOrg(); org != nullptr; org = getNextOrg()) {
        if (fixnull(org->org) == lastorg) continue;
        anchors.push_back(used.take(anchor(org)));
        if (stakeflg)
            out.printf("<li><a href='#o-%s'>%s [%s,%s]</a></li>\n", anchors.back().c_str(), HtmlText(org->org).c_str(),
                       HtmlText(org->uname).c_str(), HtmlText(org->unum).c_str());
        else
            out.printf("<li><a href='#o-%s'>%s</a></li>\n", anchors.back().c_str(), HtmlText(org->org).c_str());
        lastorg = fixnull(org->org);
    }
    out.printf("</ul>\n");
    out.printf("<p class='top'><a href='#top'>Top of page</a></p>\n");

    // 2. The sections, each closed when the next one opens.
    lastorg.clear();
    std::size_t run = 0;
    for (WardOrg* org = getFirstOrg(); org != nullptr; org = getNextOrg()) {
        if (fixnull(org->org) != lastorg) {
            if (!lastorg.empty()) {
                out.printf("</ul>\n");
                out.printf("<p class='top'><a href='#top'>Top of page</a></p>\n");
            }
            out.printf("<h2 id='o-%s'>%s", anchors[run++].c_str(), HtmlText(org->org).c_str());
            if (stakeflg) out.printf(" [%s,%s]", HtmlText(org->uname).c_str(), HtmlText(org->unum).c_str());
            out.printf("</h2>\n");
            out.printf("<ul>\n");
            lastorg = fixnull(org->org);
        }
        for (const WardPos* pos = org->pos; pos != nullptr; pos = pos->next) {
            WardMember* mem = holderById(pos);
            if (mem == nullptr) mem = find_member_phone(textOrNull(pos->name), textOrNull(pos->phone));
            writePositionLine(out, pos, mem, true);
        }
    }
    out.printf("</ul>\n");
    out.printf("<p class='top'><a href='#top'>Top of page</a></p>\n");
}
