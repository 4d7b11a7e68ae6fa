#pragma once
// A minimal JSON reader for the sample fixtures: one value per line, no
// streaming, strict enough for well-formed files. Strings come out as UTF-8
// (\u escapes included). Throws std::runtime_error on malformed text.

#include "i18n/TextEncoding.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TJsonValue {
    enum class TKind { Null, Bool, Number, String, Array, Object };
    TKind Kind = TKind::Null;
    bool Bool = false;
    std::int64_t Number = 0;
    std::string String;
    std::vector<TJsonValue> Array;
    std::vector<std::pair<std::string, TJsonValue>> Object;

    const TJsonValue* Find(std::string_view key) const
    {
        for (const auto& [k, v] : Object)
            if (k == key)
                return &v;
        return nullptr;
    }
    bool IsString() const { return Kind == TKind::String; }
};

class TJsonReader {
public:
    static TJsonValue Parse(std::string_view text)
    {
        TJsonReader reader(text);
        TJsonValue value = reader.Value();
        reader.SkipBlanks();
        if (reader.pos_ != text.size())
            reader.Fail("trailing text");
        return value;
    }

private:
    explicit TJsonReader(std::string_view text) : text_(text) {}

    [[noreturn]] void Fail(const char* what) const
    {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(pos_));
    }
    void SkipBlanks()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'
                                       || text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }
    char Peek()
    {
        SkipBlanks();
        if (pos_ >= text_.size())
            Fail("unexpected end");
        return text_[pos_];
    }
    void Expect(char c)
    {
        if (Peek() != c)
            Fail("unexpected character");
        ++pos_;
    }
    bool Literal(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    TJsonValue Value()
    {
        TJsonValue v;
        const char c = Peek();
        if (c == '{') {
            v.Kind = TJsonValue::TKind::Object;
            ++pos_;
            if (Peek() == '}') {
                ++pos_;
                return v;
            }
            for (;;) {
                std::string key = StringText();
                Expect(':');
                v.Object.emplace_back(std::move(key), Value());
                if (Peek() == ',') {
                    ++pos_;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.Kind = TJsonValue::TKind::Array;
            ++pos_;
            if (Peek() == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                v.Array.push_back(Value());
                if (Peek() == ',') {
                    ++pos_;
                    continue;
                }
                Expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.Kind = TJsonValue::TKind::String;
            v.String = StringText();
            return v;
        }
        if (Literal("true") || Literal("false")) {
            v.Kind = TJsonValue::TKind::Bool;
            v.Bool = text_[pos_ - 1] == 'e' && text_[pos_ - 2] == 'u';
            return v;
        }
        if (Literal("null"))
            return v;
        return NumberValue();
    }

    TJsonValue NumberValue()
    {
        TJsonValue v;
        v.Kind = TJsonValue::TKind::Number;
        bool negative = false;
        if (pos_ < text_.size() && text_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
            v.Number = v.Number * 10 + (text_[pos_++] - '0');
        if (pos_ == start)
            Fail("bad value");
        // Fractions and exponents do not occur in the fixtures; skip them.
        while (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e'
                                       || text_[pos_] == 'E' || text_[pos_] == '+'
                                       || (text_[pos_] >= '0' && text_[pos_] <= '9')))
            ++pos_;
        if (negative)
            v.Number = -v.Number;
        return v;
    }

    unsigned Hex4()
    {
        if (pos_ + 4 > text_.size())
            Fail("short escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            value <<= 4;
            if (h >= '0' && h <= '9')
                value |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                value |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                value |= static_cast<unsigned>(h - 'A' + 10);
            else
                Fail("bad escape");
        }
        return value;
    }

    std::string StringText()
    {
        Expect('"');
        std::string out;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (pos_ >= text_.size())
                break;
            const char e = text_[pos_++];
            switch (e) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'u': {
                unsigned cp = Hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && Literal("\\u")) {
                    const unsigned low = Hex4();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                ::AppendUtf8(out, static_cast<char32_t>(cp));
                break;
            }
            default: out.push_back(e); break;
            }
        }
        Fail("unterminated string");
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};
