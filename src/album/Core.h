#pragma once

// The album run: prepares the destination, writes every album picture's preview image,
// thumbnail and pages in album order, then the index page and a summary, reporting every step
// to the run log through the host.

#include "imaging/AlbumPicture.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/OrderedWork.h"
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
    // The pages in the modern layout (from IndexOnly on), with a style sheet and a script beside
    // the index and every picture also at twice its box for HiDPI screens.
    bool Modern = false;
};

AlbumRunContext BuildAlbumRunContext(const Configuration& config);

// The pixel work the run asks of one picture. The preview window asks the same, so that it
// shows the very pixels the run writes (in the modern layout the normal sizes are resampled
// from the doubled ones).
TAlbumPictureJob AlbumPictureJob(const TImageRecord& image, const AlbumRunContext& context);

// How a run ended, for callers that need more than the log (the command-line tool's exit code).
struct AlbumRunResult {
    int Count = 0; // pictures in the album
    int Successes = 0; // pictures without any failed step
    bool DestinationFailed = false;
    // A file of the album would have replaced a picture of the image list: nothing was cleared,
    // created or written.
    bool SourceCollision = false;
    bool IndexFailed = false;
    bool IndexWritten = false;
    std::string IndexPath; // the index page written, when IndexWritten: "Album ansehen" opens it
    bool Aborted = false;
    // Another run was working in the destination: nothing was cleared, created or written.
    bool DestinationBusy = false;
    int Kept = 0; // pictures whose files an incremental run kept as they were
    int Removed = 0; // files of earlier runs that an incremental run removed
};

// How many files the clearing step of a run with these settings would delete right now: the
// files of the album's record that are still as recorded. 0 when clearing is off, the
// destination would be refused or it holds no record.
int CountFilesToClear(const Configuration& config);

// Reads `config.Verbose` anew for every picture, so "-v" toggled during the run takes effect
// from the next picture on.
//
// The pixel work runs on worker threads (by default one per core), several pictures at once;
// this thread alone logs, writes the files and pages and touches the host and the image list,
// taking the pictures in album order. So the log and every file are exactly those of a run that
// does one picture after the other: a picture's lines appear when it and all before it are
// done, and after an abort no picture beyond the current one is written or logged (work begun
// on later ones is dropped). While it waits for a picture it lets the host process events every
// `options.PumpInterval`, besides once after each picture.
AlbumRunResult RunAlbum(
    const Configuration& config, TImageManager& images, IOperationHost& host, const TWorkOptions& options = {});

} // namespace korvo
