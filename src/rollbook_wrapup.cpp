// The report sequence. Every report is written from the finished store, and
// nearly all of them only read it, so where the machine has a second core
// the sequence is shared between two threads. The console shows the same
// either way: the progress texts and each writer's messages come out in the
// sequence's order, each writer's messages being held until their turn.
#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "rollbook.h"
#include "rpts.h"

namespace {

// reportName: a file name pattern with the unit prefix in place of its %s.
std::string reportName(const char* pattern, const char* prefix) {
    char name[512];
    std::snprintf(name, sizeof name, pattern, prefix);
    return name;
}

// progress: a progress text of the report sequence, sent out at once so that
// it stands before any message of the writer it announces, even though it
// does not end the line.
void progress(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// The groups of writers. The writers of one group run in sequence order on
// one thread, as they share a cursor, a cache or a switch: the designated
// organization list (its cursor, the stake's switch, and the members'
// name index of the callings reports), each edition's text blocks that its
// book outline reuses, and the class lists' walk of the members. Any other
// two writers only read the store and may run side by side.
enum Group { NoWriter = -1, FamilyTable, MemberTable, Callings, PrivateText, PrivatePage, PublicText, PublicPage,
             Phones, HomeTeaching, VisitingTeaching, Classes, Groups };

// The groups from the heaviest to the lightest on large exports. Taking the
// heavy ones first leaves the light ones to even out where the two threads
// end.
const Group HeaviestFirst[] = {PrivatePage,  PrivateText, PublicPage, Classes,          PublicText, MemberTable,
                               HomeTeaching, FamilyTable, Callings,   VisitingTeaching, Phones};
static_assert(sizeof HeaviestFirst / sizeof HeaviestFirst[0] == Groups, "every group has its place");

// One step: a progress text, a writer, or both (the text comes first).
struct Step {
    const char* note;
    std::function<void()> write;
    Group group;
};

// The steps of the sequence, in order; names collects the report files.
std::vector<Step> reportSteps(std::vector<std::string>& names) {
    const char* prefix = isStake() ? "stake" : "ward";
    std::vector<Step> steps;
    auto note = [&](const char* text) { steps.push_back({text, nullptr, NoWriter}); };
    // add: a writer of one file; the name lives as long as its step.
    auto add = [&](Group group, std::string file, auto writer) {
        names.push_back(file);
        steps.push_back({nullptr, [file, writer] { writer(file.c_str()); }, group});
    };
    auto name = [prefix](const char* pattern) { return reportName(pattern, prefix); };

    note("Creating Reports\n");
    note("Creating CSVs: fam");
    add(FamilyTable, name("%sfam.csv"), writeFamilyCSV);
    note(", mem");
    add(MemberTable, name("%smem.csv"), writeMemberCSV);
    note(", org");
    add(Callings, name("%sorg.csv"), writeOrgCSV);

    note("\n");
    note("Creating Palm/Text reports: priv");
    add(PrivateText, name("%spriv.txt"), [](const char* f) { writeTextRpt(f, 1); });
    add(PrivateText, name("%sprivmms.txt"), [](const char* f) { writeMMS(f, 1); });
    add(PrivatePage, name("%sbbpriv.html"), [](const char* f) { writeBB(f, 1); });
    note(", pub");
    add(PublicText, name("%srpt.txt"), [](const char* f) { writeTextRpt(f, 0); });
    add(PublicText, name("%spubmms.txt"), [](const char* f) { writeMMS(f, 0); });
    add(PublicPage, name("%sbbpub.html"), [](const char* f) { writeBB(f, 0); });
    note(", wardorg");
    add(Callings, name("%sorg.txt"), [](const char* f) { writeOrgRpt(f, 0, 0); });
    add(Callings, name("%sorgmms.txt"), [](const char* f) { writeOrgRpt(f, 1, 0); });
    add(Callings, name("%sbborg.html"), [](const char* f) { writeOrgBB(f, 0); });
    if (isStake()) {
        steps.push_back({nullptr, [] { setStakeOrg(1); }, Callings});
        note(",allorg");
        add(Callings, "allorg.txt", [](const char* f) { writeOrgRpt(f, 0, 1); });
        add(Callings, "allorgmms.txt", [](const char* f) { writeOrgRpt(f, 1, 1); });
        add(Callings, "allorg.csv", writeOrgCSV);
        add(Callings, "allorgbb.html", [](const char* f) { writeOrgBB(f, 1); });
        steps.push_back({nullptr, [] { setStakeOrg(0); }, Callings});
    }
    note(", Phone");
    add(Phones, name("%sphone.txt"), writePhoneList);
    note(", HT");
    add(HomeTeaching, name("%sht.txt"), writeHT);
    note(", VT");
    add(VisitingTeaching, name("%svt.txt"), writeVT);
    note(", YM");
    add(Classes, name("%sym.txt"), writeYM);
    add(Classes, name("%symMMS.txt"), writeYMMMS);
    note(", YW");
    add(Classes, name("%syw.txt"), writeYW);
    add(Classes, name("%sywMMS.txt"), writeYWMMS);
    note(", PRI");
    add(Classes, name("%spri.txt"), writePRI);
    add(Classes, name("%spriMMS.txt"), writePRIMMS);
    note("\n");
    return steps;
}

// canShare: whether the sequence may be shared between two threads. Not on
// a machine with one core. Not when the directory's web page would change
// records that later reports read: it gives a household text to a family
// without one and numbers the families whose id is 0. Not when a report's
// name is a symbolic link or a file with further links: two reports might
// then be one file, which must get them in sequence order.
bool canShare(const std::vector<std::string>& names) {
    if (std::thread::hardware_concurrency() < 2) return false;
    bool settled = true;
    data_detail::visitFamilies([&](const WardFamily* fam) {
        if (!fam->household || fam->famid == 0) settled = false;
    });
    if (!settled) return false;
    for (const std::string& name : names) {
        struct stat st;
        if (lstat(name.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode) || (S_ISREG(st.st_mode) && st.st_nlink > 1)) return false;
    }
    return true;
}

void runInSequence(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.note != nullptr) progress(step.note);
        if (step.write) step.write();
    }
}

