#include "i18n/LanguageNames.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

struct TLangIdTag {
    std::uint16_t Id;
    std::string_view Tag;
};

// Primary language in the low ten bits, sub-language above; sorted by Id.
constexpr std::array kTags = std::to_array<TLangIdTag>({
    {1025, "ar-SA"}, {1026, "bg-BG"}, {1027, "ca-ES"}, {1028, "zh-TW"}, {1029, "cs-CZ"},
    {1030, "da-DK"}, {1031, "de-DE"}, {1032, "el-GR"}, {1033, "en-US"}, {1034, "es-ES"},
    {1035, "fi-FI"}, {1036, "fr-FR"}, {1037, "he-IL"}, {1038, "hu-HU"}, {1039, "is-IS"},
    {1040, "it-IT"}, {1041, "ja-JP"}, {1042, "ko-KR"}, {1043, "nl-NL"}, {1044, "nb-NO"},
    {1045, "pl-PL"}, {1046, "pt-BR"}, {1048, "ro-RO"}, {1049, "ru-RU"}, {1050, "hr-HR"},
    {1051, "sk-SK"}, {1052, "sq-AL"}, {1053, "sv-SE"}, {1054, "th-TH"}, {1055, "tr-TR"},
    {1056, "ur-PK"}, {1057, "id-ID"}, {1058, "uk-UA"}, {1059, "be-BY"}, {1060, "sl-SI"},
    {1061, "et-EE"}, {1062, "lv-LV"}, {1063, "lt-LT"}, {1065, "fa-IR"}, {1066, "vi-VN"},
    {1067, "hy-AM"}, {1068, "az-Latn-AZ"}, {1069, "eu-ES"}, {1071, "mk-MK"}, {1078, "af-ZA"},
    {1079, "ka-GE"}, {1080, "fo-FO"}, {1081, "hi-IN"}, {1086, "ms-MY"}, {1087, "kk-KZ"},
    {1089, "sw-KE"}, {1091, "uz-Latn-UZ"}, {1092, "tt-RU"}, {1093, "bn-IN"}, {1095, "gu-IN"},
    {1097, "ta-IN"}, {1098, "te-IN"}, {1099, "kn-IN"}, {1102, "mr-IN"}, {1104, "mn-MN"},
    {1106, "cy-GB"}, {1110, "gl-ES"}, {2052, "zh-CN"}, {2055, "de-CH"}, {2057, "en-GB"},
    {2058, "es-MX"}, {2060, "fr-BE"}, {2064, "it-CH"}, {2067, "nl-BE"}, {2068, "nn-NO"},
    {2070, "pt-PT"}, {2074, "sr-Latn-RS"}, {2077, "sv-FI"}, {3076, "zh-HK"}, {3079, "de-AT"},
    {3081, "en-AU"}, {3082, "es-ES"}, {3084, "fr-CA"}, {3098, "sr-Cyrl-RS"}, {4100, "zh-SG"},
    {4103, "de-LU"}, {4105, "en-CA"}, {4108, "fr-CH"}, {5127, "de-LI"}, {5129, "en-NZ"},
    {5132, "fr-LU"}, {6153, "en-IE"}, {7177, "en-ZA"}, {11274, "es-AR"},
});

constexpr bool IsSortedById() {
    for (std::size_t i = 1; i < kTags.size(); ++i)
        if (kTags[i - 1].Id >= kTags[i].Id) return false;
    return true;
}
static_assert(IsSortedById());

} // namespace

std::optional<std::string> LanguageTag(std::uint16_t languageId) {
    const auto it = std::lower_bound(kTags.begin(), kTags.end(), languageId,
                                     [](const TLangIdTag& t, std::uint16_t id) { return t.Id < id; });
    if (it == kTags.end() || it->Id != languageId) return std::nullopt;
    return std::string(it->Tag);
}

std::string LanguageDisplayName(std::uint16_t languageId) {
    const auto tag = LanguageTag(languageId);
    if (!tag) return std::to_string(languageId);
    const QLocale locale(QString::fromStdString(*tag));
    QString name = locale.nativeLanguageName();
    if (locale.language() == QLocale::C || name.isEmpty()) return std::to_string(languageId);
    name[0] = name[0].toUpper();
    return name.toStdString();
}
