// The manual page: every message the program prints is explained in its
// MESSAGES section.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// unescapeC: the bytes a C string literal's text stands for.
std::string unescapeC(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// messageFormats: the formats of the messages the program prints: the text
// literals, joined where they stand side by side, of each statement that
// writes to the console, that end a line or ask a question.
std::vector<std::pair<std::string, std::string>> messageFormats() {
    std::vector<std::pair<std::string, std::string>> found;  // file, format
    const std::regex comment(R"(//[^\n]*)");
    const std::regex literals(R"re("((?:[^"\\]|\\.)*)"(?:\s*"((?:[^"\\]|\\.)*)")*)re");
    const std::regex piece(R"re("((?:[^"\\]|\\.)*)")re");
    for (const auto& f : fs::directory_iterator(fs::path(ROLLBOOK_SOURCE_DIR) / "src")) {
        if (f.path().extension() != ".cpp") continue;
        const std::string code = std::regex_replace(readFile(f.path()), comment, "");
        // Statements end at ";", "{" or "}" outside string and character
        // literals.
        std::vector<std::string> statements(1);
        for (std::size_t i = 0; i < code.size(); ++i) {
            const char c = code[i];
            if (c == '"' || c == '\'') {
                const std::size_t start = i;
                for (++i; i < code.size() && code[i] != c; ++i)
                    if (code[i] == '\\') ++i;
                statements.back() += code.substr(start, i - start + 1);
            } else if (c == ';' || c == '{' || c == '}') {
                statements.emplace_back();
            } else {
                statements.back() += c;
            }
        }
        for (const std::string& st : statements) {
            const bool console = st.find("stderr") != std::string::npos || st.find("std::printf(") != std::string::npos ||
                                 st.find("openList(") != std::string::npos;
            if (!console) continue;
            for (std::sregex_iterator it(st.begin(), st.end(), literals), e; it != e; ++it) {
                std::string text;
                const std::string all = it->str();
                for (std::sregex_iterator p(all.begin(), all.end(), piece), pe; p != pe; ++p) text += (*p)[1];
                text = unescapeC(text);
                const bool message = !text.empty() && (text.back() == '\n' || text.compare(text.size() - 2, 2, ": ") == 0);
                if (message) found.emplace_back(f.path().filename().string(), text);
            }
        }
    }
    return found;
}

// manualText: a section of the manual page's source as a reader sees it:
// font changes and escapes taken out, the words of each macro line joined
// as the macro joins them, all white space as single blanks.
std::string manualText(const std::string& section) {
    std::istringstream lines(readFile(fs::path(ROLLBOOK_SOURCE_DIR) / "docs" / "rollbook.1"));
    std::string out, line;
    bool inside = false;
    const std::regex fonts(R"(\\f[BIRP]|\\&)");
    while (std::getline(lines, line)) {
        if (line.rfind(".SH", 0) == 0) inside = line.find(section) != std::string::npos;
        if (!inside) continue;
        line = std::regex_replace(line, fonts, "");
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
        if (!line.empty() && line[0] == '.') {
            // ".B words" as they are; ".BR a b" and its kin join their words.
            const std::size_t blank = line.find(' ');
            const std::string macro = line.substr(0, blank);
            const bool alternate = macro.size() == 3 && macro != ".SH" && macro != ".TP" && macro != ".PP";
            std::vector<std::string> args;
            for (std::size_t i = blank == std::string::npos ? line.size() : blank; i < line.size();) {
                if (line[i] == ' ') {
                    ++i;
                } else if (line[i] == '"') {
                    const std::size_t close = line.find('"', i + 1);
                    args.push_back(line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
                    i = close == std::string::npos ? line.size() : close + 1;
                } else {
                    const std::size_t end = std::min(line.find(' ', i), line.size());
                    args.push_back(line.substr(i, end - i));
                    i = end;
                }
            }
            std::string joined;
            for (std::size_t i = 0; i < args.size(); ++i) joined += (i > 0 && !alternate ? " " : "") + args[i];
            line = joined;
        }
        out += line + " ";
    }
    return std::regex_replace(out, std::regex(R"(\s+)"), " ");
}

}  // namespace

TEST(Manual, EveryMessageTheProgramPrintsIsInTheMessagesSection) {
    const std::string messages = manualText("MESSAGES");
    ASSERT_GT(messages.size(), 1000u);
    const std::vector<std::pair<std::string, std::string>> formats = messageFormats();
    ASSERT_GT(formats.size(), 80u);
    // Each literal piece between conversions that holds a word must stand in
    // the section as it is.
    const std::regex conversion(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?[a-zA-Z%])");
    for (const auto& [file, format] : formats) {
        std::sregex_token_iterator it(format.begin(), format.end(), conversion, -1), end;
        for (; it != end; ++it) {
            std::string p = std::regex_replace(it->str(), std::regex(R"(\s+)"), " ");
            p = std::regex_replace(p, std::regex(R"(^ | $)"), "");
            if (!std::regex_search(p, std::regex("[A-Za-z0-9]{3}"))) continue;
            EXPECT_NE(messages.find(p), std::string::npos) << file << ": \"" << p << "\" of " << format;
        }
    }
}
