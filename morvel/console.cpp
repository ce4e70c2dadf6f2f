// Console replies, the final prompt, the messages of the run and the one
// place where the run ends.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver.h"
#include "numtext.h"

namespace morvel {

int if_batch = 0;

namespace {

// An output that could not be written: the status the run ends with.
int laterStatus = statusDone;

// A batch run's messages: standard error, one line each.
lineSink& batchSink() {
    static lineSink sink(stderr, "morvel");
    return sink;
}

// Discards the character after the last reply (its line end), then waits for
// a line end; returns at once at the end of the input.
void complete() {
    std::printf("Press <Enter> to complete: ");
    std::fflush(stdout);
    if (std::getchar() == EOF) return;
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && c != '\n');
}

}  // namespace

[[noreturn]] void finish(bool prompt, int status) {
    if (prompt && if_batch == 0) complete();
    // Data that never reached its file (a full disk, a closed pipe) is a
    // run that did not do its work.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "morvel: standard output could not be written\n");
        laterStatus = statusInput;
    }
    std::exit(std::max(status, laterStatus));
}

void outputFailed() { laterStatus = statusInput; }

namespace {

void noteOf(const char* format, std::va_list args) {
    if (if_batch == 0) {
        std::vprintf(format, args);
        return;
    }
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    batchSink().report({messageKind::note, {}, 0, 0, {}, {}, {}, text});
}

}  // namespace

void note(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    noteOf(format, args);
    va_end(args);
}

void usageError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    noteOf(format, args);
    va_end(args);
    finish(true, statusUsage);
}

messageSink& messages() { return if_batch == 0 ? console() : batchSink(); }

long batchRejected() { return batchSink().rejected(); }

bool readWord(std::string& word) {
    std::fflush(stdout);
    word.clear();
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && isBlank(c));
    if (c == EOF) return false;
    // A NUL byte ends the text, as in a C string; the rest of the word is
    // read and dropped.
    bool ended = false;
    while (c != EOF && !isBlank(c)) {
        if (c == '\0') ended = true;
        if (!ended) word.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    // The blank after the word is left for the next read (complete
    // discards the line end of the last reply).
    if (c != EOF) std::ungetc(c, stdin);
    return true;
}

void readNumber(double& value) {
    std::string word;
    if (readWord(word)) scanDecimal(word.c_str(), value);
}

std::string readName() {
    std::string word;
    readWord(word);
    checkName(word);
    return word;
}

void checkName(const std::string& name) {
    if (name.size() > maxName) usageError("Name too long (at most 79 characters): %s\n", name.c_str());
}

}  // namespace morvel
