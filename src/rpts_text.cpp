// The family directory as plain text and as book outline, in a private and a
// public edition. Both walk the families in the store's order and write the
// same block per family; only their headings differ.
#include <cstdio>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "rpts.h"

namespace {

// Chapter keys are this many bytes of the surname in a stake and in a ward.
constexpr std::size_t StakeChapLen = 4;
constexpr std::size_t WardChapLen = 5;

// Line prefixes of the family block.
const char AddrPrefix[] = "__";
const char PhonePrefix[] = "___";
const char DetailPrefix[] = "________";
const char ContactPrefix[] = "         ";
const char CallingPrefix[] = "          ";

// writeHeading: the household text, or a name composed when there is none;
// a stake adds the unit.
void writeHeading(RptFile& out, const WardFamily* fam) {
    if (fam->household) {
        out.printf("%s", fam->household->c_str());
    } else {
        out.printf("%s, %s", fixnull(fam->lpname ? fam->lpname : fam->lname),
                   fixnull(fam->fpname ? fam->fpname : fam->fname));
        if (fam->suff) out.printf(" %s", fam->suff->c_str());
        if (fam->spouse) out.printf(" & %s", fam->spouse->c_str());
    }
    if (isStake()) out.printf(" [%s]\n", fixnull(fam->uname));
    else out.printf("\n");
}

// writeTeaching: the "HT:" or "VT:" line of an assignment, or the notice
// that there is none (not in a stake or web run, where no assignments are
// expected).
void writeTeaching(RptFile& out, const HTDist* ht, bool home) {
    if (ht != nullptr) {
        out.printf(home ? "%sHT: %s" : "%sVT: %s", PhonePrefix, fixnull(ht->htname));
        if (ht->htcname) out.printf(" & %s", ht->htcname->c_str());
        if (ht->visits) out.printf(" - %s", ht->visits->c_str());
        out.printf("\n");
    } else if (!isStake() && !isWeb()) {
        out.printf(home ? "%s[No HT Assigned]\n" : "%s[No VT Assigned]\n", PhonePrefix);
    }
}

// writePrivateBirthday: the private edition's birthday: the full date and
// age when the year is known.
void writePrivateBirthday(RptFile& out, const WardMember* m) {
    const mls_date& b = *m->birth;
    if (b.month <= 0) out.printf("[no birthday]");
    else if (b.year > 0) out.printf("%d/%d/%d [%d]", b.month, b.day, b.year, m->age);
    else out.printf("%d/%d", b.month, b.day);
}

// writePublicBirthday: the public edition shows the year and age of the
// young only (21 and under).
void writePublicBirthday(RptFile& out, const WardMember* m) {
    const mls_date& b = *m->birth;
    if (b.month == 0) out.printf("[no birthday]");
    else if (m->age > 21 || b.year == 0) out.printf("%d/%d", b.month, b.day);
    else out.printf("%d/%d/%d [%d]", b.month, b.day, b.year, m->age);
}

// writePrivateDetails: sex and priesthood, the birthday line with the record
// number, and the ordinance line when there is a baptism date.
void writePrivateDetails(RptFile& out, WardMember* m, const WardFamily* fam) {
    if (m->sex == 'M') out.printf("[M %s]\n", fixnull(m->stat));
    else out.printf("[F]\n");
    out.printf("%s", DetailPrefix);
    writePrivateBirthday(out, m);
    // Record numbers are shown only when the head of the chain has a birth year.
    if (fam->members != nullptr && fam->members->birth->year > 0) out.printf(" #%s", fixnull(m->recno));
    out.printf("\n");
    if (noDate(m->baptism)) return;
    out.printf("%sbapt: %s", DetailPrefix, dateText(m->baptism).s);
    if (!noDate(m->confirm)) out.printf(", conf: %s", dateText(m->confirm).s);
    if (!noDate(m->endowed)) out.printf(", endow: %s", dateText(m->endowed).s);
    if (!noDate(m->recexp)) out.printf(", RecExp: %s", dateText(m->recexp).s);
    out.printf("\n");
}

// writeContacts: one line per kind of entry, the entries joined by ", ".
void writeContacts(RptFile& out, const char* fmt, const WardEnts* e) {
    if (e == nullptr) return;
    out.printf(fmt, ContactPrefix, fixnull(e->text));
    for (e = e->next; e != nullptr; e = e->next) out.printf(", %s", fixnull(e->text));
    out.printf("\n");
}

// writeMember: one member section.
void writeMember(RptFile& out, WardMember* m, const WardFamily* fam, int priv) {
    const char* marker = m->fampos == 1 ? "..." : (m->fampos == 2 ? "...." : ".....");
    out.printf("%s %s", marker, fixnull(m->fname));
    if (isWeb()) out.printf("\n");
    else if (priv) writePrivateDetails(out, m, fam);
    else {
        out.printf(" [%c] ", m->sex);
        writePublicBirthday(out, m);
        out.printf("\n");
    }

    writeContacts(out, "%s Work: %s", m->work);
    writeContacts(out, "%s Cell: %s", m->cell);
    writeContacts(out, "%s E-Mail: %s", m->email2);
    for (const WardEnts* e = m->rem; e != nullptr; e = e->next) out.printf("%s [%s]\n", ContactPrefix, fixnull(e->text));

    for (const WardPos* p = m->pos; p != nullptr; p = p->memnext)
        out.printf("%s(%s - %s)\n", CallingPrefix, p->org != nullptr ? fixnull(p->org->org) : "", fixnull(p->pos));
}

// The family blocks of the text directory written last, kept for the book
// outline of the same edition written next, which shows the very same
// blocks: each block is formatted once for both files. Valid only for that
// edition and an unchanged store. Its room is kept from edition to edition.
struct Blocks {
    bool valid = false;
    int priv = 0;
    unsigned long generation = 0;
    std::vector<const WardFamily*> fams;  // in the order written
    std::vector<std::size_t> ends;        // where each block ends in bytes
    std::string bytes;

