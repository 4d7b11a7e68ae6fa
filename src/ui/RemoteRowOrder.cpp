#include "ui/RemoteRowOrder.h"

#include "store/Helpers.h"
#include "ui/RemoteText.h"

#include <QCollatorSortKey>
#include <QDateTime>
#include <QLocale>

#include <functional>
#include <numeric>
#include <thread>

namespace {

std::vector<std::uint32_t> RankWith(std::size_t count, const std::function<int(std::uint32_t, std::uint32_t)>& compare)
{
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0U);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
    std::vector<std::uint32_t> ranks(count, 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && compare(order[i - 1], order[i]) != 0)
            ++rank;
        ranks[order[i]] = rank;
    }
    return ranks;
}

// Sort keys of many texts on two threads (they are most of the cost of a
// big listing). Each thread has a collator of its own.
std::vector<QCollatorSortKey> SortKeysOf(const QCollator& like, const std::vector<QString>& texts)
{
    constexpr std::size_t kWorthAThread = 20000;
    const auto keysOf = [&like, &texts](std::size_t begin, std::size_t end) {
        QCollator collator(like.locale());
        collator.setCaseSensitivity(like.caseSensitivity());
        std::vector<QCollatorSortKey> keys;
        keys.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i)
            keys.push_back(collator.sortKey(texts[i]));
        return keys;
    };
    if (texts.size() < kWorthAThread)
        return keysOf(0, texts.size());
    const std::size_t half = texts.size() / 2;
    std::vector<QCollatorSortKey> second;
    std::thread helper([&] { second = keysOf(half, texts.size()); });
    std::vector<QCollatorSortKey> keys = keysOf(0, half);
    helper.join();
    keys.reserve(texts.size());
    for (QCollatorSortKey& key : second)
        keys.push_back(std::move(key));
    return keys;
}

}  // namespace

// The "C" locale's collation compares code units with letter case, so there
// the texts are case-folded first.
std::vector<std::uint32_t> RankRemoteTexts(const QCollator& collator, const std::vector<QString>& texts)
{
    if (collator.locale() == QLocale::c()) {
        std::vector<QString> folded;
        folded.reserve(texts.size());
        for (const QString& text : texts)
            folded.push_back(text.toCaseFolded());
        return RankWith(texts.size(), [&](std::uint32_t a, std::uint32_t b) { return folded[a].compare(folded[b]); });
    }
    std::vector<QCollatorSortKey> keys = SortKeysOf(collator, texts);
    return RankWith(texts.size(), [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]); });
}

QString RemoteDateText(const TIdFTPListItem& entry, bool withTime)
{
    if (!entry.ModifiedKnown() || entry.ModifiedDate() == 0)
        return {};
    const QDateTime when = DateTimeToQt(entry.ModifiedDate());
    if (!when.isValid())
        return {};
    const QLocale locale;
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (withTime && when.time() != QTime(0, 0)) {
        // The long time form, without a zone: the server's clock has none.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        text += QLatin1Char(' ') + locale.toString(when.time(), format.trimmed());
    }
    return text;
}

TRemoteUnixTexts RemoteUnixTexts(const TIdFTPListItem& entry)
{
    const auto* unix = dynamic_cast<const TIdUnixBaseFTPListItem*>(&entry);
    if (!unix)
        return {};
    std::string permissions(unix->UserPermissions());
    permissions += unix->GroupPermissions();
    permissions += unix->OtherPermissions();
    return {QString::fromLatin1(permissions.data(), static_cast<qsizetype>(permissions.size())),
            TextFromRemote(unix->OwnerName()), TextFromRemote(unix->GroupName())};
}
