#pragma once

// Entries of an image list that name pictures nobody reads: the page writers need only their
// names, categories and sizes.

#include "model/Datacore.h"

#include <initializer_list>
#include <string>

namespace korvo::testing {

// Active entries p1.jpg, p2.jpg, … under /nirgends, one per element, in the given categories.
inline void AddUnreadPictures(TImageManager& images, std::initializer_list<int> categories)
{
    int i = 0;
    for (int category : categories) {
        TImageRecord& image = images.AddImage();
        image.FileName = "p" + std::to_string(++i) + ".jpg";
        image.Source = "/nirgends/" + image.FileName;
        image.Active = true;
        image.Category = category;
    }
}

} // namespace korvo::testing
