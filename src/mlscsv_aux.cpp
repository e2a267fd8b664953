// mlscsv_aux: the auxiliary file readers. mlsaux.txt corrects and extends the
// membership read before it (names, sex, birth date, priesthood, addresses,
// phones, extra entries, missing people and households) and carries the
// display settings; the auxiliary files of the other membership sources are
// named but not read.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "data.h"
#include "mlscsv.h"
#include "splitfld.h"
#include "ward_list.h"

namespace {

// A record line holds the record number and at most 98 key=value fields.
constexpr int MaxAuxFields = 99;

// A name value is last name, first name, suffix; a few more pieces are split
// off so that extra commas cannot run on into the suffix.
constexpr int MaxNamePieces = 5;

// hasValue: whether v holds anything besides white space.
bool hasValue(const char* v) {
    if (v == nullptr) return false;
    while (isWhite(*v)) ++v;
    return *v != '\0';
}

// isFamilyKey: the keys that change the household rather than the person.
bool isFamilyKey(const std::string& key) {
    return key == "addr" || key == "addr2" || key == "city" || key == "state" || key == "zip" ||
           key == "phone";
}

// setNames: last name, first name and suffix from a "last, first, suffix"
// value. Each piece the value has sets its name, trimmed: a blank or empty
// piece ("Clark, ,Sr", "Adams,") clears it. A missing piece ("Adams") leaves
// its name as it was.
void setNames(const std::string& val, Text& last, Text& first, Text& suff) {
    std::string work(val);
    char* pieces[MaxNamePieces];
    int n = split_flds(&work[0], pieces, ',', 1, MaxNamePieces);
    Text* names[] = {&last, &first, &suff};
    for (int i = 0; i < n && i < 3; ++i) *names[i] = trim(pieces[i]);
}

// pushEntry: put a new entry holding val at the front of a member's chain.
void pushEntry(WardEnts*& chain, const std::string& val) {
    WardEnts* e = create_ward_ents();
    if (e == nullptr) return;
    e->text = val;
    e->next = chain;
    chain = e;
}

// The member one record line works on and the family the line acts on.
struct AuxLine {
    WardMember* mem = nullptr;
    bool isNew = false;
    WardFamily* fam = nullptr;
    WardFamily* created = nullptr;  // family the new member heads, not yet stored
};

// leaveFamily: take the line's new member out of the family chain it joined
// on this line; a family it created is released with it (it was never
// stored, and only this member is in its chain).
void leaveFamily(AuxLine& ln) {
    WardMember* mem = ln.mem;
    WardFamily* f = mem->fam;
    if (f != nullptr) {
        if (f->members == mem) {
            f->members = mem->next;
        } else {
            WardMember* p = f->members;
            while (p != nullptr && p->next != mem) p = p->next;
            if (p != nullptr) p->next = mem->next;
        }
    }
    mem->next = nullptr;
    mem->fam = nullptr;
    if (ln.created != nullptr) {
        ln.created->members = nullptr;
        free_ward_family(ln.created);
        ln.created = nullptr;
    }
    ln.fam = nullptr;
}

// attachFamily: give the line's new member the family its "family" field
// names: a new one it heads, or the family of the key member.
void attachFamily(AuxLine& ln) {
    WardMember* mem = ln.mem;

    // A later "family" field on the same line replaces an earlier one: the
    // member first leaves the family it joined or created, so that no chain
    // keeps it twice and no unstored family is left behind.
    if (mem->fam != nullptr) leaveFamily(ln);

    // 1. Its own record number: the member heads a new family.
    if (*mem->family == *mem->recno) {
        WardFamily* f = create_ward_family();
        if (f == nullptr) return;
        f->members = mem;
        f->recno = mem->recno;
        mem->fam = f;
        ln.fam = f;
        ln.created = f;
        return;
    }

    // 2. The key member's family. A key member that is not stored and one
    //    that has no family itself (added earlier without a "family" field)
    //    both leave nothing to join: the member stays without family.
    WardMember* key = getRecNo(mem->family->c_str());
    if (key == nullptr || key->fam == nullptr) {
        std::fprintf(stderr, "Family record not found for [%s], member [%s]\n", mem->family->c_str(),
                     mem->recno->c_str());
        return;
    }
    WardFamily* f = key->fam;
    mem->fam = f;
    ln.fam = f;

    // 3. The household's phone, then the key member's own phones.
    if (f->phone) mem->phone = f->phone;
    if (key->phone) mem->phone = key->phone;
    if (key->phone2) mem->phone2 = key->phone2;

    // 4. Append it to the chain.
    if (f->members == nullptr) std::fprintf(stderr, "No members found for family [%s]\n", nullstr(f->recno));
    add_member_to_family(f, mem);
}

// completeNewMember: store the line's new member, and the family it heads.
// A member still lacking a first or last name is discarded instead.
void completeNewMember(AuxLine& ln) {
    WardMember* mem = ln.mem;

    // 1. Preferred names default to the names.
    if (!mem->fpname && mem->fname) mem->fpname = mem->fname;
    if (!mem->lpname && mem->lname) mem->lpname = mem->lname;
    if (!mem->spname && mem->suff) mem->spname = mem->suff;

    // 2. Without both names the entry is dropped. It is taken out of the
    //    family chain it joined on this line, and a family it created goes
    //    with it, so nothing stored points at the released member.
    if (!mem->fname || !mem->lname) {
        std::fprintf(stderr, "Name missing for od=%d, recno=%s.  Entry discarded.\n", mem->memid,
                     mem->recno->c_str());
        leaveFamily(ln);
        free_ward_member(mem);
        ln.mem = nullptr;
        return;
    }

    // 3. Store the member; the family it heads is stored only through it.
    storeMember(mem);
    WardFamily* f = ln.created;
    if (f == nullptr) return;
    if (mem->lname) f->lname = mem->lname;
    if (mem->fname) f->fname = mem->fname;
    if (mem->suff) f->suff = mem->suff;
    if (mem->lpname) f->lpname = mem->lpname;
    if (mem->fpname) f->fpname = mem->fpname;
    if (mem->spname) f->spname = mem->spname;
    storeFamilySorted(f);
    ln.created = nullptr;
}

// processRecordLine: apply one record line (modified in place) to the member
// of its record number, creating the member when the number is new.
void processRecordLine(std::string& line) {
    // 1. Split with room for one field more than allowed, so that a line with
    //    too many fields is recognised; split_flds has ended the 99th field
    //    with a NUL, so it does not run on into the ignored rest.
    //    Separators alone after the 99th field (a trailing '|') lose nothing
    //    and are dropped without a word.
    char* flds[MaxAuxFields + 1];
    int n = split_flds(&line[0], flds, '|', 0, MaxAuxFields + 1);
    if (n > MaxAuxFields) {
        const char* end = line.data() + line.size();
        bool onlySeparators = true;
        for (const char* p = flds[MaxAuxFields]; p < end && onlySeparators; ++p) onlySeparators = *p == '|' || *p == 0;
        if (!onlySeparators)
            std::fprintf(stderr, "Too many fields for [%s]; fields after the 99th ignored\n", flds[0]);
        n = MaxAuxFields;
    }

    // 2. The record number, exactly as written, names the member.
    AuxLine ln;
    ln.mem = getRecNo(flds[0]);
    if (ln.mem != nullptr) {
        ln.fam = ln.mem->fam;
    } else {
        ln.mem = create_ward_member();
        if (ln.mem == nullptr) return;
        ln.mem->recno = std::string(flds[0]);
        ln.isNew = true;
        std::printf("Creating membership record for [%s]\n", flds[0]);
    }

    // 3. Each key=value field in turn; a "family" field of a new member
    //    attaches it at once, so later family keys act on that family.
    for (int i = 1; i < n; ++i) {
        char* key = flds[i];
        const char* val = "";
        if (char* eq = std::strchr(key, '=')) {
            *eq = '\0';
            val = eq + 1;
        }
        process_auxfield(ln.mem, ln.fam, key, val);
        if (ln.isNew && std::strcmp(key, "family") == 0 && hasValue(val) && ln.mem->family) attachFamily(ln);
    }

    // 4. An existing member was changed in place and is not stored again.
    if (ln.isNew) completeNewMember(ln);
}

}  // namespace

