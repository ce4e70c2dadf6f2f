// Test-side converter: the accepted sets of a TLE file written as OMM in
// CSV, JSON, XML or KVN, each value as the shortest decimal text that reads
// back to the very double the TLE reader made of its field, and the epoch
// to the microsecond (a TLE epoch, 1e-8 day, is a whole number of them).
//   morvel_omm_convert csv|json|xml|kvn in.tle out
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cal.h"
#include "elinput.h"

namespace {

using morvel::element;

std::string shortest(double x) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, x).ptr);
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// "YYYY-MM-DDThh:mm:ss.ffffff" of the TLE epoch: its day fraction is a
// whole number of 1e-8 day, 864 microseconds each.
std::string epochText(double epoch) {
    const double ep = morvel::jd2ep(epoch);
    const long yy = static_cast<long>(std::floor(ep / 1000));
    const long doy = static_cast<long>(std::floor(ep - 1000.0 * yy));
    const long long us = std::llround((ep - 1000.0 * yy - doy) * 1e8) * 864;  // 864e8 rolls the day on
    const int year = yy < 57 ? 2000 + static_cast<int>(yy) : 1900 + static_cast<int>(yy);
    const morvel::date d = morvel::cal_civil(morvel::cal_julian({year, 1, 1}) + static_cast<int>(doy) - 1 +
                                             static_cast<int>(us / 86400000000LL));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lld.%06lld", d.year, d.month, d.day,
                  us / 3600000000LL % 24, us / 60000000LL % 60, us / 1000000 % 60, us % 1000000);
    return buf;
}

// Columns 10-17 "98067A  " as 1998-067A; blanks give an empty designator.
std::string designator(const char* objid) {
    const std::string s = trimmed(objid);
    if (s.size() < 5) return "";
    const int yy = (s[0] - '0') * 10 + (s[1] - '0');
    return std::to_string(yy < 57 ? 2000 + yy : 1900 + yy) + "-" + s.substr(2, 3) + s.substr(5);
}

struct field {
    const char* key;
    std::string value;
    bool text;  // a string in JSON
};

// In the order of the CSV columns; 0-1 metadata, 2-8 mean elements, 9-16 TLE parameters.
std::vector<field> fields(const element& el) {
    return {{"OBJECT_NAME", trimmed(el.title), true},      {"OBJECT_ID", designator(el.objid), true},
            {"EPOCH", epochText(el.epoch), true},          {"MEAN_MOTION", shortest(el.n), false},
            {"ECCENTRICITY", shortest(el.ecc), false},     {"INCLINATION", shortest(el.inc), false},
            {"RA_OF_ASC_NODE", shortest(el.ra), false},    {"ARG_OF_PERICENTER", shortest(el.ap), false},
            {"MEAN_ANOMALY", shortest(el.m), false},       {"EPHEMERIS_TYPE", "0", false},
            {"CLASSIFICATION_TYPE", {el.type}, true},      {"NORAD_CAT_ID", std::to_string(el.objno), false},
            {"ELEMENT_SET_NO", std::to_string(el.elno), false}, {"REV_AT_EPOCH", std::to_string(el.revno), false},
            {"BSTAR", shortest(el.bstar), false},          {"MEAN_MOTION_DOT", shortest(el.nrate), false},
            {"MEAN_MOTION_DDOT", shortest(el.nrate2), false}};
}

// `s` with each character of `special` replaced by its escape.
std::string escaped(const std::string& s, const std::string& special, const std::vector<std::string>& escape) {
    std::string out;
    for (char c : s) {
        const std::size_t k = special.find(c);
        out += k == std::string::npos ? std::string(1, c) : escape[k];
    }
    return out;
}

std::string record(const std::string& fmt, const std::vector<field>& f, bool first) {
    std::string out;
    if (fmt == "csv") {
        for (std::size_t k = 0; first && k < f.size(); ++k) out.append(k ? "," : "").append(f[k].key);
        if (first) out += "\r\n";
        for (std::size_t k = 0; k < f.size(); ++k) {
            const bool quote = f[k].value.find_first_of(",\"") != std::string::npos;
            const std::string v = escaped(f[k].value, "\"", {"\"\""});
            out.append(k ? "," : "").append(quote ? "\"" + v + "\"" : v);
        }
        return out + "\r\n";
    }
    if (fmt == "json") {
        for (std::size_t k = 0; k < f.size(); ++k) {
            const std::string q = f[k].text ? "\"" : "";
            out += std::string(k ? "," : first ? "{" : ",{") + "\"" + f[k].key + "\":" + q +
                   escaped(f[k].value, "\"\\", {"\\\"", "\\\\"}) + q;
        }
        return out + "}";
    }
    // XML and KVN: the metadata, mean elements and TLE parameters between
    // the fixed texts of each encoding.
    static const char* const xmlText[] = {
        "<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\"><header><CREATION_DATE/><ORIGINATOR/></header>"
        "<body><segment><metadata>",
        "<CENTER_NAME>EARTH</CENTER_NAME><REF_FRAME>TEME</REF_FRAME><TIME_SYSTEM>UTC</TIME_SYSTEM>"
        "<MEAN_ELEMENT_THEORY>SGP4</MEAN_ELEMENT_THEORY></metadata><data><meanElements>",
        "</meanElements><tleParameters>", "</tleParameters></data></segment></body></omm>\r\n"};
    static const char* const kvnText[] = {
        "CCSDS_OMM_VERS      = 2.0\r\nCREATION_DATE       = \r\nORIGINATOR          = \r\n\r\n",
        "CENTER_NAME         = EARTH\r\nREF_FRAME           = TEME\r\nTIME_SYSTEM         = UTC\r\n"
        "MEAN_ELEMENT_THEORY = SGP/SGP4\r\n\r\n",
        "\r\n", ""};
    const bool xml = fmt == "xml";
    const char* const* text = xml ? xmlText : kvnText;
    const std::size_t blockEnd[] = {2, 9, f.size()};
    for (std::size_t b = 0, k = 0; b < 3; ++b) {
        out += text[b];
        for (; k < blockEnd[b]; ++k) {
            char line[1024];  // a title of 68 characters, each escaped, fits
            if (xml) std::snprintf(line, sizeof line, "<%s>%s</%s>", f[k].key,
                                   escaped(f[k].value, "&<>", {"&amp;", "&lt;", "&gt;"}).c_str(), f[k].key);
            else std::snprintf(line, sizeof line, "%-19s = %s\r\n", f[k].key, f[k].value.c_str());
            out += line;
        }
    }
    return out + text[3];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string fmt = argc == 4 ? argv[1] : "";
    if (fmt != "csv" && fmt != "json" && fmt != "xml" && fmt != "kvn") {
        std::fprintf(stderr, "usage: %s csv|json|xml|kvn in.tle out\n", argv[0]);
        return 2;
    }
    std::FILE* in = std::fopen(argv[2], "r");
    std::FILE* out = std::fopen(argv[3], "w");
    if (in == nullptr || out == nullptr) return 1;
    if (fmt == "json") std::fputs("[", out);
    if (fmt == "xml") std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ndm>\r\n", out);
    bool first = true;
    for (element el = morvel::elinput(in); el.if_valid == 1; el = morvel::elinput(in), first = false)
        std::fputs(record(fmt, fields(el), first).c_str(), out);
    if (fmt == "json") std::fputs("]\r\n", out);
    if (fmt == "xml") std::fputs("</ndm>\r\n", out);
    std::fclose(in);
    std::fclose(out);
    return 0;
}
