// Test-side converter: the accepted sets of a TLE file written as OMM in
// CSV, JSON, XML or KVN, each value as the shortest decimal text that reads
// back to the very double the TLE reader made of its field, and the epoch
// to the microsecond (a TLE epoch, 1e-8 day, is a whole number of them).
//   morvel_omm_convert csv|json|xml|kvn in.tle out
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "cal.h"
#include "elinput.h"

namespace {

using morvel::element;

std::string shortest(double x) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// "YYYY-MM-DDThh:mm:ss.ffffff" of the TLE epoch: its day fraction is a
// whole number of 1e-8 day, 864 microseconds each.
std::string epochText(double epoch) {
    const double ep = morvel::jd2ep(epoch);
    const long yy = static_cast<long>(std::floor(ep / 1000));
    const double day = ep - 1000.0 * yy;
    long doy = static_cast<long>(std::floor(day));
    long long frac8 = std::llround((day - doy) * 1e8);
    if (frac8 == 100000000) {
        ++doy;
        frac8 = 0;
    }
    const int year = yy < 57 ? 2000 + static_cast<int>(yy) : 1900 + static_cast<int>(yy);
    const morvel::date d =
        morvel::cal_civil(morvel::cal_julian({year, 1, 1}) + static_cast<int>(doy) - 1);
    const long long us = frac8 * 864;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lld.%06lld", d.year, d.month,
                  d.day, us / 3600000000LL, us / 60000000LL % 60, us / 1000000 % 60, us % 1000000);
    return buf;
}

// Columns 10-17 "98067A  " as 1998-067A; blanks give an empty designator.
std::string designator(const char* objid) {
    std::string s(objid);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (s.size() < 5) return "";
    const int yy = (s[0] - '0') * 10 + (s[1] - '0');
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%.3s%s", yy < 57 ? 2000 + yy : 1900 + yy, s.c_str() + 2,
                  s.c_str() + 5);
    return buf;
}

