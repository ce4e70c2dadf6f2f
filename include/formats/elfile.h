// Element files: the encoding of an open input recognised by its content,
// and its accepted element sets handed out one by one, whatever the
// encoding. A TLE file goes through elinput on its stream unchanged. Element
// sets written as OMM in any of its four encodings.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "elinput.h"
#include "formats/messages.h"
#include "formats/omm.h"

namespace morvel {

enum class elformat { tle, csv, json, xml, kvn };

// The name of an encoding as flags and file names give it: "tle", "csv",
// "json", "xml", "kvn".
std::string_view formatName(elformat f);

// The OMM encoding whose name is `name` into `f`; false for any other name.
bool ommFormatNamed(std::string_view name, elformat& f);

// The encoding whose signature the first non-blank text of `text` (the
// first `len` bytes of a file, a UTF-8 byte-order mark allowed) carries:
// - CSV: a header line of OMM keywords with NORAD_CAT_ID, EPOCH and
//   MEAN_MOTION among them;
// - JSON: an array of objects, or one object, whose first key is a keyword;
// - XML: an <ndm> or <omm> root (after an XML declaration and comments);
// - KVN: a first line "CCSDS_OMM_VERS = ...".
// Anything else is TLE, title lines such as "[DEBRIS]" or "<none>" included.
elformat recognise(const char* text, std::size_t len);

// How many bytes of a file recognise is given.
inline constexpr std::size_t recogniseBytes = 4096;

class elfile {
public:
    // Reads from `fp` (at its start; the caller closes it). The encoding is
    // recognised from the first bytes of a stream that can seek back to its
    // start; any other stream is read as TLE. Records passed over are
    // reported to `sink`, naming the file `file`.
    explicit elfile(std::FILE* fp, messageSink& sink = console(), std::string_view file = {});
    ~elfile();
    elfile(const elfile&) = delete;
    elfile& operator=(const elfile&) = delete;

    // The next accepted element set, as elinput gives it: rejected records
    // are reported and passed over; if_valid 0 at the end.
    // Reading a file again gives the same sets and the same messages.
    element next();

    // One reader per encoding (readers.h).
    struct reader;

private:
    std::unique_ptr<reader> reader_;
};

// Element sets written as OMM in one encoding, in the layout of CelesTrak's
// GP files: their keywords in their order (CSV columns and JSON keys; KVN
// and XML add the metadata of SGP4's elements, EARTH, TEME, UTC and SGP4),
// CR LF line ends, each value as omm::texts gives it, and after the
// keywords the heights of the TLE title line as user-defined parameters.
// CSV: a header, then one row per set. JSON: an array, one object per line.
// XML: an <ndm> root, one <omm> per set. KVN: one message per set, its
// blocks apart by blank lines.
class ommWriter {
public:
    // Writes the head of the file (the CSV header, the array's or the
    // root's opening) to `fp`, open for writing; `format` one of OMM's.
    ommWriter(std::FILE* fp, elformat format);
    ommWriter(const ommWriter&) = delete;
    ommWriter& operator=(const ommWriter&) = delete;

    // Writes `el` as one record: key::other, or the key of a value that no
    // text can give (omm::texts::fill), and then nothing is written.
    omm::key write(const element& el);

    // Writes the end of the file (the array or the root closed); the caller
    // closes `fp`.
    void finish();

    // The texts of one encoding (readers.h).
    struct encoding;

private:
    std::FILE* fp_;
    const encoding* encoding_;
    long records_ = 0;
    omm::texts texts_;
};

}  // namespace morvel
