// Record dumps: one family or one member in a labelled layout, for the
// lookup console and for reporting a rejected membership record.
#include "data.h"

void dumpWardFamily(WardFamily* fam, std::FILE* fp) {
    std::fprintf(fp, "\nFamily:\t%d\nName:\t%s, %s", fam->famid, nullstr(fam->lname), nullstr(fam->fname));
    if (fam->suff) std::fprintf(fp, " - %s", fam->suff->c_str());
    std::fprintf(fp, "\nAddr:\t%s\n", nullstr(fam->addr));
    if (fam->addr2) std::fprintf(fp, "\t%s\n", fam->addr2->c_str());
    if (fam->dp) std::fprintf(fp, "D/P:\t%s\n", fam->dp->c_str());
    std::fprintf(fp, "\t%s, %s %s - %s\n", nullstr(fam->city), nullstr(fam->state), nullstr(fam->zip),
                 nullstr(fam->country));
    std::fprintf(fp, "Phone:\t%s\n", nullstr(fam->phone));
}

void dumpWardMember(WardMember* mem, std::FILE* fp) {
    // An unset flag prints as nothing, never as a zero byte.
    std::fprintf(fp, "\nMember: %d, Family: %d, Type: %d, Position: %d, Sex: %s\n", mem->memid, mem->famid,
                 mem->type, mem->fampos, FlagText(mem->sex).s);
    std::fprintf(fp, "Name:\t%s, %s", nullstr(mem->lname), nullstr(mem->fname));
    if (mem->suff) std::fprintf(fp, " - %s", mem->suff->c_str());
    std::fprintf(fp, "\nPref:\t%s, %s", nullstr(mem->lpname), nullstr(mem->fpname));
    if (mem->spname) std::fprintf(fp, " - %s\n", mem->spname->c_str());
    else std::fprintf(fp, "\n");
    if (mem->phone) std::fprintf(fp, "Phone:\t%s\n", mem->phone->c_str());
    if (mem->email) std::fprintf(fp, "email:\t%s\n", mem->email->c_str());
    const mls_date *b = mem->birth, *bp = mem->baptism, *c = mem->confirm;
    const mls_date *e = mem->endowed, *r = mem->recexp;
    if (b->month != 0) std::fprintf(fp, "Birth:\t%d/%d/%d\n", b->month, b->day, b->year);
    if (bp->month != 0) std::fprintf(fp, "Bapt:\t%d/%d/%d\n", bp->month, bp->day, bp->year);
    if (c->month != 0) std::fprintf(fp, "Conf:\t%d/%d/%d\n", c->month, c->day, c->year);
    if (e->month != 0) std::fprintf(fp, "Endow:\t%d/%d/%d\n", e->month, e->day, e->year);
    else std::fprintf(fp, "Not Endowed\n");
    if (r->month != 0) std::fprintf(fp, "RecExp:\t%d/%d/%d\n", r->month, r->day, r->year);
    else std::fprintf(fp, "No Recommend\n");
    std::fprintf(fp, "Psthd:\t%s\nMarried:\t%s\nMiss: %s, SpouseMem: %s, SealCurr: %s, SealPrev: %s\n",
                 nullstr(mem->stat), nullstr(mem->marital), FlagText(mem->ftmiss).s, FlagText(mem->spousemem).s,
                 FlagText(mem->sealcurr).s, FlagText(mem->sealprev).s);
}
