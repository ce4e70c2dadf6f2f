#include "formats/spaceweather.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

#include "formats/text.h"
#include "numtext.h"

namespace morvel {

namespace {

// The columns read, by their names in the head line.
constexpr std::string_view dateColumn = "DATE";
constexpr std::string_view typeColumn = "F10.7_DATA_TYPE";
constexpr std::string_view meanColumn = "F10.7_OBS_LAST81";

// Longest field text converted; a longer one does not convert.
constexpr std::size_t fieldChars = 31;

// Most observed days made room for before reading: 2800 years of days.
constexpr std::uintmax_t maxReserve = 1 << 20;

// A real row is some 120 bytes: room for the rows of a file of a size.
constexpr std::size_t rowBytes = 110;

std::string_view trimmed(std::string_view s) {
    // Blanks, tabs and carriage returns sort below every printed character.
    if (!s.empty() && s.front() > ' ' && s.back() > ' ') return s;
    return text::trim(s);
}

// A flux: the whole field a number, positive and finite; else -1.
double fluxOf(std::string_view s) {
    if (s.empty() || s.size() > fieldChars) return -1.0;
    char buf[fieldChars + 1];
    std::memcpy(buf, s.data(), s.size());
    buf[s.size()] = '\0';
    double v = -1.0;
    if (scanDecimal(buf, v) != static_cast<int>(s.size())) return -1.0;
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

// A data type of three letters as one number, 0 for any other text: four
// comparisons of texts a row would cost more than the row's other work.
constexpr int typeCode(std::string_view s) {
    return s.size() == 3 ? (s[0] << 16) | (s[1] << 8) | s[2] : 0;
}

}  // namespace

// The rows of a file into its table: the head's columns, then the rows.
class weatherRows {
public:
    // Into `sw`, made empty, with room for `rows` observed days.
    weatherRows(spaceWeather& sw, std::size_t rows) : sw_(sw) {
        sw_ = spaceWeather{};
        sw_.tenths_.reserve(rows);
    }

    // Every line of `lines`; the status of the table they made.
    weatherStatus read(text::lineSource& lines);

private:
    void head(std::string_view text);
    void row(std::string_view text, long lineNo);
    int dayOf(std::string_view s);
    void add(int day, int tenths, double mean81);

