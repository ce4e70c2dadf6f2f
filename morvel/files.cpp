// The files of a run: opening the input and the outputs, the banner and the
// lines the heads of the decay list and the report share.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cal.h"
#include "driver.h"
#include "eloutput.h"
#include "evolve.h"
#include "hkcd.h"
#include "muq.h"
#include "numtext.h"

namespace morvel {

void banner(std::FILE* fp) {
    std::fprintf(fp, "-----------------------------\n");
    std::fprintf(fp, "        Morvel v%s\n", morvelVersion);
    std::fprintf(fp, "  Orbital decay under air drag\n");
    std::fprintf(fp, "  for Earth satellites\n");
    std::fprintf(fp, "-----------------------------\n\n");
}

namespace {

// Whole-catalogue files go through 64 KiB buffers, a few dozen system calls
// for a catalogue. A run has at most one input and one output open at a
// time, each with its own buffer.
constexpr std::size_t streamBufferSize = 1 << 16;
char inputBuffer[streamBufferSize];
char outputBuffer[streamBufferSize];
char secondBuffer[streamBufferSize];

}  // namespace

std::FILE* openInput(const std::string& inelf) {
    std::FILE* fp = std::fopen(inelf.c_str(), "r");
    if (fp == nullptr) {
        note("Unable to open file %s\n", inelf.c_str());
        finish(true, statusInput);
    }
    std::setvbuf(fp, inputBuffer, _IOFBF, sizeof inputBuffer);
    return fp;
}

namespace {

std::vector<std::string> opened;  // the outputs this run opened

}  // namespace

void checkOutput(const std::string& name, const std::string& inelf, const std::string& other) {
    // Opening the input itself for writing would empty it before it is
    // read again (sets.dk listed into sets.dk); the same file on disk
    // counts, whatever the spelling of its name, links included.
    for (const std::string* input : {&inelf, &other}) {
        std::error_code ec;
        if (!input->empty() && std::filesystem::equivalent(name, *input, ec) && !ec) {
            note("Output file %s is the input file\n", name.c_str());
            finish(true, statusInput);
        }
    }
    // Nor does one output of the run replace another (the report typed as
    // the decay list's name, a second report under the first one's name).
    for (const std::string& earlier : opened) {
        if (sameFile(name, earlier)) {
            note("Output file %s is another output of this run\n", name.c_str());
            finish(true, statusInput);
        }
    }
    // An empty name (a closed console) names nothing: fopen says so.
    if (const char* why = name.empty() ? nullptr : refusedPlace(name)) {
        note("Output file %s %s: not written\n", name.c_str(), why);
        finish(true, statusInput);
    }
}

std::FILE* openOutput(const std::string& name, const std::string& inelf,
                      const std::string& other, bool second) {
    checkOutput(name, inelf, other);
    std::FILE* fp = std::fopen(name.c_str(), "w");
    if (fp == nullptr) {
        note("Unable to open output file\n");
        finish(true, statusInput);
    }
    opened.push_back(name);
    std::setvbuf(fp, second ? secondBuffer : outputBuffer, _IOFBF, streamBufferSize);
    return fp;
}

const char* refusedPlace(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path full = fs::weakly_canonical(fs::absolute(name, ec), ec);
    if (ec) return "names no place for a file";
    // A name derived from /dev/stdin lands among the devices; nothing of a
    // run belongs there, nor among the kernel's files, even for root. Only
    // /dev/shm, a memory file system for ordinary files, is a place for them.
    const fs::path dir = full.parent_path();
    auto part = dir.begin();
    if (part != dir.end() && ++part != dir.end() && (*part == "dev" || *part == "proc" || *part == "sys")) {
        const bool shm = *part == "dev" && ++part != dir.end() && *part == "shm";
        if (!shm) return "is among the system's device or process files";
    }
    const fs::file_status st = fs::status(full, ec);
    if (fs::exists(st)) return fs::is_regular_file(st) ? nullptr : "is not a regular file";
    if (!fs::is_directory(dir, ec) || ::access(dir.c_str(), W_OK) != 0) {
        return "is not in a directory that may be written";
    }
    return nullptr;
}

bool closeOutput(std::FILE* fp, const std::string& name) {
    const bool failed = std::ferror(fp) != 0;
    if (std::fclose(fp) == 0 && !failed) return true;
    note("Unable to write file %s\n", name.c_str());
    outputFailed();
    return false;
}

std::string stemOf(const std::string& input) {
    const std::size_t slash = input.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t first = input.find_first_not_of('.', base);
    const std::size_t dot = first == std::string::npos ? std::string::npos : input.find('.', first);
    return input.substr(0, dot);
}

void countsLine(const runParams& p, int read, const char* did, int done) {
    if (if_batch == 0) return;
    note("%s: %i sets read, %li rejected, %i %s\n", p.inelf.c_str(), read, batchRejected(), done, did);
}

bool sameFile(const std::string& a, const std::string& b) {
    // Made absolute first: a bare relative name that does not exist yet
    // would otherwise come back as it stands.
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return !ea && !eb && pa == pb;
}

void parameterLines(std::FILE* fp, const runParams& p, const char* regionIndent,
                    const epochFlux* chosen) {
    if (qfix != 1.0) std::fprintf(fp, "  Q-factor = %lf\n", qfix);
    fluxLines(fp, p, chosen);
    if (ifHk == 1) {
        std::fprintf(fp, "  Size = %lf m\n", p.size);
        if (deltaHk != 0.0) std::fprintf(fp, "  Transition region shift = %lf km\n", deltaHk);
        transitionRegion(fp, regionIndent);
    }
}

void transitionRegion(std::FILE* fp, const char* indent) {
    std::fprintf(fp, "%s", indent);
    std::fprintf(fp, "Transition region: base %6.2lf; mid %6.2lf; top %6.2lf km\n", hk01, hk1, hk5);
}

void civilDate(std::FILE* fp, double jd, const char* end) {
    // The civil day of the day number cut toward zero; a day number that is
    // negative or not a number gives the all-zero date, " (0 ??? 0)".
    const date d = cal_civil(truncInt(jd));
    std::fprintf(fp, " (%i %s %i)%s", d.year, month(d), d.day, end);
}

std::string outputName(const runParams& p, outputKind kind, const std::string& report) {
    const std::string encoding = p.omm == elformat::tle ? "" : "." + std::string(formatName(p.omm));
    switch (kind) {
        case outputKind::decayList:
            return p.stem + ".dk";
        case outputKind::crossing:
            return p.stem + ".eqx" + encoding;
        case outputKind::reportSets:
            break;
    }
    return report + encoding;
}

setOutput::setOutput(std::FILE* fp, const runParams& p) : fp_(fp) {
    if (p.omm != elformat::tle) omm_.emplace(fp, p.omm);
}

bool setOutput::write() {
    if (omm_) {
        const omm::key unwritable = omm_->write(el);
        if (unwritable != omm::key::other) {
            note("Object %li: no OMM value for %s, set not written\n", static_cast<long>(el.objno),
                 omm::keyName(unwritable));
            return false;
        }
        return true;
    }
    // Numbers past the Alpha-5 range (OMM input) have no TLE form: the set
    // is left out and the run goes on.
    if (!tleNumbered(el.objno)) {
        note("Object %li: catalogue number above %li, set not written\n", static_cast<long>(el.objno),
             tle::alpha5Highest);
        return false;
    }
    eloutput(fp_, el);
    return true;
}

void setOutput::finish() {
    if (omm_) omm_->finish();
}

}  // namespace morvel
