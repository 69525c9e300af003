#pragma once

// The album run: prepares the destination, writes every album picture's preview image,
// thumbnail and pages in album order, then the index page and a summary, reporting every step
// to the run log through the host.

#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/RunLog.h"

#include <string>

namespace korvo {

// What the run works out once and hands to the page writers.
struct AlbumRunContext {
    std::string BaseDir; // DestDir with a trailing "/"; all HTML files go here
    std::string PreviewDir; // where preview images go
    std::string ThumbnailDir; // where thumbnails go
    std::string PreviewUrl; // prefix of preview images in links, relative to the HTML files
    std::string ThumbnailUrl; // the same for thumbnails
    bool MakeThumbnails = false;
    bool MakeIndex = false;
    bool MakeGallery = false;
    bool MakeDetails = false;
};

AlbumRunContext BuildAlbumRunContext(const Configuration& config);

// How a run ended, for callers that need more than the log (the command-line tool's exit code).
struct AlbumRunResult {
    int Count = 0; // pictures in the album
    int Successes = 0; // pictures without any failed step
    bool DestinationFailed = false;
    bool IndexFailed = false;
    bool IndexWritten = false;
    bool Aborted = false;
};

// Reads `config.Verbose` anew for every picture, so "-v" toggled during the run takes effect
// from the next picture on.
AlbumRunResult RunAlbum(const Configuration& config, TImageManager& images, IOperationHost& host);

} // namespace korvo
