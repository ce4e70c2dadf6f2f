#include "formats/spaceweather.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "cal.h"
#include "numtext.h"

namespace morvel {

namespace {

// The columns read, by their names in the head line.
constexpr std::string_view dateColumn = "DATE";
constexpr std::string_view typeColumn = "F10.7_DATA_TYPE";
constexpr std::string_view meanColumn = "F10.7_OBS_LAST81";

// Longest field text converted; a longer one does not convert.
constexpr std::size_t fieldChars = 31;

// Bytes read from the file at a time, at least.
constexpr std::size_t readChunk = 1 << 16;

// Most observed days made room for before reading: 2800 years of days.
constexpr std::uintmax_t maxReserve = 1 << 20;

std::string_view trimmed(std::string_view s) {
    // Blanks, tabs and carriage returns sort below every printed character.
    if (!s.empty() && s.front() > ' ' && s.back() > ' ') return s;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Column numbers of the three columns read, and their order in the line.
struct columns {
    int at[3] = {-1, -1, -1};
    int order[3] = {0, 1, 2};  // indices into `at`, columns ascending
    int fields = 0;            // fields of the head line
};

// The three fields of `cols` from a row, trimmed, into `out`; false when the
// row has too few commas to reach one of them. Columns of the head's first
// half are counted from the row's start, the others from its end, each walk
// going on from the field before: the flux columns of a real file stand
// near the end of rows of some 120 characters. Counting the commas of the
// whole row as well would take a third of the reading time.
bool cutFields(std::string_view line, const columns& cols, std::string_view out[3]) {
    const char* const lineStart = line.data();
    const char* const lineEnd = lineStart + line.size();
    // The next comma from `p` on, or the line's end.
    auto nextComma = [&](const char* p) {
        const void* c = std::memchr(p, ',', static_cast<std::size_t>(lineEnd - p));
        return c != nullptr ? static_cast<const char*>(c) : lineEnd;
    };
    const char* const firstComma = nextComma(lineStart);
    const char* b = lineStart;
    int at = 0;  // the field that starts at b
    for (const int c : cols.order) {
        const int k = cols.at[c];
        if (k >= cols.fields / 2) break;
        for (; at < k; ++at) {
            b = nextComma(b);
            if (b == lineEnd) return false;
            ++b;
        }
        const char* e = b == lineStart ? firstComma : nextComma(b);
        out[c] = trimmed(std::string_view(b, static_cast<std::size_t>(e - b)));
    }
    // The start of the field that ends at `e`: after the comma before it, or
    // the line's start. While the first comma lies before `e` it stops the
    // walk, and no byte needs a second test.
    auto fieldStart = [&](const char* e) {
        if (firstComma < e) {
            while (e[-1] != ',') --e;
        } else {
            while (e != lineStart && e[-1] != ',') --e;
        }
        return e;
    };
    const char* e = lineEnd;
    at = cols.fields - 1;  // the field that ends at e
    for (int n = 2; n >= 0; --n) {
        const int c = cols.order[n];
        const int k = cols.at[c];
        if (k < cols.fields / 2) break;
        for (; at > k; --at) {
            e = fieldStart(e);
            if (e == lineStart) return false;
            --e;
        }
        const char* f = fieldStart(e);
        out[c] = trimmed(std::string_view(f, static_cast<std::size_t>(e - f)));
        // On from this field's start: the field before ends at its comma
        // (at the line's start there is none, and a further walk fails).
        e = f == lineStart ? f : f - 1;
        at = f == lineStart ? k : k - 1;
    }
    return true;
}

// The whole number of exactly `digits` digits at `p` (before `end`), `p`
// moved past them; -1 when they are not all there.
int digitsAt(const char*& p, const char* end, int digits) {
    if (end - p < digits) return -1;
    int v = 0;
    for (int n = 0; n < digits; ++n, ++p) {
        if (*p < '0' || *p > '9') return -1;
        v = v * 10 + (*p - '0');
    }
    return v;
}

// A flux: the whole field a number, positive and finite; else -1.
double fluxOf(std::string_view s) {
    if (s.empty() || s.size() > fieldChars) return -1.0;
    char text[fieldChars + 1];
    std::memcpy(text, s.data(), s.size());
    text[s.size()] = '\0';
    double v = -1.0;
    if (scanDecimal(text, v) != static_cast<int>(s.size())) return -1.0;
    return (v > 0 && std::isfinite(v)) ? v : -1.0;
}

// The tenths of a mean written as one to four digits, a point and one
// digit, when positive and below 6553.6; else 0. Such a text's double, as
// the reader's conversion (and strtod) gives it, is its tenths over 10: the
// correctly rounded value of the same decimal fraction.
int tenthsOf(std::string_view s) {
    const std::size_t n = s.size();
    if (n < 3 || n > 6 || s[n - 2] != '.') return 0;
    int t = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k == n - 2) continue;
        if (s[k] < '0' || s[k] > '9') return 0;
        t = t * 10 + (s[k] - '0');
    }
    return t <= 65535 ? t : 0;
}

// The reader's state from line to line: the head's columns, then the rows.
class lineReader {
public:
    explicit lineReader(spaceWeather& sw) : sw_(sw) {}