// runShared: two threads, this one and another, take the groups of writers,
// heaviest first, each the next group not yet taken. This thread also
// writes the console in sequence order, waiting where a step has not ended.
void runShared(const std::vector<Step>& steps) {
    // The family walk every directory shares is collected once, and Family's
    // cursor set where the sequence's walks leave it: the threads then only
    // read both.
    const data_detail::FamilyOrder& order = data_detail::familiesInOrder();
    if (Family != nullptr) Family->current = order.end;

    // The steps of each group, and the groups in the order they are taken.
    std::vector<std::vector<std::size_t>> groups(Groups);
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (steps[i].group != NoWriter) groups[steps[i].group].push_back(i);
    std::vector<Group> taking;
    for (Group g : HeaviestFirst)
        if (!groups[g].empty()) taking.push_back(g);

    std::vector<HeldMessages> held(steps.size());
    std::vector<char> done(steps.size(), 0);
    std::mutex lock;
    std::condition_variable ended;
    std::atomic<std::size_t> nextGroup{0};
    // work: run the groups this thread takes; after each step, call then().
    auto work = [&](auto then) {
        for (std::size_t k = nextGroup++; k < taking.size(); k = nextGroup++) {
            for (std::size_t i : groups[taking[k]]) {
                holdMessages(&held[i]);
                steps[i].write();
                holdMessages(nullptr);
                {
                    std::lock_guard<std::mutex> guard(lock);
                    done[i] = 1;
                }
                ended.notify_all();
                then();
            }
        }
    };

    std::size_t shown = 0;   // steps whose console output is out
    bool noteShown = false;  // the note of step shown is out
    auto show = [&](bool wait) {
        for (; shown < steps.size(); ++shown, noteShown = false) {
            const Step& step = steps[shown];
            if (step.note != nullptr && !noteShown) progress(step.note);
            noteShown = true;
            if (!step.write) continue;
            std::unique_lock<std::mutex> guard(lock);
            if (!done[shown] && !wait) return;
            ended.wait(guard, [&] { return done[shown] != 0; });
            guard.unlock();
            held[shown].write();
        }
    };

    std::thread other;
    try {
        other = std::thread([&] { work([] {}); });
    } catch (const std::system_error&) {
        // No second thread to be had: this one takes every group.
    }
    work([&] { show(false); });
    show(true);
    if (other.joinable()) other.join();
}

}  // namespace

void wrapup() {
    std::vector<std::string> names;
    const std::vector<Step> steps = reportSteps(names);
    if (canShare(names)) runShared(steps);
    else runInSequence(steps);
}
