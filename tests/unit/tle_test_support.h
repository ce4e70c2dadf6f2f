// Helpers shared by the element-set tests: streams over literal text,
// capture of standard output, fixed-column editing of element lines.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "elinput.h"
#include "eloutput.h"

namespace morvel::tletest {

// A temporary stream holding `text` (NUL bytes included), positioned at its
// start; closed on destruction.
class TextStream {
public:
    explicit TextStream(const std::string& text) : fp_(std::tmpfile()) {
        if (fp_ != nullptr) {
            std::fwrite(text.data(), 1, text.size(), fp_);
            std::rewind(fp_);
        }
    }
    ~TextStream() {
        if (fp_ != nullptr) std::fclose(fp_);
    }
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;
    std::FILE* get() const { return fp_; }

private:
    std::FILE* fp_;
};

// Everything written to standard output between construction and text().
class StdoutCapture {
public:
    StdoutCapture() : tmp_(std::tmpfile()) {
        std::fflush(stdout);
        saved_ = dup(fileno(stdout));
        dup2(fileno(tmp_), fileno(stdout));
    }
    ~StdoutCapture() { restore(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text() {
        restore();
        std::string out;
        std::rewind(tmp_);
        char buf[4096];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, tmp_)) > 0) out.append(buf, got);
        return out;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
        saved_ = -1;
    }
    std::FILE* tmp_;
    int saved_ = -1;
};

// All sets the reader accepts from `text`, in order.
inline std::vector<element> readAll(const std::string& text) {
    TextStream in(text);
    std::vector<element> sets;
    for (;;) {
        const element el = elinput(in.get());
        if (el.if_valid != 1) break;
        sets.push_back(el);
    }
    return sets;
}

// The three lines eloutput writes for `el`.
inline std::string written(const element& el) {
    std::FILE* fp = std::tmpfile();
    eloutput(fp, el);
    std::string out;
    std::rewind(fp);
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, fp)) > 0) out.append(buf, got);
    std::fclose(fp);
    return out;
}

// The lines of a text, without their line feeds.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// The columns of field `f` of a line (as far as the line has them).
inline std::string field(const std::string& line, tleColumns f) {
    if (static_cast<std::size_t>(f.first) > line.size()) return "";
    return line.substr(static_cast<std::size_t>(f.first - 1), static_cast<std::size_t>(f.width));
}

// `line` with field `f` replaced by `text`, right-aligned in the field.
inline std::string withField(std::string line, tleColumns f, const std::string& text) {
    std::string cell(static_cast<std::size_t>(f.width), ' ');
    cell.replace(cell.size() - text.size(), text.size(), text);
    line.replace(static_cast<std::size_t>(f.first - 1), cell.size(), cell);
    return line;
}

// Check digit computed independently of the writer: digits count their
// value, a minus sign counts 1.
inline int checkDigit(const std::string& text) {
    int sum = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') sum += c - '0';
        if (c == '-') sum += 1;
    }
    return sum % 10;
}

// A real set of the catalogue, its title line padded as published.
inline const std::string issTitle = "ISS (ZARYA)             ";
inline const std::string issLine1 =
    "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
inline const std::string issLine2 =
    "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";

// A plain record of an orbit like the station's, for the writer.
inline element sampleElement() {
    element el{};
    el.if_valid = 1;
    std::strcpy(el.title, "ISS (ZARYA)");
    el.objno = 25544;
    el.type = 'U';
    std::strcpy(el.objid, "98067A  ");
    el.epoch = 2461168.0 + 0.50694444;  // 2026 May 7 (day 127), 12h10m
    el.nrate = 0.00012345;
    el.nrate2 = 0.0;
    el.bstar = 0.00022345;
    el.elno = 999;
    el.inc = 51.6361;
    el.ra = 174.8713;
    el.ecc = 0.0004907;
    el.ap = 285.8321;
    el.m = 74.2286;
    el.n = 15.49588373;
    el.revno = 56543;
    return el;
}

}  // namespace morvel::tletest
