#pragma once
#include <qxplay/qxplay.h>

#include <memory>
#include <string>

namespace qx {

struct MovieCloser {
    void operator()(qx_movie* movie) const { qx_close(movie); }
};
using OpenMovie = std::unique_ptr<qx_movie, MovieCloser>;

// Opens a movie file through the public interface; null, with one line naming the file in
// `error`, when it is missing, a pipe, no regular file, unreadable or no movie.
OpenMovie open_movie_file(const std::string& path, const qx_options& options, std::string& error);

}  // namespace qx
