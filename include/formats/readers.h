// The readers behind elfile, one per encoding, each in a source of its own:
// the next accepted element set of the file, if_valid 0 at its end; every
// record passed over is reported to the reader's sink and costs no other.
// Beside each OMM reader, its encoding's writer.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "formats/elfile.h"
#include "formats/messages.h"

namespace morvel {

struct elfile::reader {
    virtual ~reader() = default;
    virtual element next() = 0;
};

namespace readers {

// Each reads `fp` from its start (the caller closes it), reporting to
// `sink` and naming `file`.
std::unique_ptr<elfile::reader> tle(std::FILE* fp, messageSink& sink, std::string_view file);
std::unique_ptr<elfile::reader> csv(std::FILE* fp, messageSink& sink, std::string_view file);
std::unique_ptr<elfile::reader> kvn(std::FILE* fp, messageSink& sink, std::string_view file);
std::unique_ptr<elfile::reader> json(std::FILE* fp, messageSink& sink, std::string_view file);
std::unique_ptr<elfile::reader> xml(std::FILE* fp, messageSink& sink, std::string_view file);

// Whether `line` is the header of an OMM CSV file: every field an OMM
// keyword, NORAD_CAT_ID, EPOCH and MEAN_MOTION among them (a UTF-8
// byte-order mark before it passed over).
bool csvHeader(std::string_view line);

}  // namespace readers
// One record's text under construction, written out at once. The longest
// record (XML, a name of 79 characters escaped) is far shorter than the
// buffer; what would overrun it is cut.
struct recordText {
    char text[8192];
    std::size_t len = 0;
    void put(char c) {
        if (len < sizeof text) text[len++] = c;
    }
    void put(std::string_view s) {
        // An empty text may hold no pointer at all, which memcpy may not take.
        if (s.empty()) return;
        const std::size_t n = s.size() < sizeof text - len ? s.size() : sizeof text - len;
        std::memcpy(text + len, s.data(), n);
        len += n;
    }
    void write(std::FILE* fp) const { std::fwrite(text, 1, len, fp); }
};

// The texts of an encoding: the head of a file, record number `index` (from
// 0) of the values `t`, the end of the file.
struct ommWriter::encoding {
    void (*head)(recordText& out);
    void (*record)(recordText& out, const omm::texts& t, long index);
    void (*tail)(recordText& out);
};

namespace writers {
extern const ommWriter::encoding csv, json, xml, kvn;
}  // namespace writers

}  // namespace morvel
