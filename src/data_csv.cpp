// The CSV exports: one row per family, per member and per organization
// position. Texts are quoted, a double quote inside one written twice; an
// unset flag is written as nothing.
#include <cstring>
#include <string>

#include "data.h"
#include "mlscsv.h"

namespace {

// Q: the characters of a text inside a quoted CSV value, each double quote
// written twice; copied only when the text holds one. Valid as long as the
// text.
class Q {
public:
    explicit Q(const Text& s) : text_(fixnull(s)) { doubleQuotes(); }
    // A one-character field; nothing when it is unset.
    explicit Q(char flag) : flag_(flag) {
        text_ = flag_.s;
        doubleQuotes();
    }
    Q(const Q&) = delete;  // text_ may point into the record itself
    Q& operator=(const Q&) = delete;
    const char* c_str() const { return text_; }

private:
    void doubleQuotes() {
        if (std::strchr(text_, '"') == nullptr) return;
        for (const char* p = text_; *p != '\0'; ++p) {
            if (*p == '"') doubled_ += '"';
            doubled_ += *p;
        }
        text_ = doubled_.c_str();
    }

    FlagText flag_{'\0'};
    std::string doubled_;
    const char* text_;
};

// greeting: how a letter to the household begins.
const char* greeting(const WardFamily* fam) {
    if (!fam->household) return "";
    if (fam->household->find('&') != std::string::npos) return "Brother & Sister";
    if (fam->members == nullptr) return "";
    if (fam->members->sex == 'M') return "Brother";
    if (fam->members->sex == 'F') return "Sister";
    return "";
}

}  // namespace

void writeFamilyCSV(const char* fname) {
    RptFile out;
    if (!out.open(fname)) {
        std::fprintf(stderr, "Error opening output file (%s)\n", fname);
        return;
    }
    out.printf("FamID,LName,FName,Suff,Addr,Addr2,DP,City,State,Zip,Country,Phone,RecNo,UnitName,UnitNumber,"
               "Household,Greeting\n");
    walkFamilies([&](const WardFamily* f) {
        out.printf("%d,\"%s\",\"%s\",\"%s\",", f->famid, Q(f->lname).c_str(),
                   Q(f->fname).c_str(), Q(f->suff).c_str());
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\"\n",
                   Q(f->addr).c_str(), Q(f->addr2).c_str(), Q(f->dp).c_str(), Q(f->city).c_str(), Q(f->state).c_str(), Q(f->zip).c_str(), Q(f->country).c_str(),
                   Q(f->phone).c_str(), Q(f->recno).c_str(), Q(f->uname).c_str(), Q(f->unum).c_str(), Q(f->household).c_str(), greeting(f));
    });
}

void writeMemberCSV(const char* fname) {
    RptFile out;
    if (!out.open(fname)) {
        std::fprintf(stderr, "Unable to open Member CSV file (%s)\n", fname);
        return;
    }
    out.printf("MemID,FamID,FamPos,FamType,LName,FName,Suff,PLName,PFName,PSuff,");
    out.printf("Phone,EMail,Sex,Age,Birth,Baptism,Confirm,Endowed,RecExp,");
    out.printf("Stat,Marital,FTMiss,SpouseMem,SealCurr,SealPrev,RecNo,");
    out.printf("BirthMonth,BirthDate,BirthYear\n");
    for (auto* m = static_cast<WardMember*>(firstOnList(Member)); m != nullptr;
         m = static_cast<WardMember*>(nextOnList(Member))) {
        out.printf("%d,%d,%d,%d,", m->memid, m->famid, m->fampos, m->type);
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",", Q(m->lname).c_str(), Q(m->fname).c_str(),
                   Q(m->suff).c_str(), Q(m->lpname).c_str(), Q(m->fpname).c_str(), Q(m->spname).c_str());
        out.printf("\"%s\",\"%s\",\"%s\",%d,", Q(m->phone).c_str(), Q(m->email).c_str(), Q(m->sex).c_str(), m->age);
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",", dateText(m->birth).s, dateText(m->baptism).s,
                   dateText(m->confirm).s, dateText(m->endowed).s, dateText(m->recexp).s);
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",", Q(m->stat).c_str(), Q(m->marital).c_str(),
                   Q(m->ftmiss).c_str(), Q(m->spousemem).c_str(), Q(m->sealcurr).c_str(), Q(m->sealprev).c_str());
        out.printf("\"%s\",%d,%d,%d\n", Q(m->recno).c_str(), m->birth->month, m->birth->day, m->birth->year);
    }
}

void writeOrgCSV(const char* fname) {
    RptFile out;
    if (!out.open(fname)) {
        std::fprintf(stderr, "Can't open output Org CSV file (%s)\n", fname);
        return;
    }
    out.printf("OrgSeq,PosSeq,MemID,OrgName,PosName,Ldr,MemName,Sustained,Addr,Addr2,City,State,Zip,Zip2,Phone,"
               "Phone2,EMail\n");
    const WardFamily none;  // the empty holder's family of vacant positions
    for (WardOrg* o = getFirstOrg(); o != nullptr; o = getNextOrg()) {
        for (WardPos* p = o->pos; p != nullptr; p = p->next) {
            const WardFamily* f = p->mem != nullptr && p->mem->fam != nullptr ? p->mem->fam : &none;
            out.printf("%d,%d,%d,\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\","
                       "\"%s\",\"%s\",\"%s\",\"%s\"\n",
                       o->seq, p->seq, p->memid, Q(o->org).c_str(), Q(p->pos).c_str(), Q(p->isLdr).c_str(),
                       Q(p->name).c_str(), Q(p->sus).c_str(), Q(f->addr).c_str(), Q(f->addr2).c_str(),
                       Q(f->city).c_str(), Q(f->state).c_str(), Q(f->zip).c_str(), Q(f->zip2).c_str(),
                       Q(f->phone).c_str(), Q(f->phone2).c_str(), Q(f->email).c_str(), Q(p->uname).c_str(),
                       Q(p->unum).c_str());
        }
    }
}
