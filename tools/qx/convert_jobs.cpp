#include "tools/qx/convert_jobs.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "tools/qx/progress.h"

namespace qx {

namespace {

constexpr int64_t PROGRESS_STEPS = 1000;  // of the bar, for each movie

// The bar and the lines said beside it share stderr; one lock keeps them apart.
class SharedProgress {
  public:
    explicit SharedProgress(size_t movies)
        : bar_("converting", static_cast<int64_t>(movies) * PROGRESS_STEPS), done_(movies, 0) {}

    void update(size_t movie, double share) {
        std::lock_guard<std::mutex> hold(lock_);
        const auto steps = static_cast<int64_t>(std::clamp(share, 0.0, 1.0) * PROGRESS_STEPS);
        total_ += steps - done_[movie];
        done_[movie] = steps;
        bar_.update(total_);
    }

    void say(const std::string& line) {
        std::lock_guard<std::mutex> hold(lock_);
        bar_.finish();
        std::fprintf(stderr, "qx convert: %s\n", line.c_str());
    }

    void finish() { bar_.finish(); }

  private:
    std::mutex lock_;
    ProgressBar bar_;
    std::vector<int64_t> done_;
    int64_t total_ = 0;
};

}  // namespace

JobPlan plan_jobs(int asked_jobs, size_t movies, int cores) {
    cores = std::max(cores, 1);
    JobPlan plan;
    const int wanted = asked_jobs > 0 ? asked_jobs : cores;
    plan.jobs = static_cast<int>(std::max<size_t>(
        1, std::min({static_cast<size_t>(wanted), movies, static_cast<size_t>(cores)})));
    plan.threads_each = std::max(1, cores / plan.jobs);
    return plan;
}

int convert_all(const std::vector<ConvertJob>& jobs, const ConvertOptions& options,
                const JobPlan& plan) {
    SharedProgress progress(jobs.size());
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    ConvertOptions each = options;
    each.threads = plan.threads_each;
    const auto work = [&] {
        for (size_t at = next++; at < jobs.size(); at = next++) {
            ConvertNotes notes;
            std::string error;
            const bool converted = convert_movie(
                jobs[at].movie, jobs[at].out, each,
                [&progress, at](double share) { progress.update(at, share); }, notes, error);
            progress.update(at, 1);
            if (!converted) {
                ++failed;
                progress.say(error);
                continue;
            }
            if (!notes.problems.empty() || notes.dropped > 0) {
                progress.say(jobs[at].movie + ": damaged (" +
                             (notes.problems.empty() ? std::string("undecodable pictures")
                                                     : notes.problems.front()) +
                             (notes.problems.size() > 1
                                  ? " and " + std::to_string(notes.problems.size() - 1) + " more"
                                  : "") +
                             "); converted past the damage");
            }
        }
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < plan.jobs; ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    progress.finish();
    return failed;
}

}  // namespace qx
