// Element files: the encoding of an open input recognised by its content,
// and its accepted element sets handed out one by one, whatever the
// encoding. A TLE file goes through elinput on its stream unchanged.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "elinput.h"
#include "formats/messages.h"

namespace morvel {

enum class elformat { tle, csv, json, xml, kvn };

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

}  // namespace morvel
