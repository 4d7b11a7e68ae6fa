// The queue's bookkeeping without a network, and its file.
//
// - Bookkeeping/N: N downloads added (scheduled), handed out to three
//   stand-in transfer threads whose attempts succeed at once, and
//   completed (each leaves the queue). Every hand-over crosses threads as
//   in the program. The run prints the time ratio of 200 000 to 100 000
//   items: close to 2 means linear.
// - SaveQueueFile / LoadQueueFile: a 100 000-item "Queue.xml" written and
//   read back through the manager.
//
//   bench_queue --benchmark_counters_tabular=true

#include "queue/QueueManager.h"
#include "store/MainConfig.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

using namespace std::chrono_literals;

THost BenchHost()
{
    THost host(THostDefaults{});
    host.CommonName = host.Hostname = "bench.example.org";
    host.HostID = "{BE0C0000-0000-0000-0000-000000000001}";
    return host;
}

/// A transfer thread whose every attempt succeeds without doing anything.
class TStandInThread : public TTransferThread {
public:
    using TTransferThread::TTransferThread;
    ~TStandInThread() override { Join(); }

protected:
    void Attempt(TQueueItem&) override {}
    void CutConnection() override {}
};

/// A private settings folder with "MaxFTPTransferCount" 3.
class TBenchSettings {
public:
    TBenchSettings()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tovrel-bench-queue-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir_ = pattern;
        config_ = std::make_unique<TMainConfig>(dir_);
        config_->SetMaxFTPTransferCount(3);
        TMainConfig::SetInstance(config_.get());
    }
    ~TBenchSettings()
    {
        TMainConfig::SetInstance(nullptr);
        config_.reset();
        std::filesystem::remove_all(dir_);
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    std::unique_ptr<TMainConfig> config_;
};

void AddDownloads(TQueueManager& manager, const THost& host, int count, bool scheduled)
{
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/pub/dir%03d/file%07d.bin", i % 512, i);
        manager.AddDownload(host, "/pub/", scheduled, 45000.5, 4096 + i, false, "/tmp/bench-in", name);
    }
}

/// CPU seconds of the whole process (every thread) so far.
double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Bookkeeping(benchmark::State& state)
{
    TBenchSettings settings;
    const THost host = BenchHost();
    const int count = static_cast<int>(state.range(0));
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        TEventDispatcher dispatcher;
        TQueueManager manager(dispatcher, nullptr, [&dispatcher](TQueueManager&) {
            return std::make_shared<TStandInThread>(dispatcher);
        });
        AddDownloads(manager, host, count, true);
        manager.StartTransfers();
        const bool done = dispatcher.WaitFor(
            [&manager] { return manager.Count() == 0 && manager.ThreadCount() == 0; }, 600s);
        if (!done)
            state.SkipWithError("the queue did not drain");
    }
    state.SetItemsProcessed(state.iterations() * count);
    // Wall time on a busy machine mostly measures the scheduler; the CPU of
    // every thread shows the cost of the bookkeeping itself.
    state.counters["process_cpu_s"] = (ProcessCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(Bookkeeping)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void SaveQueueFile(benchmark::State& state)
{
    TBenchSettings settings;
    const THost host = BenchHost();
    const int count = static_cast<int>(state.range(0));
    TEventDispatcher dispatcher;
    TQueueManager manager(dispatcher);
    AddDownloads(manager, host, count, false);
    const std::string path = settings.Dir() + "/Queue.xml";
    for (auto _ : state)
        manager.SaveToFile(path);
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(SaveQueueFile)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void LoadQueueFile(benchmark::State& state)
{
    TBenchSettings settings;
    const THost host = BenchHost();
    const int count = static_cast<int>(state.range(0));
    const std::string path = settings.Dir() + "/Queue.xml";
    {
        TEventDispatcher dispatcher;
        TQueueManager manager(dispatcher);
        AddDownloads(manager, host, count, false);
        manager.SaveToFile(path);
    }
    for (auto _ : state) {
        TEventDispatcher dispatcher;
        TQueueManager manager(dispatcher);
        manager.SetHostLookup([&host](std::string_view id) { return id == host.HostID ? &host : nullptr; });
        manager.LoadFromFile(path);
        if (manager.Count() != static_cast<std::size_t>(count))
            state.SkipWithError("items missing after the load");
        state.PauseTiming();  // tearing the queue down is not part of the load
        manager.ClearQueue();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(LoadQueueFile)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

/// The console table, then the scaling of the bookkeeping.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            seconds_[run.benchmark_name()] = run.GetAdjustedRealTime() / 1000.0;
            if (const auto cpu = run.counters.find("process_cpu_s"); cpu != run.counters.end())
                cpu_[run.benchmark_name()] = cpu->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto small = seconds_.find("Bookkeeping/100000/iterations:3/real_time");
        const auto large = seconds_.find("Bookkeeping/200000/iterations:3/real_time");
        if (small == seconds_.end() || large == seconds_.end())
            return;
        std::printf("bookkeeping wall: 100000 items %.3f s, 200000 items %.3f s, ratio %.2f (target <= 2.5)\n",
                    small->second, large->second, large->second / small->second);
        const double cpuSmall = cpu_[small->first], cpuLarge = cpu_[large->first];
        std::printf("bookkeeping CPU:  100000 items %.3f s, 200000 items %.3f s, ratio %.2f\n", cpuSmall, cpuLarge,
                    cpuSmall > 0 ? cpuLarge / cpuSmall : 0.0);
    }

private:
    std::map<std::string, double> seconds_;
    std::map<std::string, double> cpu_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
