#include "platform/kernel.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "platform/faults.h"
#include "platform/platform_clock.h"

namespace qx {

namespace {

struct ThreadRecord {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

struct ThreadTable {
    std::mutex mutex;
    std::map<uint32_t, ThreadRecord> threads;
    // Handles of threads that ended and were joined by the table; joining one still succeeds.
    std::set<uint32_t> reaped;
    uint32_t next_handle = 1;

    // Threads nobody joined (the player never joins its own) are let go at process exit.
    ~ThreadTable() {
        for (auto& entry : threads) {
            entry.second.thread.detach();
        }
    }
};

ThreadTable& thread_table() {
    static ThreadTable table;
    return table;
}

thread_local int32_t current_priority = THREAD_PRIORITY_NORMAL;

// The scheduling niceness the process started with: what normal priority means here.
const int normal_nice = getpriority(PRIO_PROCESS, 0);

// Niceness of the calling thread only (on Linux a thread id names one thread).
bool set_thread_nice(int nice) {
#if defined(SYS_gettid)
    return setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice) == 0;
#else
    // Systems without thread ids (the WebAssembly build) run one thread: the process's.
    return setpriority(PRIO_PROCESS, 0, nice) == 0;
#endif
}

// Threads that ended without anybody joining them (the player's own) are joined here, so that
// a host playing movie after movie does not pile up ended threads.
void reap_finished(ThreadTable& table) {
    for (auto entry = table.threads.begin(); entry != table.threads.end();) {
        if (entry->second.finished->load(std::memory_order_acquire)) {
            entry->second.thread.join();
            table.reaped.insert(entry->first);
            entry = table.threads.erase(entry);
        } else {
            ++entry;
        }
    }
}

}  // namespace

uint32_t thread_create(ThreadEntry entry, void* argument) {
    if (platform_faults().thread_create_fails) {
        return 0;
    }
    ThreadTable& table = thread_table();
    std::lock_guard lock(table.mutex);
    reap_finished(table);
    const uint32_t handle = table.next_handle++;
    if (table.next_handle == 0) {
        table.next_handle = 1;
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread;
    try {
        thread = std::thread([entry, argument, finished] {
            // A new thread inherits its creator's niceness; it starts at normal priority.
            set_thread_nice(normal_nice);
            entry(argument);
            finished->store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return 0;
    }
    table.threads.emplace(handle, ThreadRecord{std::move(thread), std::move(finished)});
    return handle;
}

int thread_priority_nice(int32_t priority) {
    if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
        return -20;
    }
    if (priority <= THREAD_PRIORITY_IDLE) {
        return 19;
    }
    return std::clamp(normal_nice - 5 * priority, -20, 19);
}

bool thread_set_priority(int32_t priority) {
    current_priority = priority;
    return set_thread_nice(thread_priority_nice(priority));
}

int32_t thread_current_priority() {
    return current_priority;
}

bool thread_join(uint32_t handle) {
    std::thread thread;
    {
        ThreadTable& table = thread_table();
        std::lock_guard lock(table.mutex);
        const auto found = table.threads.find(handle);
        if (found == table.threads.end()) {
            return table.reaped.erase(handle) != 0;
        }
        thread = std::move(found->second.thread);
        table.threads.erase(found);
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();
    } else {
        thread.join();
    }
    return true;
}

void sleep_ms(uint32_t milliseconds) {
    platform_clock_sleep_us(static_cast<int64_t>(milliseconds) * 1000);
}

uint32_t tick_count() {
    return static_cast<uint32_t>(platform_clock_now_us() / 1000);
}

}  // namespace qx