    spaceWeather& sw_;
    // The three columns read (date, type, mean), their numbers in ascending
    // order, and the head's number of fields.
    int at_[3] = {-1, -1, -1};
    int order_[3] = {0, 1, 2};
    int sorted_[3] = {0, 0, 0};
    int fields_ = 0;
    // The month of the row before: its year and number, its first day's
    // number and its length in days. Rows run day by day, so the calendar
    // is asked once a month.
    int year_ = -1;
    int month_ = 0;
    int monthStart_ = 0;
    int monthDays_ = 0;
    int lastDay_ = 0;  // of the last observed day kept
};

weatherStatus weatherRows::read(text::lineSource& lines) {
    // An empty file is a head without names.
    head(lines.next() ? lines.text() : std::string_view());
    while (sw_.missing_.empty() && lines.next()) row(lines.text(), lines.number());
    if (!sw_.missing_.empty()) return weatherStatus::missingColumns;
    return sw_.runs_.empty() ? weatherStatus::noObservedRow : weatherStatus::ok;
}

void weatherRows::head(std::string_view line) {
    const std::string_view names[3] = {dateColumn, typeColumn, meanColumn};
    text::csvFields cells(line);
    std::string_view name;
    for (int k = 0; cells.next(name); ++k) {
        fields_ = k + 1;
        for (int c = 0; c < 3; ++c) {
            if (trimmed(name) == names[c] && at_[c] < 0) at_[c] = k;
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (at_[c] >= 0) continue;
        if (!sw_.missing_.empty()) sw_.missing_ += ", ";
        sw_.missing_ += names[c];
    }
    std::sort(order_, order_ + 3, [&](int a, int b) { return at_[a] < at_[b]; });
    for (int n = 0; n < 3; ++n) sorted_[n] = at_[order_[n]];
}

void weatherRows::row(std::string_view line, long lineNo) {
    if (trimmed(line).empty()) return;
    std::string_view cut[3];
    std::string_view field[3];
    const bool whole = text::csvColumns(line, fields_, sorted_, 3, cut);
    for (int n = 0; n < 3; ++n) field[order_[n]] = trimmed(cut[n]);
    const int day = whole ? dayOf(field[0]) : 0;
    const int type = typeCode(field[1]);
    if (day > 0 && (type == typeCode("PRD") || type == typeCode("PRM"))) {
        ++sw_.predicted_;
        const int pt = tenthsOf(field[2]);
        const double mean = pt > 0 ? pt / 10.0 : fluxOf(field[2]);
        if (mean > 0 && (sw_.predictions_.empty() || day > sw_.predictions_.back().day))
            sw_.predictions_.push_back({day, mean});
        return;
    }
    bool good = day > 0 && (type == typeCode("OBS") || type == typeCode("INT"));
    // A mean written with one decimal, as a real file writes every one, is
    // kept as its tenths; any other is converted.
    const int t = good ? tenthsOf(field[2]) : 0;
    const double mean81 = good && t == 0 ? fluxOf(field[2]) : -1.0;
    good = good && (t > 0 || mean81 > 0) && (sw_.runs_.empty() || day > lastDay_);
    if (!good) {
        if (sw_.skipped_++ == 0) sw_.firstSkipped_ = lineNo;
        return;
    }
    add(day, t, mean81);
}

void weatherRows::add(int day, int tenths, double mean81) {
    const std::size_t k = sw_.tenths_.size() + sw_.means_.size();
    if (sw_.runs_.empty() || day != lastDay_ + 1) sw_.runs_.push_back({day, static_cast<int>(k)});
    lastDay_ = day;
    if (sw_.means_.empty() && tenths > 0) {
        sw_.tenths_.push_back(static_cast<std::uint16_t>(tenths));
        return;
    }
    // The first mean that is not whole tenths: every mean as a double.
    if (sw_.means_.empty()) {
        sw_.means_.reserve(sw_.tenths_.capacity());
        for (const std::uint16_t v : sw_.tenths_) sw_.means_.push_back(v / 10.0);
        sw_.tenths_ = {};
    }
    sw_.means_.push_back(tenths > 0 ? tenths / 10.0 : mean81);
}

// Day number of a date YYYY-MM-DD; 0 when it is not written so or is no
// civil date (February 30 included).
int weatherRows::dayOf(std::string_view s) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (s.size() != 10 || !text::isoDateParts(s, year, month, day)) return 0;
    if (year != year_ || month != month_) {
        year_ = year;
        month_ = month;
        monthStart_ = text::civilDayNumber(year, month, 1);
        monthDays_ = monthStart_ != 0 ? text::daysInMonth(year, month) : 0;
    }
    return day >= 1 && day <= monthDays_ ? monthStart_ + day - 1 : 0;
}

weatherStatus readSpaceWeather(const char* text, std::size_t size, spaceWeather& sw) {
    text::lineSource lines(std::string_view(text, size));
    return weatherRows(sw, size / rowBytes + 1).read(lines);
}

weatherStatus loadSpaceWeather(const char* name, spaceWeather& sw, messageSink& sink) {
    sw = spaceWeather{};
    const message refused{messageKind::refused, name, 0, 0, {}, {}, {}, {}};
    std::FILE* fp = std::fopen(name, "rb");
    if (fp == nullptr) {
        reportf(sink, refused, "Unable to open file %s\n", name);
        return weatherStatus::cannotOpen;
    }
    // Room for the rows at once. Only a regular file has a size; a
    // directory opens too, and fails to read.
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(name, ec);
    const std::size_t rows = ec ? 0 : static_cast<std::size_t>(std::min<std::uintmax_t>(bytes / rowBytes + 1, maxReserve));
    text::lineSource lines(fp);
    const weatherStatus status = weatherRows(sw, rows).read(lines);
    std::fclose(fp);
    if (lines.failed()) {
        sw = spaceWeather{};
        reportf(sink, refused, "Unable to open file %s\n", name);
        return weatherStatus::cannotOpen;
    }
    if (status == weatherStatus::missingColumns) {
        message m = refused;
        m.problem = sw.missing();
        reportf(sink, m, "Space weather file %s has no column %s\n", name, sw.missing().c_str());
        return status;
    }
    if (sw.skipped() > 0) {
        reportf(sink, {messageKind::rowsSkipped, name, sw.firstSkipped(), 0, {}, {}, "rows skipped", {}},
                "Space weather file %s: %i rows skipped (date, data type or 81-day flux "
                "unreadable, or day out of order), the first on line %li\n",
                name, sw.skipped(), sw.firstSkipped());
    }
    if (status == weatherStatus::noObservedRow) {
        reportf(sink, refused, "Space weather file %s has no observed row (OBS or INT with its "
                               "F10.7_OBS_LAST81)\n", name);
    }
    return status;
}

double spaceWeather::meanAt(std::size_t k) const {
    return means_.empty() ? tenths_[k] / 10.0 : means_[k];
}

std::size_t observedDays(const spaceWeather& sw) { return sw.tenths_.size() + sw.means_.size(); }

fluxDay observedDay(const spaceWeather& sw, std::size_t k) {
    // The stretch of observed days that holds day k.
    const auto run = std::upper_bound(sw.runs_.begin(), sw.runs_.end(), k,
                                      [](std::size_t i, const spaceWeather::run& r) {
                                          return i < static_cast<std::size_t>(r.first);
                                      }) - 1;
    return {run->firstDay + static_cast<int>(k - static_cast<std::size_t>(run->first)), sw.meanAt(k)};
}

int firstObservedDay(const spaceWeather& sw) { return sw.runs_.empty() ? 0 : sw.runs_.front().firstDay; }

int lastObservedDay(const spaceWeather& sw) {
    const std::size_t n = observedDays(sw);
    return n == 0 ? 0 : observedDay(sw, n - 1).day;
}

epochFlux fluxAt(const spaceWeather& sw, double epoch, double fallback) {
    const epochFlux before{fallback, fluxSource::beforeFile, 0};
    // The civil day of the epoch; INT_MIN (before any day) when out of range.
    const int day = truncInt(std::floor(epoch));
    if (sw.runs_.empty() || day < sw.runs_.front().firstDay) return before;
    // The last stretch that starts at or before the day; a real file has one.
    auto run = sw.runs_.end() - 1;
    if (day < run->firstDay) {
        run = std::upper_bound(sw.runs_.begin(), sw.runs_.end(), day,
                               [](int d, const spaceWeather::run& r) { return d < r.firstDay; }) - 1;
    }
    const auto end = run + 1 == sw.runs_.end() ? static_cast<long long>(observedDays(sw)) : run[1].first;
    const long long k = run->first + (static_cast<long long>(day) - run->firstDay);
    if (k < end) return {sw.meanAt(static_cast<std::size_t>(k)), fluxSource::observedDay, day};
    // After the stretch: its last day, what was known on the epoch's day.
    const int lastDay = run->firstDay + static_cast<int>(end - 1 - run->first);
    return {sw.meanAt(static_cast<std::size_t>(end - 1)), fluxSource::lastObserved, lastDay};
}

prediction predictedOn(const spaceWeather& sw, double day) {
    constexpr double never = std::numeric_limits<double>::infinity();
    const int d = truncInt(std::floor(day));
    // The predictions after the observed days: a real file's all of them.
    const int last = lastObservedDay(sw);
    const auto& p = sw.predictions_;
    const auto first = std::upper_bound(p.begin(), p.end(), last,
                                        [](int x, const fluxDay& r) { return x < r.day; });
    const auto after = std::upper_bound(first, p.end(), d, [](int x, const fluxDay& r) { return x < r.day; });
    const double next = after == p.end() ? never : after->day;
    if (after == first) return {-1.0, next};
    return {(after - 1)->mean81, next};
}

}  // namespace morvel
