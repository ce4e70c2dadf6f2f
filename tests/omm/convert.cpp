// Test-side converter: the accepted sets of an element file of any encoding
// written by the program's own writers, as TLE (those numbered up to
// 339999) or as OMM in CSV, JSON, XML or KVN.
//   morvel_omm_convert tle|csv|json|xml|kvn in out
#include <cstdio>
#include <optional>
#include <string_view>

#include "eloutput.h"
#include "formats/elfile.h"

int main(int argc, char** argv) {
    using namespace morvel;
    elformat format = elformat::tle;
    if (argc != 4 || (!ommFormatNamed(argv[1], format) && std::string_view(argv[1]) != formatName(format))) {
        std::fprintf(stderr, "usage: %s tle|csv|json|xml|kvn in out\n", argv[0]);
        return 2;
    }
    std::FILE* in = std::fopen(argv[2], "r");
    std::FILE* out = std::fopen(argv[3], "w");
    if (in == nullptr || out == nullptr) return 1;
    elfile sets(in);
    std::optional<ommWriter> writer;
    if (format != elformat::tle) writer.emplace(out, format);
    for (element el = sets.next(); el.if_valid == 1; el = sets.next()) {
        if (!writer && tleNumbered(el.objno)) eloutput(out, el);
        if (writer && writer->write(el) != omm::key::other) return 1;
    }
    if (writer) writer->finish();
    std::fclose(in);
    return std::fclose(out) == 0 ? 0 : 1;
}
