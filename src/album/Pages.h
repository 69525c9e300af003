#pragma once

// The HTML pages of an album: the shared head and foot, the index page with all thumbnails, and
// the gallery and details page of one picture. Every writer raises THtmlWriteError when a write
// fails; the details page also passes on an ExifReadError of its source file.

#include "album/Core.h"
#include "album/HtmlFile.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <string>
#include <string_view>

namespace korvo {

void WritePageHead(THtmlFile& file, std::string_view title);
void WritePageFoot(THtmlFile& file);

// The caption, or else the file name without its extension (empty for a name without ".").
std::string ShownName(const TImageRecord& image);

// A file name or URL prefix as it goes into an href or src attribute: markup characters become
// entities, and the characters that would end a URL path ("%", "#", "?") or start a scheme (":")
// are percent-encoded.
std::string LinkText(std::string_view name);

// `written`, when given, receives the size and time of the page written; `writing` says how
// (TReplaceOptions: KeepUnchanged leaves a file that already holds the page's bytes as it is).
void WriteIndexPage(const std::string& path, const AlbumRunContext& context, const Configuration& config,
    const TImageManager& images, FileStamp* written = nullptr, const TReplaceOptions& writing = {});

void WriteImagePage(const std::string& path, const TImageRecord& image, bool details, int previewWidth,
    int previewHeight, const AlbumRunContext& context, const Configuration& config, const TImageManager& images,
    FileStamp* written = nullptr, const TReplaceOptions& writing = {});

} // namespace korvo
