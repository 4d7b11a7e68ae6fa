#include "i18n/RichText.h"

#include "i18n/TextEncoding.h"
#include "store/Helpers.h"

#include <cstdint>
#include <vector>

namespace {

struct TRtfState {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Skip = false;
    int FallbackChars = 1;  // \ucN: characters after \uN that stand in for it

    bool SameLook(const TRtfState& o) const { return Bold == o.Bold && Italic == o.Italic && Underline == o.Underline; }
};

// A "\'hh" byte of the Windows-1252 text; the code page's undefined bytes
// show as the replacement character rather than as control characters.
std::uint32_t RtfByte(unsigned char byte)
{
    const char32_t cp = Windows1252CodePoint(byte);
    return cp >= 0x80 && cp <= 0x9F ? 0xFFFD : cp;
}

bool IsDestination(std::string_view word)
{
    static constexpr std::string_view skipped[] = {"fonttbl", "colortbl", "stylesheet", "info",   "pict",
                                                   "header",  "footer",   "object",     "themedata", "listtable",
                                                   "listoverridetable", "generator", "filetbl", "rsidtbl"};
    for (std::string_view s : skipped)
        if (word == s)
            return true;
    return false;
}

class TRtfWriter {
public:
    explicit TRtfWriter(std::string_view rtf) : in_(rtf) {}

    std::string Run()
    {
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            if (c == '{') {
                stack_.push_back(state_);
            } else if (c == '}') {
                if (!stack_.empty()) {
                    state_ = stack_.back();
                    stack_.pop_back();
                }
            } else if (c == '\\') {
                ControlSymbol();
            } else if (c != '\r' && c != '\n') {
                Text(c);
            }
        }
        CloseLook();
        return out_;
    }

private:
    void Text(char c)
    {
        if (state_.Skip)
            return;
        if (pendingFallback_ > 0) {
            --pendingFallback_;
            return;
        }
        OpenLook();
        switch (c) {
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        case '&': out_ += "&amp;"; break;
        case '"': out_ += "&quot;"; break;
        default: out_ += c;
        }
    }

    void Raw(std::string_view html)
    {
        if (state_.Skip)
            return;
        OpenLook();
        out_ += html;
    }

    void CodePoint(std::uint32_t cp)
    {
        if (state_.Skip)
            return;
        OpenLook();
        if (cp == '<' || cp == '>' || cp == '&' || cp == '"')
            Text(static_cast<char>(cp));
        else
            AppendUtf8(out_, cp == 0 ? 0xFFFD : static_cast<char32_t>(cp));
    }

    void ControlSymbol()
    {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (c == '\\' || c == '{' || c == '}') {
            ++pos_;
            Text(c);
        } else if (c == '\'') {
            ++pos_;
            const int hi = pos_ < in_.size() ? HexDigitValue(in_[pos_]) : -1;
            const int lo = pos_ + 1 < in_.size() ? HexDigitValue(in_[pos_ + 1]) : -1;
            if (hi < 0 || lo < 0)
                return;
            pos_ += 2;
            if (pendingFallback_ > 0)
                --pendingFallback_;
            else
                CodePoint(RtfByte(static_cast<unsigned char>(hi * 16 + lo)));
        } else if (c == '*') {
            ++pos_;
            state_.Skip = true;
        } else if (c == '~') {
            ++pos_;
            CodePoint(0xA0);
        } else if (c == '\r' || c == '\n') {
            ++pos_;
            Raw("<br>");
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            ControlWord();
        } else {
            ++pos_;  // \- \_ \| \: and the like show nothing here
        }
    }

    void ControlWord()
    {
        const std::size_t start = pos_;
        while (pos_ < in_.size() && ((in_[pos_] >= 'a' && in_[pos_] <= 'z') || (in_[pos_] >= 'A' && in_[pos_] <= 'Z')))
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
            hasParam = true;
            if (param < 1000000)
                param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        Apply(word, hasParam, param);
    }

    void Apply(std::string_view word, bool hasParam, long long param)
    {
        const bool on = !hasParam || param != 0;
        if (word == "par" || word == "line")
            Raw("<br>");
        else if (word == "tab")
            Raw("&nbsp;&nbsp;&nbsp;&nbsp;");
        else if (word == "b")
            state_.Bold = on;
        else if (word == "i")
            state_.Italic = on;
        else if (word == "ul")
            state_.Underline = on;
        else if (word == "ulnone")
            state_.Underline = false;
        else if (word == "plain")
            state_.Bold = state_.Italic = state_.Underline = false;
        else if (word == "uc" && hasParam)
            state_.FallbackChars = static_cast<int>(param < 0 ? 0 : param > 8 ? 8 : param);
        else if (word == "u" && hasParam) {
            pendingFallback_ = 0;
            CodePoint(static_cast<std::uint32_t>(param < 0 ? param + 65536 : param));
            pendingFallback_ = state_.Skip ? 0 : state_.FallbackChars;
        } else if (IsDestination(word))
            state_.Skip = true;
    }

    void OpenLook()
    {
        if (open_.SameLook(state_))
            return;
        CloseLook();
        if (state_.Bold)
            out_ += "<b>";
        if (state_.Italic)
            out_ += "<i>";
        if (state_.Underline)
            out_ += "<u>";
        open_ = state_;
    }

    void CloseLook()
    {
        if (open_.Underline)
            out_ += "</u>";
        if (open_.Italic)
            out_ += "</i>";
        if (open_.Bold)
            out_ += "</b>";
        open_ = TRtfState{};
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::string out_;
    TRtfState state_;
    TRtfState open_;
    std::vector<TRtfState> stack_;
    int pendingFallback_ = 0;
};

} // namespace

bool IsRtfText(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text.substr(first).starts_with("{\\rtf");
}

std::string RtfToHtml(std::string_view rtf)
{
    return TRtfWriter(rtf).Run();
}
