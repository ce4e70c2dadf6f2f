// Messages of the readers and tables: what was wrong and where, as facts
// and as the console line that says it, handed to a sink. The console sink
// prints the line; another sink may collect the messages or word them for
// another reader.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {

// What a message is about.
enum class messageKind {
    rejected,     // a record or set passed over; the rest of the file is read
    cut,          // the file ends inside a record, which is lost
    fault,        // the encoding's parser stopped: the rest of the file is lost
    skippedLine,  // a line that belongs to no record, passed over
    rowsSkipped,  // rows of a table that do not read, counted
    refused,      // a table file that cannot be used at all
    outOfRange,   // a physics table asked for a value outside its range
    note,         // nothing lost: a count, or a file's form read as it stands
};

// One message. Views into the reporter's storage: valid during the call of
// messageSink::report only. Fields that do not apply are 0 or empty.
struct message {
    messageKind kind;
    std::string_view file;     // the file's name
    long line;                 // where the record starts, or the line
    long record;               // the record's number in the file, from 1
    std::string_view object;   // catalogue number and name, as far as given
    std::string_view keyword;  // the keyword or part that is wrong
    std::string_view problem;  // what is wrong with it
    std::string_view text;     // the console text, line ends included
};

class messageSink {
public:
    virtual ~messageSink() = default;
    virtual void report(const message& m) = 0;
};

// Standard output: each message's console text, as it stands.
class consoleSink final : public messageSink {
public:
    void report(const message& m) override;
};

// The process's console sink.
messageSink& console();

// Keeps every message, its views copied.
class collectingSink final : public messageSink {
public:
    struct kept {
        messageKind kind;
        std::string file;
        long line;
        long record;
        std::string object;
        std::string keyword;
        std::string problem;
        std::string text;
    };
    void report(const message& m) override;
    const std::vector<kept>& messages() const { return kept_; }
    // Every console text in order, as the console would have shown them.
    std::string consoleText() const;

private:
    std::vector<kept> kept_;
};

// One line a message, for scripts and logs: "PROGRAM: FILE:LINE: ..." naming
// the file, the line, the record or object and what is wrong, whatever the
// console text's form. The messages about a table file (rows skipped, a file
// refused) and the physics tables' range messages, whose console text is one
// line naming what it is about, keep that text.
class lineSink final : public messageSink {
public:
    lineSink(std::FILE* out, std::string_view program) : out_(out), program_(program) {}
    void report(const message& m) override;
    // Sets and records passed over (rejected, or lost where a file is cut)
    // since the sink was made.
    long rejected() const { return rejected_; }

private:
    std::FILE* out_;
    std::string program_;
    long rejected_ = 0;
};

// The one line of `m` (without the program's name and the line end).
std::string oneLine(const message& m);

// The sink of the physics tables' range messages: the console unless set.
// `setTableMessages(nullptr)` restores the console.
messageSink& tableMessages();
void setTableMessages(messageSink* sink);

// A message whose console text is formatted by printf rules: `format` and
// the arguments after it (the facts are given in `m`, its text is filled
// in). Texts longer than 1023 characters are cut.
[[gnu::format(printf, 3, 4)]] void reportf(messageSink& sink, message m, const char* format, ...);

}  // namespace morvel
