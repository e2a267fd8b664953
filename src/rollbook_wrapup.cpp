// The report sequence. Every report is written from the finished store, and
// nearly all of them only read it, so where the machine has a second core
// the sequence is shared between two threads. The console shows the same
// either way: the progress texts and each writer's messages come out in the
// sequence's order, each writer's messages being held until their turn.
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <exception>
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

// The groups from the heaviest to the lightest on a large ward's exports,
// the order of groups that weigh the same (see weigh).
const Group HeaviestFirst[] = {PrivatePage,  PrivateText, PublicPage, Classes,          PublicText, MemberTable,
                               HomeTeaching, FamilyTable, Callings,   VisitingTeaching, Phones};
static_assert(sizeof HeaviestFirst / sizeof HeaviestFirst[0] == Groups, "every group has its place");

// linksOf: how many links a list has.
std::size_t linksOf(linkeddef* list) {
    std::size_t n = 0;
    for (linkedlist* l = list != nullptr ? get_head_link(list) : nullptr; l != nullptr; l = get_next_link(l)) ++n;
    return n;
}

// positionsOf: how many positions the organizations of a list have.
std::size_t positionsOf(linkeddef* list) {
    std::size_t n = 0;
    for (linkedlist* l = list != nullptr ? get_head_link(list) : nullptr; l != nullptr; l = get_next_link(l))
        if (const auto* org = static_cast<const WardOrg*>(l->data))
            for (const WardPos* p = org->pos; p != nullptr; p = p->next) ++n;
    return n;
}

// weigh: about how long each group takes to write, in microseconds, from
// the numbers of families and members and, once they are read, of
// assignments and positions: a household of thousands of members or a
// store of lone heads weighs its groups otherwise than a ward does. Only
// the lists of assignments and organizations are read.
std::vector<double> weigh(double fams, double mems, bool teachingRead) {
    std::vector<double> w(Groups, 0.0);
    w[PrivatePage] = 0.75 * fams + 0.5 * mems;
    w[PrivateText] = 0.65 * fams + 0.7 * mems;
    w[PublicPage] = 0.77 * fams + 0.23 * mems;
    w[PublicText] = 0.58 * fams + 0.37 * mems;
    w[MemberTable] = 0.75 * mems;
    w[FamilyTable] = 0.4 * fams;
    w[Classes] = 0.35 * mems;
    w[Phones] = 0.07 * fams;
    if (teachingRead) {
        w[HomeTeaching] = 1.3 * static_cast<double>(linksOf(HT));
        w[VisitingTeaching] = 1.3 * static_cast<double>(linksOf(VT));
        w[Callings] = 1.5 * static_cast<double>(positionsOf(WardOrgList) + positionsOf(StakeOrgList));
    }
    return w;
}

// One step: a progress text, a writer, or both (the text comes first).
struct Step {
    const char* note;
    std::function<void()> write;
    Group group;
    long file = -1;  // the report file it writes: its place in the names
};

