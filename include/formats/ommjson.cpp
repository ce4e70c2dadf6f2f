// OMM in JSON, through simdjson's on-demand parser: an array of objects, or
// one object, each a message whose keys are keywords. Written as an array,
// one object per line, the keys of CelesTrak's GP files, the heights after.
#include <simdjson.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "formats/omm.h"
#include "formats/readers.h"
#include "formats/text.h"

namespace morvel::readers {

namespace {

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

// JSON through simdjson's on-demand parser: the whole file in one padded
// buffer, its records taken from the array one at a time.
struct jsonFile final : elfile::reader {
    jsonFile(std::FILE* fp, messageSink& sink, std::string_view file);
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
    bool unclosed = false;  // only the array's close was cut off
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
// where that opens, the end of its last complete element, and whether only
// the array's close is missing (nothing but blanks and commas after it).
struct jsonOutline {
    bool cut = false;
    bool array = false;
    std::size_t open = 0;
    std::size_t lastEnd = 0;
    bool unclosed = false;
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
    o.unclosed = o.cut && o.array && depth == 1 && !inString && o.lastEnd > 0;
    for (std::size_t k = o.lastEnd; o.unclosed && k < n; ++k) o.unclosed = t[k] == ',' || text::isSpace(t[k]);
    return o;
}

jsonFile::jsonFile(std::FILE* fp, messageSink& sink, std::string_view file) : rec(sink, file) {
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
    while (last > start && text::isSpace(text[last - 1])) --last;
    cutLine = lineAt(text, 0, 1, last);
    unclosed = o.unclosed;
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
    omm::reportCut(rec.sink(), rec.file(), cutLine);
    cutLine = 0;
    done = true;
}

jsonFile::~jsonFile() {
    if (mapped != nullptr) munmap(mapped, capacity);
}

void jsonFile::load(std::FILE* fp) {
    std::size_t size = 0;
    if (std::fseek(fp, 0, SEEK_END) == 0) {
        const long bytes = std::ftell(fp);
        if (bytes > 0) size = static_cast<std::size_t>(bytes);
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
    const char* why = simdjson::error_message(e);
    reportf(rec.sink(), {messageKind::fault, rec.file(), line, 0, {}, "JSON", why, {}}, "JSON fault at line %ld: %s\n",
            line, why);
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
        if (unclosed) {
            omm::reportUnclosed(rec.sink(), rec.file(), cutLine);
        } else {
            omm::reportCut(rec.sink(), rec.file(), cutLine);
        }
        cutLine = 0;
    }
    return element{};
}

}  // namespace

std::unique_ptr<elfile::reader> json(std::FILE* fp, messageSink& sink, std::string_view file) {
    return std::make_unique<jsonFile>(fp, sink, file);
}

}  // namespace morvel::readers

namespace morvel::writers {

namespace {

void jsonHead(recordText& out) { out.put('['); }

void jsonKey(recordText& out, std::string_view prefix, std::string_view name) {
    out.put('"');
    out.put(prefix);
    out.put(name);
    out.put("\":");
}

void jsonRecord(recordText& out, const omm::texts& t, long index) {
    out.put(index == 0 ? "{" : ",\r\n{");
    for (int i = 0; i < omm::inGpOrder.count; ++i) {
        const omm::field& f = omm::fields[static_cast<int>(omm::inGpOrder.at[i])];
        if (i > 0) out.put(',');
        jsonKey(out, {}, f.keyword);
        const std::string_view v = t[f.k];
        if (f.kind == omm::fieldKind::real || f.kind == omm::fieldKind::whole) {
            out.put(v);
            continue;
        }
        // A string; the name may hold a quote or a backslash.
        out.put('"');
        for (char c : v) {
            if (c == '"' || c == '\\') out.put('\\');
            out.put(c);
        }
        out.put('"');
    }
    for (int i = 0; i < omm::userCount; ++i) {
        out.put(',');
        jsonKey(out, omm::userPrefix, omm::userFields[i].parameter);
        out.put(t.user(i));
    }
    out.put('}');
}

void jsonTail(recordText& out) { out.put("]\r\n"); }

}  // namespace

const ommWriter::encoding json{jsonHead, jsonRecord, jsonTail};

}  // namespace morvel::writers
