// TLE files behind elfile: the element-set reader of the original design, on
// the stream as it stands.
#include "elinput.h"
#include "formats/readers.h"

namespace morvel::readers {

namespace {

struct tleFile final : elfile::reader {
    tleFile(std::FILE* fp, messageSink& sink, std::string_view file) : sets(fp, sink, file) {}
    element next() override { return sets.next(); }
    tleReader sets;
};

}  // namespace

std::unique_ptr<elfile::reader> tle(std::FILE* fp, messageSink& sink, std::string_view file) {
    return std::make_unique<tleFile>(fp, sink, file);
}

}  // namespace morvel::readers
