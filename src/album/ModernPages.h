#pragma once

// The pages of the modern layout: the same pages under the same names and with the same links
// as the classic ones, as HTML5 in UTF-8 for screens of any size, each picture offered also at
// twice its size for HiDPI screens. They share the style sheet and script of ModernAssets.h.
// Failures are raised as by the classic writers.

#include "album/Core.h"
#include "album/HtmlFile.h"
#include "album/ModernAssets.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <string>

namespace korvo {

void WriteModernIndexPage(const std::string& path, const AlbumRunContext& context, const Configuration& config,
    const TImageManager& images, FileStamp* written = nullptr, const TReplaceOptions& writing = {});

void WriteModernImagePage(const std::string& path, const TImageRecord& image, bool details, int previewWidth,
    int previewHeight, const AlbumRunContext& context, const Configuration& config, const TImageManager& images,
    FileStamp* written = nullptr, const TReplaceOptions& writing = {});

} // namespace korvo