std::string name(const element& el) {
    std::string s(el.title);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

struct field {
    const char* key;
    std::string value;
    bool text;  // a string in JSON
};

constexpr int fieldCount = 17;

void fields(const element& el, field (&f)[fieldCount]) {
    f[0] = {"OBJECT_NAME", name(el), true};
    f[1] = {"OBJECT_ID", designator(el.objid), true};
    f[2] = {"EPOCH", epochText(el.epoch), true};
    f[3] = {"MEAN_MOTION", shortest(el.n), false};
    f[4] = {"ECCENTRICITY", shortest(el.ecc), false};
    f[5] = {"INCLINATION", shortest(el.inc), false};
    f[6] = {"RA_OF_ASC_NODE", shortest(el.ra), false};
    f[7] = {"ARG_OF_PERICENTER", shortest(el.ap), false};
    f[8] = {"MEAN_ANOMALY", shortest(el.m), false};
    f[9] = {"EPHEMERIS_TYPE", "0", false};
    f[10] = {"CLASSIFICATION_TYPE", std::string(1, el.type), true};
    f[11] = {"NORAD_CAT_ID", std::to_string(el.objno), false};
    f[12] = {"ELEMENT_SET_NO", std::to_string(el.elno), false};
    f[13] = {"REV_AT_EPOCH", std::to_string(el.revno), false};
    f[14] = {"BSTAR", shortest(el.bstar), false};
    f[15] = {"MEAN_MOTION_DOT", shortest(el.nrate), false};
    f[16] = {"MEAN_MOTION_DDOT", shortest(el.nrate2), false};
}

std::string escaped(const std::string& s, bool xml) {
    std::string out;
    for (char c : s) {
        if (xml && c == '&')
            out += "&amp;";
        else if (xml && c == '<')
            out += "&lt;";
        else if (xml && c == '>')
            out += "&gt;";
        else {
            if (!xml && (c == '"' || c == '\\')) out.push_back('\\');
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s csv|json|xml|kvn in.tle out\n", argv[0]);
        return 2;
    }
    const std::string fmt = argv[1];
    std::FILE* in = std::fopen(argv[2], "r");
    std::FILE* out = std::fopen(argv[3], "w");
    if (in == nullptr || out == nullptr) return 1;
    field f[fieldCount];
    int n = 0;
    if (fmt == "json") std::fputs("[", out);
    if (fmt == "xml") {
        std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ndm>\r\n", out);
    }
    for (;;) {
        const element el = morvel::elinput(in);
        if (el.if_valid != 1) break;
        fields(el, f);
        if (fmt == "csv") {
            if (n == 0) {
                for (int k = 0; k < fieldCount; ++k)
                    std::fprintf(out, "%s%s", k ? "," : "", f[k].key);
                std::fputs("\r\n", out);
            }
            for (int k = 0; k < fieldCount; ++k) {
                const bool quote = f[k].value.find_first_of(",\"") != std::string::npos;
                std::string v = f[k].value;
                if (quote) {
                    std::string q;
                    for (char c : v) {
                        if (c == '"') q.push_back('"');
                        q.push_back(c);
                    }
                    v = "\"" + q + "\"";
                }
                std::fprintf(out, "%s%s", k ? "," : "", v.c_str());
            }
            std::fputs("\r\n", out);
        } else if (fmt == "json") {
            std::fputs(n ? ",{" : "{", out);
            for (int k = 0; k < fieldCount; ++k) {
                const char* quote = f[k].text ? "\"" : "";
                std::fprintf(out, "%s\"%s\":%s%s%s", k ? "," : "", f[k].key, quote,
                             escaped(f[k].value, false).c_str(), quote);
            }
            std::fputs("}", out);
        } else if (fmt == "xml") {
            std::fputs(
                "<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\"><header><CREATION_DATE/>"
                "<ORIGINATOR/></header><body><segment><metadata>",
                out);
            auto el2 = [&](int k) {
                std::fprintf(out, "<%s>%s</%s>", f[k].key, escaped(f[k].value, true).c_str(),
                             f[k].key);
            };
            el2(0);
            el2(1);
            std::fputs(
                "<CENTER_NAME>EARTH</CENTER_NAME><REF_FRAME>TEME</REF_FRAME>"
                "<TIME_SYSTEM>UTC</TIME_SYSTEM><MEAN_ELEMENT_THEORY>SGP4</MEAN_ELEMENT_THEORY>"
                "</metadata><data><meanElements>",
                out);
            for (int k = 2; k <= 8; ++k) el2(k);
            std::fputs("</meanElements><tleParameters>", out);
            for (int k = 9; k < fieldCount; ++k) el2(k);
            std::fputs("</tleParameters></data></segment></body></omm>\r\n", out);
        } else if (fmt == "kvn") {
            std::fputs(
                "CCSDS_OMM_VERS      = 2.0\r\nCREATION_DATE       = \r\nORIGINATOR          = "
                "\r\n\r\n",
                out);
            auto line = [&](int k) {
                std::fprintf(out, "%-19s = %s\r\n", f[k].key, f[k].value.c_str());
            };
            line(0);
            line(1);
            std::fputs(
                "CENTER_NAME         = EARTH\r\nREF_FRAME           = TEME\r\n"
                "TIME_SYSTEM         = UTC\r\nMEAN_ELEMENT_THEORY = SGP/SGP4\r\n\r\n",
                out);
            for (int k = 2; k < fieldCount; ++k) {
                line(k);
                if (k == 8) std::fputs("\r\n", out);
            }
        } else {
            return 2;
        }
        ++n;
    }
    if (fmt == "json") std::fputs("]\r\n", out);
    if (fmt == "xml") std::fputs("</ndm>\r\n", out);
    std::fclose(in);
    std::fclose(out);
    return 0;
}
