#include "formats/messages.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace morvel {

void consoleSink::report(const message& m) {
    std::fwrite(m.text.data(), 1, m.text.size(), stdout);
}

messageSink& console() {
    static consoleSink sink;
    return sink;
}

void collectingSink::report(const message& m) {
    kept_.push_back({m.kind, std::string(m.file), m.line, m.record, std::string(m.object),
                     std::string(m.keyword), std::string(m.problem), std::string(m.text)});
}

std::string collectingSink::consoleText() const {
    std::string all;
    for (const kept& k : kept_) all += k.text;
    return all;
}

namespace {

messageSink* tableSink = nullptr;

// The console text on one line: its line ends as "; ", none at either end.
std::string joined(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool ended = out.empty() || (out.size() >= 2 && out.compare(out.size() - 2, 2, "; ") == 0);
        if (c != '\n') {
            out += c;
        } else if (!ended) {
            out += "; ";
        }
    }
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "; ") == 0) out.resize(out.size() - 2);
    return out;
}

// `line` kept on one line: a control character that a file name or a
// value brought in (a line end of a JSON string) shows as a blank.
std::string flat(std::string line) {
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < ' ' && c != '\t') c = ' ';
    }
    return line;
}

}  // namespace

std::string oneLine(const message& m) {
    // A table file's messages and the range messages name what they are
    // about in their console text already.
    if (m.kind == messageKind::rowsSkipped || m.kind == messageKind::refused ||
        m.kind == messageKind::outOfRange || m.problem.empty()) {
        return flat(joined(m.text));
    }
    std::string out;
    if (!m.file.empty()) {
        out.append(m.file);
        if (m.line > 0) out += ":" + std::to_string(m.line);
        out += ": ";
    } else if (m.line > 0) {
        out += "line " + std::to_string(m.line) + ": ";
    }
    std::string what(m.keyword);
    if (!what.empty()) what += ' ';
    what.append(m.problem);
    switch (m.kind) {
        case messageKind::rejected:
            out += m.record > 0 ? "record " + std::to_string(m.record) : std::string("set");
            if (!m.object.empty()) out.append(" (").append(m.object).append(")");
            out += " rejected: " + what;
            break;
        case messageKind::cut:
            out += what + ": that record is lost";
            break;
        case messageKind::fault:
            out += what + ": the rest of the file is not read";
            break;
        case messageKind::skippedLine:
            out += "line skipped: " + what;
            break;
        default:
            out += what;
            break;
    }
    return flat(out);
}

void lineSink::report(const message& m) {
    if (m.kind == messageKind::rejected || m.kind == messageKind::cut) ++rejected_;
    std::fprintf(out_, "%s: %s\n", program_.c_str(), oneLine(m).c_str());
}

messageSink& tableMessages() { return tableSink != nullptr ? *tableSink : console(); }

void setTableMessages(messageSink* sink) { tableSink = sink; }

void reportf(messageSink& sink, message m, const char* format, ...) {
    char text[1024];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const std::size_t len = n < 0 ? 0 : static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1;
    m.text = std::string_view(text, len);
    sink.report(m);
}

}  // namespace morvel
