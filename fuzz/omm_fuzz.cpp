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
#include <vector>

#include "formats/elfile.h"
#include "formats/omm.h"

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

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every field of two sets alike (the doubles bit for bit).
bool same(const element& a, const element& b) {
    return a.if_valid == b.if_valid && std::strcmp(a.title, b.title) == 0 && a.objno == b.objno && a.type == b.type &&
           std::strcmp(a.objid, b.objid) == 0 && sameBits(a.epoch, b.epoch) && sameBits(a.nrate, b.nrate) &&
           sameBits(a.nrate2, b.nrate2) && sameBits(a.bstar, b.bstar) && a.elno == b.elno && sameBits(a.inc, b.inc) &&
           sameBits(a.ra, b.ra) && sameBits(a.ecc, b.ecc) && sameBits(a.ap, b.ap) && sameBits(a.m, b.m) &&
           sameBits(a.n, b.n) && a.revno == b.revno;
}

// Every set of the first `len` bytes of `text`, into `sets`.
void readAll(std::size_t len, std::vector<element>& sets) {
    std::FILE* in = fmemopen(text, len, "r");
    if (in == nullptr) std::abort();
    sets.clear();
    {
        morvel::elfile file(in);
        for (element el = file.next(); el.if_valid != 0; el = file.next()) {
            checkSet(el);
            sets.push_back(el);
            // Each set takes at least a few bytes of the file.
            if (sets.size() > len) std::abort();
        }
    }
    std::fclose(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* sig = signatures[data[0] % signatureCount];
    const std::size_t sigLen = std::strlen(sig);
    if (sigLen + size - 1 > sizeof text || size - 1 == 0) return 0;
    std::memcpy(text, sig, sigLen);
    std::memcpy(text + sigLen, data + 1, size - 1);
    const std::size_t len = sigLen + size - 1;
    static std::vector<element> first, second;
    readAll(len, first);
    readAll(len, second);
    if (first.size() != second.size()) std::abort();
    for (std::size_t k = 0; k < first.size(); ++k)
        if (!same(first[k], second[k])) std::abort();
    return 0;
}
