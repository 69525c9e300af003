// libFuzzer entry for the EXIF reader: the input is the start of a file. Every read must stay
// among the input's bytes (the rest of the window is poisoned) and every text must be UTF-8.

#include "FuzzSupport.h"
#include "exif/EXIF.h"
#include "exif/ExifValueText.h"
#include "model/TextRules.h"

#include <cstdint>
#include <memory>
#include <sanitizer/asan_interface.h>

using korvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto loaded = korvo::ExifBlockFromBytes(data, size);
    if (!loaded)
        return 0;
    const auto block = std::make_unique<korvo::ExifBlock>(*loaded);
    std::uint8_t* tail = block->Window.data() + block->Length;
    const std::size_t tailSize = korvo::ExifBlock::WindowSize - block->Length;
    ASAN_POISON_MEMORY_REGION(tail, tailSize);

    std::string date, model;
    korvo::ReadExifDate(*block, date, model);
    Check(korvo::IsValidUtf8(date) && korvo::IsValidUtf8(model));
    Check(korvo::ReadExifOrientation(*block) <= 0xFFFF);
    korvo::EnumerateExif(*block, [](std::uint16_t, std::uint32_t, const std::string& name, const std::string& text) {
        Check(korvo::IsValidUtf8(name) && korvo::IsValidUtf8(text));
    });
    // Entries at every position, not only at the walks' slots.
    for (std::size_t slot = 0; slot < block->Length; ++slot)
        if (const auto entry = block->EntryAt(slot))
            if (const auto text = korvo::ExifValueText(*block, *entry))
                Check(korvo::IsValidUtf8(*text));

    ASAN_UNPOISON_MEMORY_REGION(tail, tailSize);
    return 0;
}
