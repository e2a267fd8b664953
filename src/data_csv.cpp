// The CSV exports: one row per family, per member and per organization
// position. Texts are quoted as stored, without escaping; an unset flag is
// written as its zero byte.
#include "data.h"
#include "mlscsv.h"

namespace {

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
        out.printf("%d,\"%s\",\"%s\",\"%s\",", f->famid, fixnull(f->lname), fixnull(f->fname), fixnull(f->suff));
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\"\n",
                   fixnull(f->addr), fixnull(f->addr2), fixnull(f->dp), fixnull(f->city), fixnull(f->state),
                   fixnull(f->zip), fixnull(f->country), fixnull(f->phone), fixnull(f->recno), fixnull(f->uname),
                   fixnull(f->unum), fixnull(f->household), greeting(f));
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
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",", fixnull(m->lname), fixnull(m->fname),
                   fixnull(m->suff), fixnull(m->lpname), fixnull(m->fpname), fixnull(m->spname));
        out.printf("\"%s\",\"%s\",\"%c\",%d,", fixnull(m->phone), fixnull(m->email), m->sex, m->age);
        out.printf("\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",", dateText(m->birth).s, dateText(m->baptism).s,
                   dateText(m->confirm).s, dateText(m->endowed).s, dateText(m->recexp).s);
        out.printf("\"%s\",\"%s\",\"%c\",\"%c\",\"%c\",\"%c\",", fixnull(m->stat), fixnull(m->marital), m->ftmiss,
                   m->spousemem, m->sealcurr, m->sealprev);
        out.printf("\"%s\",%d,%d,%d\n", fixnull(m->recno), m->birth->month, m->birth->day, m->birth->year);
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
            out.printf("%d,%d,%d,\"%s\",\"%s\",\"%c\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",\"%s\","
                       "\"%s\",\"%s\",\"%s\",\"%s\"\n",
                       o->seq, p->seq, p->memid, fixnull(o->org), fixnull(p->pos), p->isLdr, fixnull(p->name),
                       fixnull(p->sus), fixnull(f->addr), fixnull(f->addr2), fixnull(f->city), fixnull(f->state),
                       fixnull(f->zip), fixnull(f->zip2), fixnull(f->phone), fixnull(f->phone2), fixnull(f->email),
                       fixnull(p->uname), fixnull(p->unum));
        }
    }
}
