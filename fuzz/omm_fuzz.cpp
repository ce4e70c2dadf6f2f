// Fuzz target of element-file reading: any bytes through the recognition of
// the encoding and its reader. The first byte may put a signature before
// the rest, so that every reader (TLE, CSV, JSON, XML, KVN) sees any text.
// Every accepted set must obey the reader's rules; a second reading of the
// same bytes must give the same sets.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "elfile.h"
#include "omm.h"

namespace {

using morvel::element;

constexpr const char* signatures[] = {
    "",
    ("NORAD_CAT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,ARG_OF_PERICENTER,"
     "MEAN_ANOMALY,BSTAR,MEAN_MOTION_DOT,MEAN_MOTION_DDOT,OBJECT_ID,OBJECT_NAME\n"),
    "[{\"NORAD_CAT_ID\":",
    "<ndm><omm><body><segment><metadata>",
    "CCSDS_OMM_VERS = 2.0\n",
};
constexpr std::size_t signatureCount = sizeof signatures / sizeof signatures[0];

char text[1 << 20];

void checkSet(const element& el) {
    if (el.if_valid != 1) std::abort();
    if (!(el.n > 0.01 && el.n < 17.0)) std::abort();
    if (el.objno < 0 || el.objno > morvel::omm::highestObjno) std::abort();
    if (std::strlen(el.objid) != 8 || std::strlen(el.title) > 79) std::abort();
}

// Reads every set; returns their count and a digest of them.
std::size_t readAll(std::size_t len, std::uint64_t& digest) {
    std::FILE* in = fmemopen(text, len, "r");
    if (in == nullptr) std::abort();
    std::size_t count = 0;
    digest = 0;
    {
        morvel::elfile file(in);
        for (element el = file.next(); el.if_valid != 0; el = file.next()) {
            checkSet(el);
            // Each set takes at least a few bytes of the file.
            if (++count > len) std::abort();
            std::uint64_t bits;
            std::memcpy(&bits, &el.epoch, sizeof bits);
            digest = digest * 1000003 + bits + static_cast<std::uint64_t>(el.objno);
        }
    }
    std::fclose(in);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The readers' messages go to standard output.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* sig = signatures[data[0] % signatureCount];
    const std::size_t sigLen = std::strlen(sig);
    if (sigLen + size - 1 > sizeof text || size - 1 == 0) return 0;
    std::memcpy(text, sig, sigLen);
    std::memcpy(text + sigLen, data + 1, size - 1);
    const std::size_t len = sigLen + size - 1;
    std::uint64_t d1 = 0;
    std::uint64_t d2 = 0;
    const std::size_t n1 = readAll(len, d1);
    const std::size_t n2 = readAll(len, d2);
    if (n1 != n2 || d1 != d2) std::abort();
    return 0;
}
