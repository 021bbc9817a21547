#pragma once
#include <cstdint>
#include <string>

namespace qx {

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class ProgressBar {
  public:
    ProgressBar(std::string label, int64_t total);
    void update(int64_t done);
    // Clears the bar's line.
    void finish();

  private:
    std::string label_;
    int64_t total_;
    int last_percent_ = -1;
    bool enabled_;
};

}  // namespace qx
