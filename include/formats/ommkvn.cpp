// OMM in KVN: "KEYWORD = value [unit]" lines; each message starts with
// CCSDS_OMM_VERS; COMMENT and blank lines are passed over. Written one
// message per set, as CelesTrak writes its GP files in KVN, the heights as
// user-defined parameters after them.
#include "formats/omm.h"
#include "formats/readers.h"
#include "formats/text.h"

namespace morvel::readers {

namespace {

// Characters of a line read at most; the rest of a longer line is dropped.
constexpr std::size_t longestLine = 8190;

class kvnFile final : public elfile::reader {
public:
    kvnFile(std::FILE* fp, messageSink& sink, std::string_view file)
        : lines_(fp, longestLine), sink_(sink), file_(file), rec_(sink, file) {}
    element next() override;

private:
    text::lineSource lines_;
    messageSink& sink_;
    std::string_view file_;
    long records_ = 0;
    bool pending_ = false;  // a CCSDS_OMM_VERS line read and not yet begun
    long pendingLine_ = 0;
    omm::record rec_;
};

element kvnFile::next() {
    element el{};
    bool open = false;  // a message begun and not yet finished
    auto close = [&] {
        open = false;
        el = rec_.finish();
        return el.if_valid == 1;
    };
    for (;;) {
        if (pending_) {
            pending_ = false;
            rec_.begin(++records_, pendingLine_);
            open = true;
        }
        if (!lines_.next()) break;
        const std::string_view raw = lines_.text();
        const std::string_view line = text::trim(raw.substr(0, raw.find('\0')));
        if (line.empty()) continue;
        const std::size_t eq = line.find('=');
        const std::string_view name = text::trim(line.substr(0, eq));
        if (name == "COMMENT" || name.starts_with("COMMENT ") || name.starts_with("COMMENT\t")) {
            continue;
        }
        if (eq == std::string_view::npos) {
            // Block marks of other message kinds (META_START ...) say nothing here.
            if (omm::isKeyword(line)) continue;
            reportf(sink_, {messageKind::skippedLine, file_, lines_.number(), 0, {}, {}, "not KEYWORD = value", {}},
                    "Line %ld of the element file is not KEYWORD = value: skipped\n", lines_.number());
            continue;
        }
        if (name == "CCSDS_OMM_VERS") {
            // The start of the next message ends the one before.
            pending_ = true;
            pendingLine_ = lines_.number();
            if (open && close()) return el;
            continue;
        }
        if (!open) {
            // Keywords before the first message header belong to none.
            rec_.begin(++records_, lines_.number());
            open = true;
        }
        // The value, less a unit in brackets after a number; a name keeps
        // its brackets ("COSMOS 2433 [GLONASS-M]").
        const omm::key k = omm::keyOf(name);
        std::string_view v = line.substr(eq + 1);
        const std::size_t bracket = v.rfind('[');
        if (k != omm::key::objectName && bracket != std::string_view::npos && text::trim(v).ends_with("]")) {
            v = v.substr(0, bracket);
        }
        rec_.keep(k, v);
    }
    if (open && close()) return el;
    return element{};
}

}  // namespace

std::unique_ptr<elfile::reader> kvn(std::FILE* fp, messageSink& sink, std::string_view file) {
    return std::make_unique<kvnFile>(fp, sink, file);
}

}  // namespace morvel::readers

namespace morvel::writers {

namespace {

// Keywords are padded to the longest written, USER_DEFINED_PERIGEE, so that
// the values stand in one column.
constexpr std::size_t keyWidth = 20;

void line(recordText& out, std::string_view prefix, std::string_view name, std::string_view value) {
    out.put(prefix);
    out.put(name);
    for (std::size_t n = prefix.size() + name.size(); n < keyWidth; ++n) out.put(' ');
    out.put(" = ");
    out.put(value);
    out.put("\r\n");
}

void kvnHead(recordText&) {}

void kvnRecord(recordText& out, const omm::texts& t, long) {
    line(out, {}, "CCSDS_OMM_VERS", "2.0");
    line(out, {}, "CREATION_DATE", {});
    line(out, {}, "ORIGINATOR", {});
    int block = -1;
    for (int i = 0; i < omm::inMessageOrder.count; ++i) {
        const omm::field& f = omm::fields[static_cast<int>(omm::inMessageOrder.at[i])];
        // A blank line before each block.
        if (static_cast<int>(f.part) != block) out.put("\r\n");
        block = static_cast<int>(f.part);
        line(out, {}, f.keyword, t[f.k]);
    }
    out.put("\r\n");
    for (int i = 0; i < omm::userCount; ++i) line(out, omm::userPrefix, omm::userFields[i].parameter, t.user(i));
    out.put("\r\n");
}

void kvnTail(recordText&) {}

}  // namespace

const ommWriter::encoding kvn{kvnHead, kvnRecord, kvnTail};

}  // namespace morvel::writers