    void clear() {
        valid = false;
        fams.clear();
        ends.clear();
        bytes.clear();
    }
};
Blocks& kept = *new Blocks;

}  // namespace

void writeTextRpt(const char* fname, int priv) {
    kept.clear();
    RptFile out;
    if (!openReport(out, fname)) return;
    std::string letter;
    walkFamilies([&](WardFamily* fam) {
        if (surnameLetter(fam->lname) != letter) {
            letter = surnameLetter(fam->lname);
            out.printf("\n*%s\n", letter.c_str());
        }
        out.startCapture();
        writeFamily(out, fam, priv);
        out.endCapture(kept.bytes);
        kept.fams.push_back(fam);
        kept.ends.push_back(kept.bytes.size());
    });
    kept.valid = true;
    kept.priv = priv;
    kept.generation = storeGeneration();
}

void writeMMS(const char* fname, int priv) {
    const bool reuse = kept.valid && kept.priv == priv && kept.generation == storeGeneration();
    RptFile out;
    if (!openReport(out, fname)) return;
    std::string letter, thisChap, currChap;
    std::size_t i = 0;
    walkFamilies([&](WardFamily* fam) {
        if (surnameLetter(fam->lname) != letter) {
            letter = surnameLetter(fam->lname);
            out.printf("Book: %s\n", letter.c_str());
        }
        getChap(thisChap, fam->lname);
        if (thisChap != currChap) {
            out.printf("Chapter: %s\n", thisChap.c_str());
            currChap = thisChap;
        }
        if (reuse && i < kept.fams.size() && kept.fams[i] == fam) {
            const std::size_t from = i == 0 ? 0 : kept.ends[i - 1];
            out.writeRaw(kept.bytes.data() + from, kept.ends[i] - from);
        } else {
            writeFamily(out, fam, priv);
        }
        ++i;
    });
}

void writeFamily(RptFile& out, WardFamily* fam, int priv) {
    // 1. Heading, address and phones.
    writeHeading(out, fam);
    out.printf("%s%s\n", AddrPrefix, fixnull(fam->addr));
    if (fam->addr2) out.printf("%s%s\n", AddrPrefix, fam->addr2->c_str());
    out.printf("%s%s, %s %s\n", AddrPrefix, fixnull(fam->city), fixnull(fam->state), fixnull(fam->zip));
    out.printf("%s%s", PhonePrefix, fixnull(fam->phone));
    if (fam->phone2) out.printf(", %s", fam->phone2->c_str());
    if (fam->phone3) out.printf(", %s", fam->phone3->c_str());
    out.printf("\n");

    // 2. Home and visiting teaching.
    writeTeaching(out, fam->htdist, true);
    writeTeaching(out, fam->vtdist, false);

    // 3. The members in chain order, then the closing rule.
    for (WardMember* m = fam->members; m != nullptr; m = m->next) writeMember(out, m, fam, priv);
    out.printf("========\n");
}

void getChap(std::string& targ, const Text& src) {
    if (!src) return;
    const std::size_t len = isStake() ? StakeChapLen : WardChapLen;
    targ.clear();
    for (std::size_t i = 0; i < src->size() && i < len; ++i) {
        char c = (*src)[i];
        if (isWhite(c)) c = '-';
        else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        targ += c;
    }
}
