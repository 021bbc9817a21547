#pragma once
#include <string>
#include <vector>

#include "tools/qx/convert_movie.h"

namespace qx {

// One movie to convert and where its WebM goes.
struct ConvertJob {
    std::string movie;
    std::string out;
};

// How many movies convert at once and with how many encoder threads each, so that together
// they never run more encoder threads than the machine has cores.
struct JobPlan {
    int jobs = 1;
    int threads_each = 1;
};
JobPlan plan_jobs(int asked_jobs, size_t movies, int cores);

// Converts every job, `plan.jobs` at a time, each failure named on stderr in one line as it
// happens without stopping the others; a progress bar on stderr when it is a terminal. The
// number of movies that failed.
int convert_all(const std::vector<ConvertJob>& jobs, const ConvertOptions& options,
                const JobPlan& plan);

}  // namespace qx
