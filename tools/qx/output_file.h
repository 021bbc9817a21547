#pragma once
#include <string>

namespace qx {

// A file that appears under its name only once it is complete. It is written unnamed in the
// folder it will live in (or, where the file system cannot, under a hidden temporary name), and
// named by commit(), which replaces any file there in one step. A process that dies before
// leaves nothing behind; one that fails discards it.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool create(const std::string& path, std::string& error);
    int fd() const { return fd_; }
    bool commit(std::string& error);

  private:
    void discard();

    std::string path_;
    std::string temporary_;  // the hidden name, where the file could not be unnamed
    int fd_ = -1;
};

}  // namespace qx
