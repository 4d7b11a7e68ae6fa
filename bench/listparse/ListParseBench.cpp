// Parsing speed and memory of large Unix and Windows NT listings, linear
// scaling (1 000 000 vs 2 000 000 lines), and detection cost: formats that
// reject a listing look at its first lines only, so asking them costs the
// same for 1 000 or 1 000 000 lines.
//
//   bench_listparse --benchmark_counters_tabular=true
// Counters: items_per_second = lines per second; bytes_per_entry = memory of
// the parsed collection (entries, their text, the index) per entry;
// memory_vs_raw = that memory divided by the raw listing's size.

#include "ftp/listparse/ListRegistry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string UnixListing(int lines)
{
    std::string text = "total 123456\r\n";
    text.reserve(static_cast<std::size_t>(lines) * 80);
    char line[256];
    for (int i = 0; i < lines; ++i) {
        const char* month = kMonths[i % 12];
        const int day = i % 28 + 1;
        if (i % 10 == 0)
            std::snprintf(line, sizeof line,
                          "drwxr-xr-x    2 ftpuser  ftpgroup      4096 %s %2d  2019 folder_%07d\r\n",
                          month, day, i);
        else if (i % 10 == 1)
            std::snprintf(line, sizeof line,
                          "lrwxrwxrwx    1 ftpuser  ftpgroup        11 %s %2d 12:%02d link_%07d -> target_%07d\r\n",
                          month, day, i % 60, i, i);
        else
            std::snprintf(line, sizeof line,
                          "-rw-r--r--    1 ftpuser  ftpgroup  %8lld %s %2d %02d:%02d file_%07d.dat\r\n",
                          static_cast<long long>(i) * 37 % 100000000, month, day, i % 24,
                          i % 60, i);
        text += line;
    }
    return text;
}

std::string WindowsNTListing(int lines)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 64);
    char line[256];
    for (int i = 0; i < lines; ++i) {
        const int month = i % 12 + 1;
        const int day = i % 28 + 1;
        const int hour = i % 12 + 1;
        const char* ampm = i % 2 ? "PM" : "AM";
        if (i % 10 == 0)
            std::snprintf(line, sizeof line, "%02d-%02d-19  %02d:%02d%s       <DIR>          Folder %07d\r\n",
                          month, day, hour, i % 60, ampm, i);
        else
            std::snprintf(line, sizeof line, "%02d-%02d-19  %02d:%02d%s %20lld File %07d.txt\r\n",
                          month, day, hour, i % 60, ampm,
                          static_cast<long long>(i) * 37 % 100000000, i);
        text += line;
    }
    return text;
}

// Generated once per size and kind.
const std::string& Listing(bool isUnix, int lines)
{
    static std::map<std::pair<bool, int>, std::string> cache;
    auto& text = cache[{isUnix, lines}];
    if (text.empty())
        text = isUnix ? UnixListing(lines) : WindowsNTListing(lines);
    return text;
}

void Parse(benchmark::State& state, bool isUnix, const char* identifier)
{
    const int count = static_cast<int>(state.range(0));
    const std::string& text = Listing(isUnix, count);
    const std::vector<std::string_view> lines = SplitListingLines(text);
    std::size_t memory = 0;
    std::size_t entries = 0;
    for (auto _ : state) {
        TIdFTPListItems items;
        const TIdFTPListBase* parser = TIdFTPRegParseList::Instance().ParseListing(lines, items);
        if (parser == nullptr || parser->Identifier() != identifier) {
            state.SkipWithError("listing not recognised");
            return;
        }
        memory = items.MemoryUsed();
        entries = items.Count();
        benchmark::DoNotOptimize(items);
        state.PauseTiming();
        { TIdFTPListItems drop = std::move(items); }  // freeing is not parsing
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["bytes_per_entry"] = static_cast<double>(memory) / static_cast<double>(entries);
    state.counters["raw_bytes_per_line"] = static_cast<double>(text.size()) / count;
    state.counters["memory_vs_raw"] = static_cast<double>(memory) / static_cast<double>(text.size());
}

void BM_ParseUnix(benchmark::State& state)
{
    Parse(state, true, "Unix");
}

void BM_ParseWindowsNT(benchmark::State& state)
{
    Parse(state, false, "Windows NT");
}

// Detection of a Unix listing: every format before Unix rejects it first.
void BM_DetectUnix(benchmark::State& state)
{
    const std::string& text = Listing(true, static_cast<int>(state.range(0)));
    const std::vector<std::string_view> lines = SplitListingLines(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(TIdFTPRegParseList::Instance().Detect(lines));
}

// The same detection asking only the first k registered formats that reject
// the listing, then Unix: the cost per rejecting format is constant and
// does not depend on the listing's length.
void BM_DetectUnixAfterRejects(benchmark::State& state)
{
    const auto& all = TIdFTPRegParseList::Instance().Parsers();
    const TIdFTPListBase* unixParser = TIdFTPRegParseList::Instance().Find("Unix");
    std::vector<const TIdFTPListBase*> rejecting;
    for (const TIdFTPListBase* p : all) {
        if (p == unixParser)
            break;
        if (p->Implemented())
            rejecting.push_back(p);
    }
    const auto k = std::min<std::size_t>(static_cast<std::size_t>(state.range(1)), rejecting.size());
    rejecting.resize(k);
    rejecting.push_back(unixParser);
    const std::string& text = Listing(true, static_cast<int>(state.range(0)));
    const std::vector<std::string_view> lines = SplitListingLines(text);
    for (auto _ : state) {
        const TIdFTPListBase* found = nullptr;
        for (const TIdFTPListBase* p : rejecting)
            if (p->CheckListing(lines, {}, true)) {
                found = p;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
    state.counters["rejecting_formats"] = static_cast<double>(k);
}

} // namespace

BENCHMARK(BM_ParseUnix)->Arg(1000000)->Arg(2000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseWindowsNT)->Arg(1000000)->Arg(2000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DetectUnix)->Arg(1000)->Arg(1000000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_DetectUnixAfterRejects)
    ->ArgsProduct({{1000, 1000000}, {0, 100}})
    ->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
