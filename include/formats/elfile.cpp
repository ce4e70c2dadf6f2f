#include "formats/elfile.h"

#include <expat.h>
#include <simdjson.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "formats/omm.h"

namespace morvel {

namespace {

using omm::isSpace;

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
    std::string_view line(t + p, n - p);
    line = line.substr(0, line.find('\n'));
    bool norad = false;
    bool epoch = false;
    bool meanMotion = false;
    while (!line.empty()) {
        const std::size_t comma = line.find(',');
        std::string_view cell = line.substr(0, comma);
        while (!cell.empty() && isSpace(cell.back())) cell.remove_suffix(1);
        while (!cell.empty() && isSpace(cell.front())) cell.remove_prefix(1);
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') {
            cell = cell.substr(1, cell.size() - 2);
        }
        if (!omm::isKeyword(cell)) return false;
        const omm::key k = omm::keyOf(cell);
        norad = norad || k == omm::key::noradCatId;
        epoch = epoch || k == omm::key::epoch;
        meanMotion = meanMotion || k == omm::key::meanMotion;
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
    return norad && epoch && meanMotion;
}

// The text of a JSON string from `p`, after its opening quote, up to the
// quote that closes it, escapes as written.
std::string_view rawString(const char* p) {
    const char* q = p;
    while (*q != '"') q += *q == '\\' ? 2 : 1;
    return {p, static_cast<std::size_t>(q - p)};
}

// Line number of position `p` of `t`, counting from the line of `from`
// (position `fromPos`): the readers move forward, so each count is short.
long lineAt(const char* t, std::size_t fromPos, long fromLine, std::size_t p) {
    long line = fromLine;
    for (std::size_t k = fromPos; k < p; ++k) line += t[k] == '\n';
    return line;
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

// ---- the readers -------------------------------------------------------------

struct elfile::reader {
    virtual ~reader() = default;
    virtual element next() = 0;
};

namespace {

struct csvFile final : elfile::reader {
    explicit csvFile(std::FILE* fp) : csv(fp) {}
    element next() override { return csv.next(); }
    omm::csvReader csv;
};

struct kvnFile final : elfile::reader {
    explicit kvnFile(std::FILE* fp) : kvn(fp) {}
    element next() override { return kvn.next(); }
    omm::kvnReader kvn;
};

// JSON through simdjson's on-demand parser: the whole file in one padded
// buffer, its records taken from the array one at a time.
struct jsonFile final : elfile::reader {
    explicit jsonFile(std::FILE* fp);
    ~jsonFile() override;
    element next() override;

    char* text = nullptr;      // the file's bytes, padded as the parser needs
    std::size_t capacity = 0;  // bytes readable from `text`
    std::size_t len = 0;
    simdjson::padded_string owned;
    void* mapped = nullptr;
    std::size_t start = 0;  // after a byte-order mark
    simdjson::ondemand::parser parser;
    simdjson::ondemand::document doc;
    simdjson::ondemand::array_iterator it;
    simdjson::ondemand::array_iterator end;
    bool array = false;
    bool single = false;  // a lone object not yet read
    bool done = false;
    long cutLine = 0;  // the file was cut: reported at its end
    long records = 0;
    std::size_t markPos = 0;
    long markLine = 1;
    omm::record rec;
    static constexpr int maxPlaces = 64;
    omm::key keyAt[maxPlaces];

    void load(std::FILE* fp);
    simdjson::error_code open(std::size_t n);
    long lineOf(const char* at);
    void fault(simdjson::error_code e, long line);
    bool readObject(simdjson::ondemand::object obj, long line);
};

// The outline of a JSON text: whether it ends inside a string or an open
// array or object (the file was cut), whether its outer value is an array,
// where that opens, and the end of its last complete element.
struct jsonOutline {
    bool cut = false;
    bool array = false;
    std::size_t open = 0;
    std::size_t lastEnd = 0;
};

jsonOutline outline(const char* t, std::size_t n) {
    jsonOutline o;
    int depth = 0;
    bool inString = false;
    bool escape = false;
    for (std::size_t k = 0; k < n; ++k) {
        const char c = t[k];
        if (inString) {
            if (escape) {
                escape = false;
            } else if (c == '\\') {
                escape = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (depth++ == 0) {
                o.open = k;
                o.array = c == '[';
            }
        } else if (c == ']' || c == '}') {
            if (--depth == 1) o.lastEnd = k + 1;
            if (depth <= 0) return o;
        }
    }
    o.cut = depth > 0 || inString;
    return o;
}

jsonFile::jsonFile(std::FILE* fp) {
    for (omm::key& k : keyAt) k = omm::key::other;
    // The whole file in one buffer with padding after it: mapped read-only
    // when the rest of its last page can serve as that padding (its pages
    // are then neither zeroed nor copied), else read.
    const int fd = fileno(fp);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const std::size_t size = static_cast<std::size_t>(st.st_size);
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t mapLen = (size + page - 1) / page * page;
        if (mapLen - size > simdjson::SIMDJSON_PADDING) {
            void* m = mmap(nullptr, mapLen, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (m != MAP_FAILED) {
                mapped = m;
                text = static_cast<char*>(m);
                len = size;
                capacity = mapLen;
            }
        }
    }
    if (mapped == nullptr) load(fp);
    if (len >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) start = 3;
    markPos = start;
    const simdjson::error_code e = open(len);
    if (!e) return;
    done = true;
    const jsonOutline o = outline(text + start, len - start);
    if (!o.cut) {
        fault(e, lineAt(text, 0, 1, start + o.open));
        return;
    }
    // A file cut off inside its outer array keeps the records before the
    // cut: the text up to the last complete one, the array closed after it
    // (in a copy of the file). The cut is reported where reading reaches it.
    std::size_t last = len;
    while (last > start && isSpace(text[last - 1])) --last;
    cutLine = lineAt(text, 0, 1, last);
    if (o.array) {
        if (mapped != nullptr) {
            munmap(mapped, capacity);
            mapped = nullptr;
            load(fp);
        }
        const std::size_t keep = start + (o.lastEnd > 0 ? o.lastEnd : o.open + 1);
        text[keep] = ']';
        if (!open(keep + 1)) {
            done = false;
            return;
        }
    }
    omm::reportCut(cutLine);
    cutLine = 0;
    done = true;
}

jsonFile::~jsonFile() {
    if (mapped != nullptr) munmap(mapped, capacity);
}

void jsonFile::load(std::FILE* fp) {
    std::size_t size = 0;
    if (std::fseek(fp, 0, SEEK_END) == 0) {
        const long end = std::ftell(fp);
        if (end > 0) size = static_cast<std::size_t>(end);
    }
    std::fseek(fp, 0, SEEK_SET);
    // One byte more, for the ']' that closes a cut array.
    owned = simdjson::padded_string(size + 1);
    text = owned.data();
    len = std::fread(text, 1, size, fp);
    capacity = size + 1 + simdjson::SIMDJSON_PADDING;
}

// The document of the first `n` bytes opened: its array or its object
// ready to be read, or the parser's fault.
simdjson::error_code jsonFile::open(std::size_t n) {
    simdjson::error_code e = parser.iterate(text + start, n - start, capacity - start).get(doc);
    simdjson::ondemand::json_type type{};
    if (!e) e = doc.type().get(type);
    if (e) return e;
    if (type == simdjson::ondemand::json_type::object) {
        single = true;
        return simdjson::SUCCESS;
    }
    if (type != simdjson::ondemand::json_type::array) return simdjson::INCORRECT_TYPE;
    simdjson::ondemand::array a;
    e = doc.get_array().get(a);
    if (!e) e = a.begin().get(it);
    if (!e) e = a.end().get(end);
    array = !e;
    return e;
}

long jsonFile::lineOf(const char* at) {
    const std::size_t p = static_cast<std::size_t>(at - text);
    if (p < markPos || p > len) return markLine;
    markLine = lineAt(text, markPos, markLine, p);
    markPos = p;
    return markLine;
}

void jsonFile::fault(simdjson::error_code e, long line) {
    std::printf("JSON fault at line %ld: %s\n", line, simdjson::error_message(e));
}

bool jsonFile::readObject(simdjson::ondemand::object obj, long line) {
    using simdjson::ondemand::json_type;
    rec.begin(++records, line);
    int place = 0;
    for (auto field : obj) {
        // The key as written: keywords need no escapes, and the parser
        // has checked that the string ends.
        simdjson::ondemand::raw_json_string raw;
        if (auto e = field.key().get(raw)) {
            fault(e, line);
            return false;
        }
        const std::string_view name = rawString(raw.raw());
        // Records of a file list their keys in one order: the key of this
        // place in the record before is tried first.
        omm::key k = place < maxPlaces ? keyAt[place] : omm::key::other;
        if (k == omm::key::other || name != omm::keyName(k)) k = omm::keyOf(name);
        if (place < maxPlaces) keyAt[place] = k;
        ++place;
        if (k == omm::key::other) continue;
        simdjson::ondemand::value v;
        json_type type;
        if (auto e = field.value().get(v); e || (e = v.type().get(type))) {
            fault(e, line);
            return false;
        }
        std::string_view s;
        switch (type) {
            case json_type::string:
                // Unescaped only when it has escapes: most values are
                // their text between the quotes.
                s = rawString(v.raw_json_token().data() + 1);
                if (s.find('\\') != std::string_view::npos) {
                    if (auto e = v.get_string().get(s)) {
                        fault(e, line);
                        return false;
                    }
                }
                break;
            case json_type::number:
            case json_type::boolean:
                // The number as written: the record reads it as a TLE
                // field's text reads.
                s = v.raw_json_token();
                break;
            case json_type::null:
                s = {};
                break;
            case json_type::array:
                s = "[...]";
                break;
            case json_type::object:
                s = "{...}";
                break;
        }
        rec.set(k, s);
    }
    return true;
}

element jsonFile::next() {
    while (!done) {
        simdjson::ondemand::object obj;
        const char* at = nullptr;
        if (doc.current_location().get(at)) at = text + markPos;
        const long line = lineOf(at);
        simdjson::error_code e = simdjson::SUCCESS;
        if (single) {
            single = false;
            done = true;
            e = doc.get_object().get(obj);
        } else if (it == end) {
            done = true;
            break;
        } else {
            e = (*it).get_object().get(obj);
        }
        if (e) {
            fault(e, line);
            done = true;
            break;
        }
        if (!readObject(obj, line)) {
            done = true;
            break;
        }
        if (array) ++it;
        const element el = rec.finish();
        if (el.if_valid == 1) return el;
    }
    if (cutLine != 0) {
        omm::reportCut(cutLine);
        cutLine = 0;
    }
    return element{};
}

// XML through expat: streamed in blocks, the parser suspended at the end of
// each <omm> that gives an accepted set and resumed on the next call.
struct xmlFile final : elfile::reader {
    explicit xmlFile(std::FILE* fp);
    ~xmlFile() override { XML_ParserFree(parser); }
    element next() override;

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attrs);
    static void XMLCALL onEnd(void* self, const XML_Char* name);
    static void XMLCALL onText(void* self, const XML_Char* s, int n);

    std::FILE* fp;
    XML_Parser parser;
    char block[1 << 16];
    bool last = false;  // the block fed is the file's last
    bool suspended = false;
    bool done = false;
    bool got = false;  // `result` holds an accepted set
    element result{};
    bool inOmm = false;
    omm::key leaf = omm::key::other;
    bool collecting = false;
    char value[256];
    int valueLen = 0;
    long records = 0;
    omm::record rec;
};

xmlFile::xmlFile(std::FILE* f) : fp(f), parser(XML_ParserCreate(nullptr)) {
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
}

void XMLCALL xmlFile::onStart(void* self, const XML_Char* name, const XML_Char**) {
    auto* x = static_cast<xmlFile*>(self);
    const std::string_view n(name);
    if (n == "omm") {
        x->inOmm = true;
        x->rec.begin(++x->records, static_cast<long>(XML_GetCurrentLineNumber(x->parser)));
        return;
    }
    // Values stand in the innermost elements; a parent ends any value.
    x->collecting = x->inOmm;
    x->leaf = omm::keyOf(n);
    x->valueLen = 0;
}

void XMLCALL xmlFile::onText(void* self, const XML_Char* s, int n) {
    auto* x = static_cast<xmlFile*>(self);
    if (!x->collecting || x->leaf == omm::key::other) return;
    const int room = static_cast<int>(sizeof x->value) - x->valueLen;
    const int take = n < room ? n : room;
    std::memcpy(x->value + x->valueLen, s, static_cast<std::size_t>(take));
    x->valueLen += take;
}

void XMLCALL xmlFile::onEnd(void* self, const XML_Char* name) {
    auto* x = static_cast<xmlFile*>(self);
    const std::string_view n(name);
    if (n == "omm") {
        x->inOmm = false;
        x->collecting = false;
        const element el = x->rec.finish();
        if (el.if_valid == 1) {
            x->result = el;
            x->got = true;
            XML_StopParser(x->parser, XML_TRUE);
        }
        return;
    }
    if (x->collecting && x->leaf != omm::key::other) {
        x->rec.keep(x->leaf, std::string_view(x->value, static_cast<std::size_t>(x->valueLen)));
    }
    x->collecting = false;
}

element xmlFile::next() {
    while (!got && !done) {
        XML_Status st;
        if (suspended) {
            st = XML_ResumeParser(parser);
        } else {
            const std::size_t n = std::fread(block, 1, sizeof block, fp);
            last = n < sizeof block;
            st = XML_Parse(parser, block, static_cast<int>(n), last);
        }
        suspended = st == XML_STATUS_SUSPENDED;
        if (st == XML_STATUS_ERROR) {
            const XML_Error e = XML_GetErrorCode(parser);
            const long line = static_cast<long>(XML_GetCurrentLineNumber(parser));
            // At the end of the file, an element left open is a cut.
            if (last && (e == XML_ERROR_NO_ELEMENTS || e == XML_ERROR_UNCLOSED_TOKEN ||
                         e == XML_ERROR_PARTIAL_CHAR || e == XML_ERROR_UNCLOSED_CDATA_SECTION)) {
                omm::reportCut(line);
            } else {
                std::printf("XML fault at line %ld: %s\n", line, XML_ErrorString(e));
            }
            done = true;
        } else if (!suspended && last) {
            done = true;
        }
    }
    if (got) {
        got = false;
        return result;
    }
    return element{};
}

struct tleFile final : elfile::reader {
    explicit tleFile(std::FILE* f) : fp(f) {}
    element next() override { return elinput(fp); }
    std::FILE* fp;
};

}  // namespace

elfile::elfile(std::FILE* fp) {
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
            reader_ = std::make_unique<csvFile>(fp);
            break;
        case elformat::json:
            reader_ = std::make_unique<jsonFile>(fp);
            break;
        case elformat::xml:
            reader_ = std::make_unique<xmlFile>(fp);
            break;
        case elformat::kvn:
            reader_ = std::make_unique<kvnFile>(fp);
            break;
        case elformat::tle:
            reader_ = std::make_unique<tleFile>(fp);
            break;
    }
}

elfile::~elfile() = default;

element elfile::next() { return reader_->next(); }

}  // namespace morvel