int readAuxFile(const char* fname) {
    InFile file(fname);
    std::FILE* fp = file.get();
    if (fp == nullptr) {
        std::fprintf(stderr, "No auxfile found.\n");
        return 1;
    }

    // readline delivers a line of more than 511 characters in pieces; each
    // further piece is taken as a line of its own.
    std::string line;
    while (readline(line, fp) == 1) {
        if (line.empty() || line[0] == '*') continue;
        if (line[0] == '!') {
            auxcmd(line.c_str());
            continue;
        }
        processRecordLine(line);
        touchStore();  // names, ages and family chains may have changed
    }
    return 0;
}

void process_auxfield(WardMember* mem, WardFamily* fam, const char* fld, const char* val) {
    const std::string key = fld != nullptr ? fld : "";
    touchStore();

    // 1. Only values with something besides white space count.
    Text v = val != nullptr ? trim(val) : std::nullopt;
    if (!v) {
        std::fprintf(stderr, "Empty value for field [%s] ignored\n", key.c_str());
        return;
    }

    // 2. A household key needs a household: one on the line of a member
    //    without family (or of a new member before its "family" field) is
    //    reported and skipped. "phone" then sets the member's phone neither.
    if (isFamilyKey(key) && fam == nullptr) {
        std::fprintf(stderr, "Field [%s] ignored: member [%s] has no family\n", key.c_str(),
                     nullstr(mem->recno));
        return;
    }

    // 3. Every stored value is a copy of its own.
    if (key == "family") {
        mem->family = v;
    } else if (key == "id") {
        mem->memid = fieldNumber(v->c_str());
    } else if (key == "name") {
        setNames(v->str(), mem->lname, mem->fname, mem->suff);
    } else if (key == "pname") {
        setNames(v->str(), mem->lpname, mem->fpname, mem->spname);
    } else if (key == "sex") {
        char c = (*v)[0];
        if (c == 'M' || c == 'm') mem->sex = 'M';
        else if (c == 'F' || c == 'f') mem->sex = 'F';
    } else if (key == "addr") {
        fam->addr = v;
    } else if (key == "addr2") {
        fam->addr2 = v;
    } else if (key == "city") {
        fam->city = v;
    } else if (key == "state") {
        fam->state = v;
    } else if (key == "zip") {
        fam->zip = v;
    } else if (key == "phone") {
        fam->phone = v;
        mem->phone = v;
    } else if (key == "cell") {
        pushEntry(mem->cell, v->str());
    } else if (key == "work") {
        pushEntry(mem->work, v->str());
    } else if (key == "email") {
        pushEntry(mem->email2, v->str());
    } else if (key == "rem") {
        pushEntry(mem->rem, v->str());
    } else if (key == "birth") {
        parse_date(v->c_str(), mem->birth);
        mem->age = calcAge(mem->birth);
    } else if (key == "stat") {
        mem->stat = v;
    } else if (key != "x") {
        std::fprintf(stderr, "Invalid field [%s], value=[%s]\n", key.c_str(), v->c_str());
    }
}

int readMlsAux(const char*) { return 0; }

int readWebAux(const char*) { return 0; }
