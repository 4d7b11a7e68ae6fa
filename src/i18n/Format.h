#pragma once
// Format(): fills the placeholders of a string-table text.
//
// Placeholder syntax: "%" [index ":"] ["-"] ["0"] [width] ["." precision]
// type, and "%%" for a percent sign. Types:
//   s  text (precision = most characters)
//   d  signed integer (precision = fewest digits)
//   u  unsigned integer
//   x X  hexadecimal, lower / upper case
//   f  fixed-point, two decimals unless a precision is given
//   n  like f with "," between thousands ("%.0n" = whole number)
//   e g  scientific / general, as printf
//   c  one character given as a number (code point) or the first of a text
// An index ("%1:s") picks the argument by position (0-based); following
// placeholders continue after it.
//
// Texts come from translators, so no placeholder can do harm: a placeholder
// whose argument is missing is copied through as written; an argument of
// another kind is converted (a text for "%d" is written as it is, a number
// for "%s" in decimal); malformed placeholders are copied literally. Widths
// and precisions are capped at 1024.
//
// Thread-safe; texts are UTF-8 (precision and width count bytes).

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class TFormatArg {
public:
    enum class TKind { fkText, fkSigned, fkUnsigned, fkFloat };

    TFormatArg(std::string_view text) : kind_(TKind::fkText), text_(text) {}
    TFormatArg(const std::string& text) : kind_(TKind::fkText), text_(text) {}
    TFormatArg(const char* text) : kind_(TKind::fkText), text_(text ? text : "") {}
    template <std::signed_integral T>
    TFormatArg(T value) : kind_(TKind::fkSigned), signed_(value) {}
    template <std::unsigned_integral T>
        requires(!std::same_as<T, bool>)
    TFormatArg(T value) : kind_(TKind::fkUnsigned), unsigned_(value) {}
    TFormatArg(bool value) : kind_(TKind::fkSigned), signed_(value ? 1 : 0) {}
    TFormatArg(double value) : kind_(TKind::fkFloat), float_(value) {}
    TFormatArg(float value) : kind_(TKind::fkFloat), float_(value) {}
    TFormatArg(long double value) : kind_(TKind::fkFloat), float_(static_cast<double>(value)) {}

    TKind Kind() const { return kind_; }
    std::string_view Text() const { return text_; }
    std::int64_t Signed() const { return signed_; }
    std::uint64_t Unsigned() const { return unsigned_; }
    double Float() const { return float_; }

private:
    TKind kind_;
    std::string_view text_;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double float_ = 0;
};

std::string FormatArgs(std::string_view format, std::span<const TFormatArg> args);

/// Arguments are referenced, not copied: use the result in the same
/// expression's lifetime or store it (it is a fresh string).
template <typename... TArgs>
std::string Format(std::string_view format, const TArgs&... args) {
    const std::array<TFormatArg, sizeof...(TArgs)> list{TFormatArg(args)...};
    return FormatArgs(format, list);
}
