#include "formats/messages.h"

#include <cstdarg>
#include <cstdio>

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
}  // namespace

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
