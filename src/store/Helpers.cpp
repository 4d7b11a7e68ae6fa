#include "store/Helpers.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTime>

#include <cmath>

namespace {

// 1899-12-30, day zero of TDateTime.
const QDate kEpoch(1899, 12, 30);
constexpr double kSecondsPerDay = 86400.0;

char LocalSeparator() { return QDir::separator().toLatin1(); }

std::string IncludeTrailing(std::string_view path, char separator)
{
    std::string result(path);
    if (result.empty() || result.back() != separator)
        result += separator;
    return result;
}

std::string Replace(std::string_view text, char from, char to)
{
    std::string result(text);
    if (from != to)
        for (char& c : result)
            if (c == from)
                c = to;
    return result;
}

std::string TwoDecimals(double value, const char* unit, const QLocale& locale)
{
    // A fixed two-decimal number takes the locale's decimal separator but,
    // unlike the KB count, no thousands separators.
    QLocale plain(locale);
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return (plain.toString(value, 'f', 2) + u' ' + QLatin1String(unit)).toStdString();
}

} // namespace

std::string FormatSizeKB(std::int64_t bytes, const QLocale& locale)
{
    const std::int64_t kb = bytes <= 0 ? 0 : (bytes - 1) / 1024 + 1; // no overflow near INT64_MAX
    QLocale grouped(locale);
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return (grouped.toString(static_cast<qlonglong>(kb)) + QStringLiteral(" KB")).toStdString();
}

std::string FormatSize(std::int64_t bytes, const QLocale& locale)
{
    constexpr std::int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;
    if (bytes == 0)
        return "0 KB";
    if (bytes < KB)
        return "1 KB";
    const auto value = static_cast<double>(bytes);
    if (bytes < MB)
        return TwoDecimals(value / KB, "KB", locale);
    if (bytes < GB)
        return TwoDecimals(value / MB, "MB", locale);
    return TwoDecimals(value / GB, "GB", locale);
}

std::string IncludeTrailingSlash(std::string_view path) { return IncludeTrailing(path, '/'); }

std::string IncludeTrailingBackslash(std::string_view path) { return IncludeTrailing(path, LocalSeparator()); }

std::string RemoteFileName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string RemoteParentPath(std::string_view path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(path.substr(0, slash + 1));
}

std::string ToRemoteSeparators(std::string_view path) { return Replace(path, LocalSeparator(), '/'); }

std::string ToLocalSeparators(std::string_view path) { return Replace(path, '/', LocalSeparator()); }

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexDigitValue(text[i + 1]);
            const int lo = HexDigitValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

TDateTime DateTimeFromQt(const QDateTime& value)
{
    if (!value.isValid())
        return 0;
    const QDateTime local = value.toLocalTime();
    const double days = static_cast<double>(kEpoch.daysTo(local.date()));
    const double seconds = local.time().msecsSinceStartOfDay() / 1000.0;
    // Before the epoch the fraction counts forwards from the (negative)
    // day, as in the classic date-time format.
    return days >= 0 ? days + seconds / kSecondsPerDay : days - seconds / kSecondsPerDay;
}

QDateTime DateTimeToQt(TDateTime value)
{
    if (value == 0 || !std::isfinite(value) || std::fabs(value) > 3.0e6)
        return {};
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    const auto msecs = static_cast<int>(std::llround(fraction * kSecondsPerDay * 1000.0));
    const QDate date = kEpoch.addDays(static_cast<qint64>(whole));
    return QDateTime(date, QTime(0, 0)).addMSecs(msecs);
}

TDateTime FileModifiedTime(std::string_view path)
{
    const QFileInfo info(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
    if (path.empty() || !info.exists())
        return 0;
    const QDateTime modified = info.lastModified().toLocalTime();
    if (!modified.isValid())
        return 0;
    const QDate date = modified.date();
    if (date.year() < 1980 || date.year() > 2107)
        return 0;
    const QTime time = modified.time();
    const QTime even(time.hour(), time.minute(), time.second() & ~1);
    return DateTimeFromQt(QDateTime(date, even));
}
