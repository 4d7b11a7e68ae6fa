#include "i18n/Format.h"

#include "i18n/TextEncoding.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr int kMaxWidth = 1024;

struct TSpec {
    std::optional<std::size_t> Index;
    bool LeftAlign = false;
    bool ZeroPad = false;
    int Width = -1;
    int Precision = -1;
    char Type = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a decimal number at `pos`; nullopt (and pos unchanged) when none.
std::optional<int> ReadNumber(std::string_view f, std::size_t& pos) {
    std::size_t end = pos;
    while (end < f.size() && IsDigit(f[end])) ++end;
    if (end == pos) return std::nullopt;
    int value = 0;
    const auto result = std::from_chars(f.data() + pos, f.data() + end, value);
    pos = end;
    if (result.ec != std::errc() || value > kMaxWidth) return kMaxWidth;
    return value;
}

// Parses the placeholder after its '%'. On success `pos` is just past it.
std::optional<TSpec> ParseSpec(std::string_view f, std::size_t& pos) {
    TSpec spec;
    std::size_t p = pos;
    const std::size_t numberStart = p;
    if (auto n = ReadNumber(f, p)) {
        if (p < f.size() && f[p] == ':') {
            spec.Index = static_cast<std::size_t>(*n);
            ++p;
        } else {
            p = numberStart;
        }
    }
    if (p < f.size() && f[p] == '-') { spec.LeftAlign = true; ++p; }
    if (p < f.size() && f[p] == '0') { spec.ZeroPad = true; ++p; }
    if (auto n = ReadNumber(f, p)) spec.Width = *n;
    if (p < f.size() && f[p] == '.') {
        ++p;
        spec.Precision = ReadNumber(f, p).value_or(0);
    }
    if (p >= f.size()) return std::nullopt;
    const char t = f[p];
    const char lower = (t >= 'A' && t <= 'Z') ? static_cast<char>(t - 'A' + 'a') : t;
    if (std::string_view("sduxfneg" "c").find(lower) == std::string_view::npos) return std::nullopt;
    spec.Type = (lower == 'x') ? t : lower;
    pos = p + 1;
    return spec;
}

std::string Decimal(std::uint64_t magnitude, int minDigits) {
    std::string digits = std::to_string(magnitude);
    if (minDigits > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    return digits;
}

std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
}

std::string FixedPoint(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n < 0 || n >= static_cast<int>(sizeof buffer)) {
        std::snprintf(buffer, sizeof buffer, "%.*e", decimals > 300 ? 300 : decimals, value);
    }
    return buffer;
}

std::string WithThousands(const std::string& fixed) {
    std::size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
    std::size_t end = fixed.find('.');
    if (end == std::string::npos) end = fixed.size();
    for (std::size_t i = start; i < end; ++i)
        if (!IsDigit(fixed[i])) return fixed;  // INF, exponent fallback
    std::string out = fixed.substr(0, start);
    for (std::size_t i = start; i < end; ++i) {
        if (i > start && (end - i) % 3 == 0) out.push_back(',');
        out.push_back(fixed[i]);
    }
    out += fixed.substr(end);
    return out;
}

double AsFloat(const TFormatArg& a) {
    switch (a.Kind()) {
    case TFormatArg::TKind::fkSigned: return static_cast<double>(a.Signed());
    case TFormatArg::TKind::fkUnsigned: return static_cast<double>(a.Unsigned());
    case TFormatArg::TKind::fkFloat: return a.Float();
    case TFormatArg::TKind::fkText: break;
    }
    return 0;
}

std::int64_t AsSigned(const TFormatArg& a) {
    if (a.Kind() == TFormatArg::TKind::fkUnsigned) return static_cast<std::int64_t>(a.Unsigned());
    if (a.Kind() == TFormatArg::TKind::fkFloat) {
        const double v = std::trunc(a.Float());
        if (!(v > -9.2e18 && v < 9.2e18)) return 0;
        return static_cast<std::int64_t>(v);
    }
    return a.Signed();
}

std::string Hex(std::uint64_t value, bool upper, int minDigits) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string digits(buffer, result.ptr);
    if (upper)
        for (char& c : digits)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (minDigits > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    return digits;
}

std::string Convert(const TSpec& spec, const TFormatArg& a) {
    const bool isText = a.Kind() == TFormatArg::TKind::fkText;
    switch (spec.Type) {
    case 's':
        if (isText) {
            std::string_view t = a.Text();
            if (spec.Precision >= 0 && static_cast<std::size_t>(spec.Precision) < t.size())
                t = t.substr(0, static_cast<std::size_t>(spec.Precision));
            return std::string(t);
        }
        if (a.Kind() == TFormatArg::TKind::fkFloat) return FixedPoint(a.Float(), 2);
        if (a.Kind() == TFormatArg::TKind::fkUnsigned) return std::to_string(a.Unsigned());
        return std::to_string(a.Signed());
    case 'c': {
        if (isText) return std::string(a.Text().substr(0, a.Text().empty() ? 0 : 1));
        std::string out;
        AppendUtf8(out, static_cast<char32_t>(AsSigned(a) & 0x1FFFFF));
        return out;
    }
    default: break;
    }
    if (isText) return std::string(a.Text());  // a text where a number belongs: shown as is
    switch (spec.Type) {
    case 'd': {
        const std::int64_t v = AsSigned(a);
        return (v < 0 ? "-" : "") + Decimal(Magnitude(v), spec.Precision);
    }
    case 'u': return Decimal(static_cast<std::uint64_t>(AsSigned(a)), spec.Precision);
    case 'x':
    case 'X': return Hex(static_cast<std::uint64_t>(AsSigned(a)), spec.Type == 'X', spec.Precision);
    case 'f': return FixedPoint(AsFloat(a), spec.Precision < 0 ? 2 : spec.Precision);
    case 'n': return WithThousands(FixedPoint(AsFloat(a), spec.Precision < 0 ? 2 : spec.Precision));
    default: break;
    }
    char buffer[400];
    const int precision = spec.Precision < 0 ? 6 : (spec.Precision > 300 ? 300 : spec.Precision);
    std::snprintf(buffer, sizeof buffer, spec.Type == 'e' ? "%.*e" : "%.*g", precision, AsFloat(a));
    return buffer;
}

void Pad(std::string& out, std::string value, const TSpec& spec) {
    if (spec.Width > 0 && value.size() < static_cast<std::size_t>(spec.Width)) {
        const std::size_t fill = static_cast<std::size_t>(spec.Width) - value.size();
        if (spec.LeftAlign) {
            value.append(fill, ' ');
        } else if (spec.ZeroPad && spec.Type != 's' && spec.Type != 'c') {
            const std::size_t sign = (!value.empty() && value[0] == '-') ? 1 : 0;
            value.insert(sign, fill, '0');
        } else {
            value.insert(0, fill, ' ');
        }
    }
    out += value;
}

} // namespace

std::string FormatArgs(std::string_view format, std::span<const TFormatArg> args) {
    std::string out;
    out.reserve(format.size() + 16 * args.size());
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, percent - i));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            out.push_back('%');
            i = percent + 2;
            continue;
        }
        std::size_t pos = percent + 1;
        const auto spec = ParseSpec(format, pos);
        if (!spec) {
            out.push_back('%');
            i = percent + 1;
            continue;
        }
        const std::size_t index = spec->Index.value_or(next);
        if (index >= args.size()) {
            out.append(format.substr(percent, pos - percent));
        } else {
            Pad(out, Convert(*spec, args[index]), *spec);
        }
        next = index + 1;
        i = pos;
    }
    return out;
}