// The steps of the sequence, in order; names collects the report files.
std::vector<Step> reportSteps(std::vector<std::string>& names) {
    const char* prefix = isStake() ? "stake" : "ward";
    std::vector<Step> steps;
    auto note = [&](const char* text) { steps.push_back({text, nullptr, NoWriter}); };
    // add: a writer of one file; the name lives as long as its step.
    auto add = [&](Group group, std::string file, auto writer) {
        names.push_back(file);
        steps.push_back({nullptr, [file, writer] { writer(file.c_str()); }, group, static_cast<long>(names.size() - 1)});
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

// notLinked: whether no file of these names is a symbolic link or a regular
// file with further links (absent names and other kinds count as unlinked).
bool notLinked(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        struct stat st;
        if (lstat(name.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode) || (S_ISREG(st.st_mode) && st.st_nlink > 1)) return false;
    }
    return true;
}

// emptyOldReport: empty the report file name left by an earlier run, when
// it is a regular file of its own (no further links) and not where the
// console goes. Refuses links, waits on nothing (a pipe is not opened) and
// leaves anything it cannot open to the report's writer.
void emptyOldReport(const std::string& name) {
    // Only a regular file is opened: opening a pipe would end what its
    // reader sees. The open refuses a link put in its place meanwhile.
    struct stat before;
    if (lstat(name.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return;
    const int fd = open(name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_size > 0) {
        bool console = false;
        for (int out : {1, 2}) {
            struct stat cs;
            if (fstat(out, &cs) == 0 && cs.st_dev == st.st_dev && cs.st_ino == st.st_ino) console = true;
        }
        if (!console && ftruncate(fd, 0) != 0) {
            // Left to the writer, whose own emptying reports any failure.
        }
    }
    close(fd);
}

// The fewest stored families and members for which a second thread pays:
// below, it would cost more memory and time than it saves.
constexpr std::size_t SharedFromRecords = 4000;

// canShare: whether the sequence may be shared between two threads. Not
// when the process may run on one core only, nor for a small store. Not
// when the directory's web page would change records that later reports
// read: it gives a household text to a family without one and numbers the
// families whose id is 0. Not when a report's name is a symbolic link or a
// file with further links: two reports might then be one file, which must
// get them in sequence order.
bool canShare(const std::vector<std::string>& names) {
    if (coresAllowed() < 2 || storedRecords() < SharedFromRecords) return false;
    bool settled = true;
    data_detail::visitFamilies([&](const WardFamily* fam) {
        if (!fam->household || fam->famid == 0) settled = false;
    });
    return settled && notLinked(names);
}

void runInSequence(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.note != nullptr) progress(step.note);
        if (step.write) step.write();
    }
}

// The groups that read nothing the teaching readers write (assignments, and
// the families' links to them), and the files those readers read. While the
// readers run, these groups may already be written.
const Group BeforeTeaching[] = {Classes, MemberTable, FamilyTable, Phones};
const std::vector<std::string> TeachingInputs = {"HomeTeaching.csv", "ht.txt", "VisitingTeaching.csv", "vt.txt"};

// ReportRun: the report sequence of a run, shared between two threads where
// it can be (canShare). Two threads, the one that calls finish and another,
// take the groups of writers, heaviest first, each the next group not yet
// taken. With early, begin starts the other thread at once: it builds the
// teaching text files' searches, then takes the groups of BeforeTeaching
// (which come first) and, once finish has been called, the rest. finish
// writes the console in sequence order, waiting where a step has not ended.
class ReportRun {
public:
    ReportRun() : steps_(reportSteps(names_)) {}

    void begin(bool early) {
        shared_ = canShare(names_);
        if (!shared_) return;
        // The family walk every directory shares is collected once, and
        // Family's cursor set where the sequence's walks leave it: the
        // threads then only read both.
        const data_detail::FamilyOrder& order = data_detail::familiesInOrder();
        if (Family != nullptr) Family->current = order.end;

        groups_.resize(Groups);
        for (std::size_t i = 0; i < steps_.size(); ++i)
            if (steps_[i].group != NoWriter) groups_[steps_[i].group].push_back(i);
        held_.resize(steps_.size());
        done_.assign(steps_.size(), 0);
        fams_ = static_cast<double>(order.fams.size());
        mems_ = static_cast<double>(storedRecords()) - fams_;
        weight_ = weigh(fams_, mems_, false);
        std::vector<Group> first, later;
        for (Group g : HeaviestFirst) {
            if (groups_[g].empty()) continue;
            const bool before = std::find(std::begin(BeforeTeaching), std::end(BeforeTeaching), g) !=
                                std::end(BeforeTeaching);
            (early && before ? first : later).push_back(g);
        }
        std::stable_sort(first.begin(), first.end(), [this](Group a, Group b) { return weight_[a] > weight_[b]; });
        taking_ = first;
        taking_.insert(taking_.end(), later.begin(), later.end());
        taken_.assign(taking_.size(), 0);
        firstLater_ = first.size();
        if (!early) return;
        // The files an earlier run left are emptied ahead of their writers,
        // while the teaching exports are read and other reports written:
        // emptying a large file can wait long on the disk.
        fileState_.assign(names_.size(), Untouched);
        try {
            emptier_ = std::thread([this] { emptyOldReports(); });
        } catch (const std::exception&) {
            fileState_.clear();  // each writer empties its own file
        }
        // The searches serve the teaching text files only: without them,
        // nothing waits for the searches.
        struct stat st;
        const bool texts = stat("ht.txt", &st) == 0 || stat("vt.txt", &st) == 0;
        try {
            searchesPending_ = texts;
            other_ = std::thread([this, texts] {
                if (texts) prepareTextSearches();
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    searchesPending_ = false;
                }
                ended_.notify_all();
                work([] {});
            });
        } catch (const std::exception&) {
            // No thread to be had: finish tries again.
            searchesPending_ = false;
        }
    }

    void awaitSearches() {
        std::unique_lock<std::mutex> guard(lock_);
        ended_.wait(guard, [this] { return !searchesPending_; });
    }

    void finish() {
        if (!shared_) {
            runInSequence(steps_);
            return;
        }
        std::vector<double> weights = weigh(fams_, mems_, true);
        {
            std::lock_guard<std::mutex> guard(lock_);
            weight_ = std::move(weights);
            open_ = true;
        }
        ended_.notify_all();
        if (!other_.joinable()) {
            try {
                other_ = std::thread([this] { work([] {}); });
            } catch (const std::exception&) {
                // No second thread to be had: this one takes every group.
            }
        }
        work([this] { show(false); });
        show(true);
        if (other_.joinable()) other_.join();
        if (emptier_.joinable()) emptier_.join();
    }

private:
    // runGroup: the steps of one group in order, their messages held; after
    // each step, then().
    template <typename Then>
    void runGroup(Group g, Then then) {
        for (std::size_t i : groups_[g]) {
            claimFile(steps_[i].file);
            holdMessages(&held_[i]);
            steps_[i].write();
            holdMessages(nullptr);
            {
                std::lock_guard<std::mutex> guard(lock_);
                done_[i] = 1;
            }
            ended_.notify_all();
            then();
        }
    }

    // claimFile: the report file f is this writer's from now on: the
    // emptier leaves it alone, and a file it is emptying is waited for.
    void claimFile(long f) {
        if (f < 0 || fileState_.empty()) return;
        std::unique_lock<std::mutex> guard(lock_);
        ended_.wait(guard, [&] { return fileState_[f] != Emptying; });
        fileState_[f] = Writing;
    }

    // emptyOldReports: empty each report file not yet claimed by its writer,
    // in the order the groups are taken.
    void emptyOldReports() {
        for (Group g : taking_) {
            for (std::size_t i : groups_[g]) {
                const long f = steps_[i].file;
                if (f < 0) continue;
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    if (fileState_[f] != Untouched) continue;
                    fileState_[f] = Emptying;
                }
                emptyOldReport(names_[f]);
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    fileState_[f] = Emptied;
                }
                ended_.notify_all();
            }
        }
    }

    // take: the next group for this thread, NoWriter when none is left.
    // Until finish has been called, only the groups of BeforeTeaching may be
    // taken, heaviest first; from then on the heaviest group left, so that
    // a heavy one is not left to one thread at the end.
    Group take() {
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            std::size_t pick = taking_.size();
            for (std::size_t k = 0; k < taking_.size(); ++k) {
                if (taken_[k] || (!open_ && k >= firstLater_)) continue;
                if (pick == taking_.size() || (open_ && weight_[taking_[k]] > weight_[taking_[pick]])) pick = k;
            }
            if (pick < taking_.size()) {
                taken_[pick] = 1;
                return taking_[pick];
            }
            if (open_ || std::find(taken_.begin(), taken_.end(), 0) == taken_.end()) return NoWriter;
            ended_.wait(guard);
        }
    }

    // work: run the groups this thread takes.
    template <typename Then>
    void work(Then then) {
        for (Group g = take(); g != NoWriter; g = take()) runGroup(g, then);
    }

    // show: write the console of the steps in sequence order, as far as they
    // have ended; with wait, to the end of the sequence.
    void show(bool wait) {
        for (; shown_ < steps_.size(); ++shown_, noteShown_ = false) {
            const Step& step = steps_[shown_];
            if (step.note != nullptr && !noteShown_) progress(step.note);
            noteShown_ = true;
            if (!step.write) continue;
            std::unique_lock<std::mutex> guard(lock_);
            if (!done_[shown_] && !wait) return;
            ended_.wait(guard, [&] { return done_[shown_] != 0; });
            guard.unlock();
            held_[shown_].write();
        }
    }

    std::vector<std::string> names_;
    std::vector<Step> steps_;
    bool shared_ = false;
    std::vector<std::vector<std::size_t>> groups_;  // the steps of each group
    std::vector<Group> taking_;                     // the groups to take, those of BeforeTeaching first
    std::vector<char> taken_;                       // which of them are taken
    std::vector<double> weight_;                    // of each group (weigh)
    double fams_ = 0, mems_ = 0;                    // families and members stored
    std::vector<HeldMessages> held_;
    std::vector<char> done_;  // steps that have ended
    std::mutex lock_;
    std::condition_variable ended_;
    std::size_t firstLater_ = 0;    // where the groups after BeforeTeaching begin in taking_
    bool open_ = false;             // finish has been called: every group may be taken
    std::thread other_;
    bool searchesPending_ = false;  // the other thread is building the text searches
    enum FileState : char { Untouched, Emptying, Emptied, Writing };
    std::vector<FileState> fileState_;  // of each report file; empty without an emptier
    std::thread emptier_;
    std::size_t shown_ = 0;   // steps whose console output is out
    bool noteShown_ = false;  // the note of step shown_ is out
};

// The run begun by startReports, if any. It is never destroyed: a run that
// has not ended by the time the process exits has nothing left to end.
ReportRun* current = nullptr;

}  // namespace

void startReports() {
    if (current != nullptr) return;
    current = new ReportRun;
    current->begin(notLinked(TeachingInputs));
}

void awaitTextSearches() {
    if (current != nullptr) current->awaitSearches();
}

void wrapup() {
    if (current == nullptr) {
        current = new ReportRun;
        current->begin(false);
    }
    ReportRun* run = current;
    current = nullptr;
    run->finish();
    delete run;
}

int coresAllowed() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    return static_cast<int>(std::thread::hardware_concurrency());
}
