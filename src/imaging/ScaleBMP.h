#pragma once

// Resamples a whole source bitmap into a destination whose size the caller has set: per
// direction a copy (same size), area averaging (smaller) or linear interpolation (larger), in
// single-precision arithmetic with halves rounded to even. Both bitmaps are switched to Bgr24.
// Either pointer null: nothing happens.
//
// Throws TScaleError (a std::domain_error) when a target side of 0 meets a different source
// side (the ratio would divide by zero), when pixels would be sampled from an empty source, or
// when a side exceeds MaxScaleSide; std::bad_alloc when memory runs out. In every such case no
// pixel of the destination has been written.
//
// TRowScaler does the same for a picture that arrives one row at a time (from a decoder, say)
// and fills several destinations from one pass over the rows; every destination ends with
// exactly the pixels ScaleBitmap would give it.

#include "model/Bitmap.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace korvo {

class TScaleError : public std::domain_error {
public:
    using std::domain_error::domain_error;
};

// Positions are single-precision values, which hold every whole number only up to 2^24; above
// this side the interval walk could stop advancing.
inline constexpr int MaxScaleSide = 1 << 23;

void ScaleBitmap(TBitmap* source, TBitmap* dest);

class TRowScaler {
public:
    // With `wideVectors` the row loops use AVX2 where the processor has it; without, only what
    // every x86-64 processor has. The pixels are the same either way.
    TRowScaler(int sourceWidth, int sourceHeight, bool wideVectors = true);
    ~TRowScaler();
    TRowScaler(const TRowScaler&) = delete;
    TRowScaler& operator=(const TRowScaler&) = delete;

    // Adds a destination of the size it already has (switched to Bgr24 here). Throws as
    // ScaleBitmap does, and then the scaler is as it was before the call. Destinations must be
    // added before the first row.
    void AddDestination(TBitmap& dest);

    // The next source row, top row first: SourceWidth Bgr24 pixels. Every destination row is
    // written as soon as the rows it depends on are in.
    void PushRow(const std::uint8_t* row);

    // Rows pushed so far; the destinations are complete when this reaches the source height.
    int RowsPushed() const { return m_rowsPushed; }

private:
    class TDestination;

    int m_sourceWidth;
    int m_sourceHeight;
    int m_rowsPushed = 0;
    bool m_wideVectors;
    void (*m_convert)(const std::uint8_t* bytes, std::size_t count, float* samples);
    // The current row as floats, made once for every destination that reads it that way.
    std::unique_ptr<float[]> m_samples;
    std::size_t m_samplesSize = 0;
    bool m_needsSamples = false;
    std::vector<std::unique_ptr<TDestination>> m_destinations;
};

} // namespace korvo