    // One line, its line end cut off.
    void line(std::string_view text);

    weatherStatus status() {
        if (lineNo_ == 0) line({});  // an empty file: a head without names
        if (!sw_.missing.empty()) return weatherStatus::missingColumns;
        return sw_.runs.empty() ? weatherStatus::noObservedRow : weatherStatus::ok;
    }

private:
    void head(std::string_view text);
    int dayOf(std::string_view s);
    void add(int day, int tenths, double mean81);

    spaceWeather& sw_;
    long lineNo_ = 0;
    columns cols_;
    // The month of the row before: its year and number, its first day's
    // number and its length in days. Rows run day by day, so the calendar
    // is asked once a month.
    int year_ = -1;
    int month_ = 0;
    int monthStart_ = 0;
    int monthDays_ = 0;
    int lastDay_ = 0;  // of the last observed day kept
};

void lineReader::head(std::string_view text) {
    // A byte-order mark before the head is no part of the first name.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::string_view names[3] = {dateColumn, typeColumn, meanColumn};
    std::size_t from = 0;
    for (int k = 0; from <= text.size(); ++k) {
        cols_.fields = k + 1;
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string_view name = trimmed(text.substr(from, comma - from));
        from = comma + 1;
        for (int c = 0; c < 3; ++c) {
            if (name == names[c] && cols_.at[c] < 0) cols_.at[c] = k;
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (cols_.at[c] >= 0) continue;
        if (!sw_.missing.empty()) sw_.missing += ", ";
        sw_.missing += names[c];
    }
    std::sort(cols_.order, cols_.order + 3, [&](int a, int b) { return cols_.at[a] < cols_.at[b]; });
}

void lineReader::line(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (++lineNo_ == 1) {
        head(text);
        return;
    }
    if (!sw_.missing.empty() || trimmed(text).empty()) return;
    std::string_view field[3];
    const bool cut = cutFields(text, cols_, field);
    const int day = cut ? dayOf(field[0]) : 0;
    const std::string_view type = field[1];
    if (day > 0 && (type == "PRD" || type == "PRM")) {
        ++sw_.predicted;
        return;
    }
    bool good = day > 0 && (type == "OBS" || type == "INT");
    // A mean written with one decimal, as a real file writes every one, is
    // kept as its tenths; any other is converted.
    const int t = good ? tenthsOf(field[2]) : 0;
    const double mean81 = good && t == 0 ? fluxOf(field[2]) : -1.0;
    good = good && (t > 0 || mean81 > 0) && (sw_.runs.empty() || day > lastDay_);
    if (!good) {
        if (sw_.skipped++ == 0) sw_.firstSkipped = lineNo_;
        return;
    }
    add(day, t, mean81);
}

void lineReader::add(int day, int tenths, double mean81) {
    const std::size_t k = sw_.tenths.size() + sw_.means.size();
    if (sw_.runs.empty() || day != lastDay_ + 1) sw_.runs.push_back(fluxRun{day, static_cast<int>(k)});
    lastDay_ = day;
    if (sw_.means.empty() && tenths > 0) {
        sw_.tenths.push_back(static_cast<std::uint16_t>(tenths));
        return;
    }
    // The first mean that is not whole tenths: every mean as a double.
    if (sw_.means.empty()) {
        sw_.means.reserve(sw_.tenths.capacity());
        for (const std::uint16_t t : sw_.tenths) sw_.means.push_back(t / 10.0);
        sw_.tenths = {};
    }
    sw_.means.push_back(tenths > 0 ? tenths / 10.0 : mean81);
}

// Day number of a date YYYY-MM-DD; 0 when it is not written so or is no
// civil date (February 30 included).
int lineReader::dayOf(std::string_view s) {
    const char* p = s.data();
    const char* const end = p + s.size();
    date ymd{};
    ymd.year = digitsAt(p, end, 4);
    if (ymd.year < 0 || p == end || *p++ != '-') return 0;
    ymd.month = digitsAt(p, end, 2);
    if (ymd.month < 0 || p == end || *p++ != '-') return 0;
    ymd.day = digitsAt(p, end, 2);
    if (p != end || ymd.month < 1 || ymd.month > 12 || ymd.day < 1) return 0;
    if (ymd.year != year_ || ymd.month != month_) {
        year_ = ymd.year;
        month_ = ymd.month;
        monthStart_ = cal_julian(date{year_, month_, 1});
        const date next = month_ == 12 ? date{year_ + 1, 1, 1} : date{year_, month_ + 1, 1};
        monthDays_ = cal_julian(next) - monthStart_;
    }
    if (ymd.day <= monthDays_ && monthDays_ >= 28) return monthStart_ + ymd.day - 1;
    // 1582 October, the calendar reform: the 4th was followed by the 15th.
    // The date must come back from its day number unchanged.
    const int jd = cal_julian(ymd);
    const date back = cal_civil(jd);
    return back.year == ymd.year && back.month == ymd.month && back.day == ymd.day ? jd : 0;
}

// The lines of [b, e) that end in a line end, fed to `r`; where the first
// line without one starts.
const char* feedLines(lineReader& r, const char* b, const char* e) {
    for (;;) {
        const void* nl = std::memchr(b, '\n', static_cast<std::size_t>(e - b));
        if (nl == nullptr) return b;
        const char* end = static_cast<const char*>(nl);
        r.line(std::string_view(b, static_cast<std::size_t>(end - b)));
        b = end + 1;
    }
}

}  // namespace

weatherStatus readSpaceWeather(const char* text, std::size_t size, spaceWeather& sw) {
    sw = spaceWeather{};
    sw.tenths.reserve(size / 110 + 1);  // a real row is some 120 bytes
    lineReader r(sw);
    const char* last = feedLines(r, text, text + size);
    if (last != text + size) r.line(std::string_view(last, static_cast<std::size_t>(text + size - last)));
    return r.status();
}

weatherStatus loadSpaceWeather(const char* name, spaceWeather& sw) {
    sw = spaceWeather{};
    std::FILE* fp = std::fopen(name, "rb");
    if (fp == nullptr) return weatherStatus::cannotOpen;
    // Read piece by piece through one buffer: the lines a piece completes
    // are read at once, the start of the next line kept for the next piece.
    // The buffer grows only for a line longer than itself.
    std::string buf(readChunk, '\0');
    std::size_t held = 0;
    // Room for the rows at once: a real row is some 120 bytes. Only a
    // regular file has a size; a directory opens too, and fails to read.
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(name, ec);
    if (!ec) sw.tenths.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(bytes / 110 + 1, maxReserve)));
    lineReader r(sw);
    for (;;) {
        if (held == buf.size()) buf.resize(2 * buf.size());
        const std::size_t n = std::fread(buf.data() + held, 1, buf.size() - held, fp);
        if (n == 0) break;
        const char* end = buf.data() + held + n;
        const char* rest = feedLines(r, buf.data(), end);
        held = static_cast<std::size_t>(end - rest);
        std::memmove(buf.data(), rest, held);
    }
    const bool failed = std::ferror(fp) != 0;
    std::fclose(fp);
    if (failed) {
        sw = spaceWeather{};
        return weatherStatus::cannotOpen;
    }
    if (held > 0) r.line(std::string_view(buf.data(), held));
    return r.status();
}

