// Test-side converter: the accepted sets of a TLE file written as OMM in
// CSV, JSON, XML or KVN by the program's own writer, each value read back
// by the OMM readers to the very double of the TLE reader.
//   morvel_omm_convert csv|json|xml|kvn in.tle out
#include <cstdio>

#include "formats/elfile.h"

int main(int argc, char** argv) {
    using namespace morvel;
    elformat format = elformat::tle;
    if (argc != 4 || !ommFormatNamed(argv[1], format)) {
        std::fprintf(stderr, "usage: %s csv|json|xml|kvn in.tle out\n", argv[0]);
        return 2;
    }
    std::FILE* in = std::fopen(argv[2], "r");
    std::FILE* out = std::fopen(argv[3], "w");
    if (in == nullptr || out == nullptr) return 1;
    ommWriter writer(out, format);
    for (element el = elinput(in); el.if_valid == 1; el = elinput(in)) {
        if (writer.write(el) != omm::key::other) return 1;
    }
    writer.finish();
    std::fclose(in);
    return std::fclose(out) == 0 ? 0 : 1;
}
