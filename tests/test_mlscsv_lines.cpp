// The CSV line source of the readers: read ahead on another thread, it
// gives every line, result, field, message and dump that reading in turn
// gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mlscsv.h"
#include "wrpcsv.h"

namespace {

// A file of many ordinary lines with the awkward ones among them: quoted
// fields with doubled quotes and commas, empty lines, a line longer than
// the reader takes at once, and one with more fields than it splits.
std::string awkwardFile() {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += std::to_string(i) + ",\"Name" + std::to_string(i) + ", Al\",\"say \"\"hi\"\"\",,x";
        if (i % 700 == 3) text += "\n";
        if (i % 1100 == 9) text += std::string(1300, 'w');
        if (i % 1700 == 11) text += std::string(150, ',');
        text += i % 3 == 0 ? "\r\n" : "\n";
    }
    return text;
}

// One line as a reader sees it, with field 1 cut at its comma as the
// membership reader cuts names, and the dump of every 997th line.
struct Seen {
    int rc;
    int fields;
    std::string text;
    std::string dump;
    bool operator==(const Seen& o) const {
        return rc == o.rc && fields == o.fields && text == o.text && dump == o.dump;
    }
};

// readAll: the lines of the file as CsvLines gives them, up to stopAt lines.
std::vector<Seen> readAll(const char* name, bool ahead, std::size_t stopAt = 1u << 30) {
    std::vector<Seen> seen;
    const int id = wrpCsvCreate();
    std::FILE* fp = std::fopen(name, "r");
    {
        CsvLines lines(id, fp, ahead);
        for (int rc; seen.size() < stopAt && (rc = lines.next()) != -1;) {
            Seen s{rc, lines.numFields(), "", ""};
            if (rc != 0) s.text = lines.errMsg();
            for (int i = 0; i < s.fields; ++i) s.text += std::string(lines.field(i)) + "|";
            if (char* f = lines.field(1))
                if (char* comma = std::strchr(f, ',')) *comma = '\0';
            if (seen.size() % 997 == 5) {
                std::FILE* out = std::tmpfile();
                lines.dump(out);
                std::rewind(out);
                for (int c; (c = std::fgetc(out)) != EOF;) s.dump += static_cast<char>(c);
                std::fclose(out);
            }
            seen.push_back(s);
        }
    }
    std::fclose(fp);
    wrpCsvDestroy(id);
    return seen;
}

}  // namespace

TEST(CsvLines, ReadingAheadGivesEveryLineResultFieldAndDumpThatReadingInTurnGives) {
    const char* name = "csvlines_test.csv";
    std::FILE* fp = std::fopen(name, "wb");
    const std::string text = awkwardFile();
    std::fwrite(text.data(), 1, text.size(), fp);
    std::fclose(fp);

    const std::vector<Seen> inTurn = readAll(name, false);
    const std::vector<Seen> ahead = readAll(name, true);
    ASSERT_GT(inTurn.size(), 5000u);
    ASSERT_EQ(ahead.size(), inTurn.size());
    int failed = 0;
    for (std::size_t i = 0; i < inTurn.size(); ++i) {
        ASSERT_EQ(ahead[i], inTurn[i]) << "line " << i;
        failed += inTurn[i].rc != 0;
    }
    EXPECT_GT(failed, 0);  // the line with too many fields was met
    // The dump shows the name field as the reader cut it.
    EXPECT_NE(inTurn[5].dump.find("Fld[1]: >>Name"), std::string::npos) << inTurn[5].dump;
    EXPECT_EQ(inTurn[5].dump.find(", Al<<"), std::string::npos) << inTurn[5].dump;

    // A reader that stops early ends the thread reading ahead.
    EXPECT_EQ(readAll(name, true, 100).size(), 100u);
    std::remove(name);
}
