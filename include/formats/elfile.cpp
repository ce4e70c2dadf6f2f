#include "formats/elfile.h"

#include <cstring>
#include <string_view>

#include "formats/omm.h"
#include "formats/readers.h"
#include "formats/text.h"

namespace morvel {

namespace {

using text::isSpace;

std::size_t skipSpace(const char* t, std::size_t n, std::size_t p) {
    while (p < n && isSpace(t[p])) ++p;
    return p;
}

bool startsWith(const char* t, std::size_t n, std::size_t p, std::string_view s) {
    return n - p >= s.size() && std::memcmp(t + p, s.data(), s.size()) == 0;
}

// A JSON object at `p` whose first key is a keyword.
bool jsonObjectAt(const char* t, std::size_t n, std::size_t p) {
    if (p >= n || t[p] != '{') return false;
    p = skipSpace(t, n, p + 1);
    if (p >= n || t[p] != '"') return false;
    const std::size_t start = p + 1;
    const void* q = std::memchr(t + start, '"', n - start);
    if (q == nullptr) return false;
    const std::size_t end = static_cast<const char*>(q) - t;
    return omm::isKeyword(std::string_view(t + start, end - start));
}

bool xmlRootAt(const char* t, std::size_t n, std::size_t p) {
    // Past the declaration, processing instructions and comments.
    for (;;) {
        p = skipSpace(t, n, p);
        std::string_view close;
        if (startsWith(t, n, p, "<?")) {
            close = "?>";
        } else if (startsWith(t, n, p, "<!--")) {
            close = "-->";
        } else {
            break;
        }
        const std::string_view rest(t + p, n - p);
        const std::size_t e = rest.find(close);
        if (e == std::string_view::npos) return false;
        p += e + close.size();
    }
    if (!startsWith(t, n, p, "<ndm") && !startsWith(t, n, p, "<omm")) return false;
    return p + 4 < n && (isSpace(t[p + 4]) || t[p + 4] == '>' || t[p + 4] == '/');
}

bool kvnHeaderAt(const char* t, std::size_t n, std::size_t p) {
    constexpr std::string_view vers = "CCSDS_OMM_VERS";
    if (!startsWith(t, n, p, vers)) return false;
    p += vers.size();
    while (p < n && (t[p] == ' ' || t[p] == '\t')) ++p;
    return p < n && t[p] == '=';
}

bool csvHeaderAt(const char* t, std::size_t n, std::size_t p) {
    const std::string_view line(t + p, n - p);
    return readers::csvHeader(line.substr(0, line.find('\n')));
}

}  // namespace

elformat recognise(const char* t, std::size_t n) {
    std::size_t p = startsWith(t, n, 0, "\xEF\xBB\xBF") ? 3 : 0;
    p = skipSpace(t, n, p);
    if (p >= n) return elformat::tle;
    if (t[p] == '[' && jsonObjectAt(t, n, skipSpace(t, n, p + 1))) return elformat::json;
    if (jsonObjectAt(t, n, p)) return elformat::json;
    if (t[p] == '<') return xmlRootAt(t, n, p) ? elformat::xml : elformat::tle;
    if (kvnHeaderAt(t, n, p)) return elformat::kvn;
    if (csvHeaderAt(t, n, p)) return elformat::csv;
    return elformat::tle;
}

elfile::elfile(std::FILE* fp, messageSink& sink, std::string_view file) {
    // Only a stream that can go back to its start is looked at first; the
    // TLE reader then starts from the first byte as it always has.
    elformat format = elformat::tle;
    if (std::fseek(fp, 0, SEEK_CUR) == 0) {
        char head[recogniseBytes];
        const std::size_t n = std::fread(head, 1, sizeof head, fp);
        if (std::fseek(fp, 0, SEEK_SET) == 0) format = recognise(head, n);
        std::clearerr(fp);
    }
    switch (format) {
        case elformat::csv:
            reader_ = readers::csv(fp, sink, file);
            break;
        case elformat::json:
            reader_ = readers::json(fp, sink, file);
            break;
        case elformat::xml:
            reader_ = readers::xml(fp, sink, file);
            break;
        case elformat::kvn:
            reader_ = readers::kvn(fp, sink, file);
            break;
        case elformat::tle:
            reader_ = readers::tle(fp, sink, file);
            break;
    }
}

elfile::~elfile() = default;

element elfile::next() { return reader_->next(); }

std::string_view formatName(elformat f) {
    switch (f) {
        case elformat::csv:
            return "csv";
        case elformat::json:
            return "json";
        case elformat::xml:
            return "xml";
        case elformat::kvn:
            return "kvn";
        case elformat::tle:
            break;
    }
    return "tle";
}

bool ommFormatNamed(std::string_view name, elformat& f) {
    for (const elformat e : {elformat::csv, elformat::json, elformat::xml, elformat::kvn}) {
        if (formatName(e) == name) {
            f = e;
            return true;
        }
    }
    return false;
}

namespace {

const ommWriter::encoding& encodingOf(elformat f) {
    switch (f) {
        case elformat::json:
            return writers::json;
        case elformat::xml:
            return writers::xml;
        case elformat::kvn:
            return writers::kvn;
        default:
            return writers::csv;
    }
}

}  // namespace

ommWriter::ommWriter(std::FILE* fp, elformat format) : fp_(fp), encoding_(&encodingOf(format)) {
    recordText out;
    encoding_->head(out);
    out.write(fp_);
}

omm::key ommWriter::write(const element& el) {
    const omm::key unwritable = texts_.fill(el);
    if (unwritable != omm::key::other) return unwritable;
    recordText out;
    encoding_->record(out, texts_, records_++);
    out.write(fp_);
    return omm::key::other;
}

void ommWriter::finish() {
    recordText out;
    encoding_->tail(out);
    out.write(fp_);
}

}  // namespace morvel
