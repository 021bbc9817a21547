#pragma once
#include <string>

#include "authoring/movie_writer.h"

namespace qx {

// A movie file in a fresh temporary folder, removed with the object.
class TempMovie {
  public:
    explicit TempMovie(const MovieWriter& writer, const std::string& name = "movie.qx");
    explicit TempMovie(const std::vector<uint8_t>& bytes, const std::string& name = "movie.qx");
    ~TempMovie();
    TempMovie(const TempMovie&) = delete;
    TempMovie& operator=(const TempMovie&) = delete;

    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
    std::string path_;
};

// A fresh temporary folder, removed with the object.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace qx
