// The readers behind elfile, one per encoding, each in a source of its own:
// the next accepted element set of the file, if_valid 0 at its end; every
// record passed over is reported to the reader's sink and costs no other.
#pragma once

#include <cstdio>
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

}  // namespace readers
}  // namespace morvel