namespace {

double meanAt(const spaceWeather& sw, std::size_t k) {
    return sw.means.empty() ? sw.tenths[k] / 10.0 : sw.means[k];
}

// The stretch of observed days that holds day number k (k below the count).
std::vector<fluxRun>::const_iterator runOf(const spaceWeather& sw, std::size_t k) {
    return std::upper_bound(sw.runs.begin(), sw.runs.end(), k, [](std::size_t i, const fluxRun& r) {
               return i < static_cast<std::size_t>(r.first);
           }) - 1;
}

}  // namespace

std::size_t observedDays(const spaceWeather& sw) {
    return sw.tenths.size() + sw.means.size();
}

fluxDay observedDay(const spaceWeather& sw, std::size_t k) {
    const auto run = runOf(sw, k);
    return {run->firstDay + static_cast<int>(k - static_cast<std::size_t>(run->first)), meanAt(sw, k)};
}

epochFlux fluxAt(const spaceWeather& sw, double epoch, double fallback) {
    const epochFlux before{fallback, fluxSource::beforeFile, 0};
    // The civil day of the epoch; INT_MIN (before any day) when out of range.
    const int day = truncInt(std::floor(epoch));
    if (sw.runs.empty() || day < sw.runs.front().firstDay) return before;
    // The last stretch that starts at or before the day; a real file has one.
    auto run = sw.runs.end() - 1;
    if (day < run->firstDay) {
        run = std::upper_bound(sw.runs.begin(), sw.runs.end(), day,
                               [](int d, const fluxRun& r) { return d < r.firstDay; }) - 1;
    }
    const auto end = run + 1 == sw.runs.end() ? static_cast<long long>(observedDays(sw)) : run[1].first;
    const long long k = run->first + (static_cast<long long>(day) - run->firstDay);
    if (k < end) return {meanAt(sw, static_cast<std::size_t>(k)), fluxSource::observedDay, day};
    // After the stretch: its last day, what was known on the epoch's day.
    const int lastDay = run->firstDay + static_cast<int>(end - 1 - run->first);
    return {meanAt(sw, static_cast<std::size_t>(end - 1)), fluxSource::lastObserved, lastDay};
}

}  // namespace morvel
