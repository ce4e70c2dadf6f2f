// OMM in CSV: a header line of keywords in any order, then one record per
// line; a header line further on (files put one after another) names the
// columns of the lines after it. Written as CelesTrak writes its GP files,
// the heights after.
#include "formats/omm.h"
#include "formats/readers.h"
#include "formats/text.h"

namespace morvel::readers {

namespace {

// Characters of a line read at most; a longer line is a record of its own
// that is rejected.
constexpr std::size_t longestLine = 8190;

class csvFile final : public elfile::reader {
public:
    csvFile(std::FILE* fp, messageSink& sink, std::string_view file);
    element next() override;

private:
    static constexpr int maxColumns = 128;
    text::lineSource lines_;
    omm::key column_[maxColumns];
    int columns_ = 0;
    long records_ = 0;
    bool done_ = false;
    omm::record rec_;

    // The columns named by header line `line`.
    void columns(std::string_view line);
};

// A line's text as far as a NUL byte.
std::string_view upToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// A line without the UTF-8 byte-order mark a file put after another may
// start with.
std::string_view withoutMark(std::string_view s) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    return s.starts_with(mark) ? s.substr(mark.size()) : s;
}

void csvFile::columns(std::string_view line) {
    columns_ = 0;
    text::csvFields names(line);
    std::string_view name;
    while (columns_ < maxColumns && names.next(name)) column_[columns_++] = omm::keyOf(text::trim(name));
}

csvFile::csvFile(std::FILE* fp, messageSink& sink, std::string_view file)
    : lines_(fp, longestLine), rec_(sink, file) {
    // The header: the first line that is not blank.
    while (lines_.next()) {
        const std::string_view line = upToNul(lines_.text());
        if (text::blank(line)) continue;
        columns(line);
        return;
    }
    done_ = true;
}

element csvFile::next() {
    while (!done_ && lines_.next()) {
        const std::string_view line = upToNul(lines_.text());
        if (text::blank(line)) continue;
        if (csvHeader(line)) {
            columns(withoutMark(line));
            continue;
        }
        rec_.begin(++records_, lines_.number());
        if (lines_.tooLong()) {
            rec_.reject("line", "too long");
            continue;
        }
        text::csvFields values(line);
        std::string_view v;
        int n = 0;
        while (values.next(v)) {
            // An unquoted field is a view of the line; a quoted one is
            // copied, its buffer serves the next one.
            if (n < columns_ && values.quoted()) rec_.keep(column_[n], v);
            if (n < columns_ && !values.quoted()) rec_.set(column_[n], v);
            ++n;
        }
        if (n < columns_ && !lines_.ended()) {
            // A last row without its line end and short of columns: the
            // file was cut inside it.
            omm::reportCut(rec_.sink(), rec_.file(), lines_.number());
            done_ = true;
            break;
        }
        if (n != columns_) {
            char problem[64];
            std::snprintf(problem, sizeof problem, "has %d columns, the header %d", n, columns_);
            rec_.reject("row", problem);
            continue;
        }
        const element el = rec_.finish();
        if (el.if_valid == 1) return el;
    }
    done_ = true;
    return element{};
}

}  // namespace

bool csvHeader(std::string_view line) {
    text::csvFields cells(withoutMark(line));
    bool norad = false;
    bool epoch = false;
    bool meanMotion = false;
    std::string_view cell;
    while (cells.next(cell)) {
        cell = text::trim(cell);
        if (!omm::isKeyword(cell)) return false;
        const omm::key k = omm::keyOf(cell);
        norad = norad || k == omm::key::noradCatId;
        epoch = epoch || k == omm::key::epoch;
        meanMotion = meanMotion || k == omm::key::meanMotion;
    }
    return norad && epoch && meanMotion;
}

std::unique_ptr<elfile::reader> csv(std::FILE* fp, messageSink& sink, std::string_view file) {
    return std::make_unique<csvFile>(fp, sink, file);
}

}  // namespace morvel::readers

namespace morvel::writers {

namespace {

void csvHead(recordText& out) {
    for (int i = 0; i < omm::inGpOrder.count; ++i) {
        if (i > 0) out.put(',');
        out.put(omm::keyName(omm::inGpOrder.at[i]));
    }
    for (const omm::userField& u : omm::userFields) {
        out.put(',');
        out.put(omm::userPrefix);
        out.put(u.parameter);
    }
    out.put("\r\n");
}

void csvRecord(recordText& out, const omm::texts& t, long) {
    for (int i = 0; i < omm::inGpOrder.count; ++i) {
        if (i > 0) out.put(',');
        // Most values need no quotes: written as they are, without the copy
        // csvQuoted makes (looked at a character at a time: find_first_of
        // calls memchr for each).
        const std::string_view v = t[omm::inGpOrder.at[i]];
        bool plain = true;
        for (const char c : v) plain = plain && c != ',' && c != '"';
        out.put(plain ? v : std::string_view(text::csvQuoted(v)));
    }
    for (int i = 0; i < omm::userCount; ++i) {
        out.put(',');
        out.put(t.user(i));
    }
    out.put("\r\n");
}

void csvTail(recordText&) {}

}  // namespace

const ommWriter::encoding csv{csvHead, csvRecord, csvTail};

}  // namespace morvel::writers
