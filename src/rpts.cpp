// rpts: the helpers the report writers share, and the phone list.
#include "rpts.h"

#include <cstdio>

#include "data.h"
#include "mlscsv.h"

bool openReport(RptFile& out, const char* fname) {
    if (out.open(fname)) return true;
    std::fprintf(stderr, "Error opening report file (%s)\n", fname);
    return false;
}

std::string surnameLetter(const Text& lname) {
    if (!lname || lname->empty()) return std::string();
    const std::size_t len = utf8Length(lname->data(), lname->size());
    return lname->substr(0, len > 0 ? len : 1);
}

std::string fixHtml(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 16);
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string fixHtml(const Text& s) { return s ? fixHtml(s->view()) : std::string(); }

namespace {

// needsEscape: whether fixHtml changes any byte of s.
bool needsEscape(std::string_view s) { return s.find_first_of("&<>\"'") != std::string_view::npos; }

}  // namespace

HtmlText::HtmlText(const Text& s) : text_(fixnull(s)) {
    if (s && needsEscape(s->view())) {
        escaped_ = fixHtml(s->view());
        text_ = escaped_.c_str();
    }
}

HtmlText::HtmlText(const std::string& s) : text_(s.c_str()) {
    if (needsEscape(s)) {
        escaped_ = fixHtml(std::string_view(s));
        text_ = escaped_.c_str();
    }
}

std::string anchorText(std::string_view s) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-' ||
            u == '.') {
            out += c;
        } else {
            out += 'x';
            out += Hex[u >> 4];
            out += Hex[u & 15];
        }
    }
    return out;
}

std::string AnchorSet::take(const std::string& a) {
    std::string anchor = a;
    for (int n = 2; used_.count(anchor) != 0; ++n) anchor = a + "-" + std::to_string(n);
    used_.insert(anchor);
    return anchor;
}

void writePhoneList(const char* fname) {
    RptFile out;
    if (!openReport(out, fname)) return;
    walkFamilies([&](const WardFamily* fam) { writePhoneEntry(out, fam); });
}

void writePhoneEntry(RptFile& out, const WardFamily* fam) {
    out.printf("%s, %s", fixnull(fam->lname), fixnull(fam->fname));
    if (fam->spouse) out.printf(" & %s", fam->spouse->c_str());
    out.printf("\t");
    std::string phones;
    if (isEmpty(fam->phone)) phones = "[no phone]";
    else if (!isEmpty(fam->phone2)) phones = strprintf("%s, %s", fam->phone->c_str(), fam->phone2->c_str());
    else phones = fam->phone->str();
    out.printf("%s\n", phones.c_str());
}
