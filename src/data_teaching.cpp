// The home and visiting teaching lists, written as one list per kind with
// group, district and teacher headers above the households (the store keeps
// the assignments in this order).
#include <cstring>
#include <string>

#include "data.h"
#include "mlscsv.h"

namespace {

// shows: an address element is printed when the general flag or the list's
// own flag holds 'y'.
bool shows(char general, char own) { return general == 'y' || own == 'y'; }

// writeEntries: " label" then " text" for each entry, when there are any.
void writeEntries(RptFile& out, const char* label, const WardEnts* e) {
    if (e == nullptr) return;
    out.printf(" %s", label);
    for (; e != nullptr; e = e->next) out.printf(" %s", fixnull(e->text));
}

// writeMemberDetails: the cell, work, e-mail and remark entries of each
// member who has any, on lines indented by five blanks.
void writeMemberDetails(RptFile& out, const WardFamily* fam) {
    bool any = false;
    for (const WardMember* m = fam->members; m != nullptr; m = m->next) {
        if (m->cell == nullptr && m->work == nullptr && m->email2 == nullptr && m->rem == nullptr) continue;
        out.printf(any ? "\n     " : "     ");
        any = true;
        out.printf(" %s: ", fixnull(m->fpname ? m->fpname : m->fname));
        writeEntries(out, "Cell:", m->cell);
        writeEntries(out, "Work:", m->work);
        writeEntries(out, "EMail:", m->email2);
        for (const WardEnts* e = m->rem; e != nullptr; e = e->next) out.printf(" [%s]", fixnull(e->text));
    }
    if (any) out.printf("\n");
}

// memberName: a teacher's first or last name; "" without a member record.
const char* memberName(const WardMember* m, bool first) {
    if (m == nullptr) return "";
    return fixnull(first ? m->fname : m->lname);
}

}  // namespace

void writeHTVT(const char* fname, int htsw) {
    // 1. The kind word and the list's own address flags.
    const char* kind = htsw ? "HT" : "VT";
    const char addrFlag = htsw ? HTAddrFlag : VTAddrFlag;
    const char cityFlag = htsw ? HTCityFlag : VTCityFlag;
    const char stateFlag = htsw ? HTStateFlag : VTStateFlag;
    const char zipFlag = htsw ? HTZipFlag : VTZipFlag;
    linkeddef* list = htsw ? HT : VT;

    // 2. The file.
    RptFile out;
    if (!out.open(fname)) {
        std::fprintf(stderr, "Can't open %s file (%s)\n", kind, fname);
        return;
    }

    // 3. Headers are written whenever group, district or companionship change.
    std::string group = "****";
    int dist = -1;
    int pair = -1;
    for (auto* ht = static_cast<HTDist*>(firstOnList(list)); ht != nullptr;
         ht = static_cast<HTDist*>(nextOnList(list))) {
        if (htsw && fixnull(ht->htgroup) != group) {
            group = fixnull(ht->htgroup);
            out.printf("\n\n==== Group %s\n", group.c_str());
            dist = -1;
            pair = -1;
        }
        if (ht->htdist != dist) {
            out.printf("\n---- District %d", ht->htdist);
            if (ht->htsup) {
                out.printf(", Supervisor: %s", ht->htsup->c_str());
                if (ht->htsphone) out.printf(" (%s)", ht->htsphone->c_str());
            }
            out.printf("\n");
            dist = ht->htdist;
            pair = -1;
        }
        if (ht->htpair != pair) {
            out.printf("\n\n%s: %s %s", kind, memberName(ht->htmem, true), memberName(ht->htmem, false));
            if (ht->htcmem != nullptr)
                out.printf(" & %s %s", memberName(ht->htcmem, true), memberName(ht->htcmem, false));
            out.printf("\n");
            pair = ht->htpair;
        }

        // 4. The household line: the assignment's own address parts, the
        //    family's phones and the visit percentage.
        out.printf("%s", fixnull(ht->household));
        if (shows(ShowAddrFlag, addrFlag)) out.printf(", %s", fixnull(ht->addr1));
        if (shows(ShowCityFlag, cityFlag)) out.printf(", %s", fixnull(ht->city));
        if (shows(ShowStateFlag, stateFlag)) out.printf(", %s", fixnull(ht->state));
        if (shows(ShowZipFlag, zipFlag)) out.printf(" %s", fixnull(ht->zip));
        out.printf("/");
        if (ht->fam != nullptr && ht->fam->phone) out.printf(" %s", ht->fam->phone->c_str());
        if (ht->fam != nullptr && ht->fam->phone2) out.printf(" %s", ht->fam->phone2->c_str());
        out.printf(" (%d%%)\n", ht->htpct);

        // 5. The family's contact entries and remarks.
        if (ht->fam != nullptr) writeMemberDetails(out, ht->fam);
    }
}

void writeHT(const char* fname) { writeHTVT(fname, 1); }

void writeVT(const char* fname) { writeHTVT(fname, 0); }
