#include "imaging/ScaleBMP.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

// The results must be the same bit for bit on every build: every value below is a float and
// every product, sum and quotient is rounded to float before it is used again. This file is
// compiled with -ffp-contract=off so that no multiply-add is fused, and it relies on SSE
// arithmetic (no excess x87 precision), which x86-64 always uses.
//
// Both passes walk the same intervals for every row, so the walks are done once per call and
// kept as tables (source index and weight per piece); summing the pieces in the same order
// gives the same floats as walking them afresh for each row.

namespace korvo {

namespace {

    enum class Method { Copy, Box, Linear };

    Method MethodFor(int sourceSize, int destSize)
    {
        return destSize == sourceSize ? Method::Copy : destSize < sourceSize ? Method::Box : Method::Linear;
    }

    float Ratio(Method method, int sourceSize, int destSize)
    {
        const int numerator = method == Method::Box ? sourceSize : sourceSize - 1;
        const int denominator = method == Method::Box ? destSize : destSize - 1;
        if (method == Method::Copy)
            return 1.0f;
        if (denominator == 0)
            throw TScaleError("ScaleBitmap: division by zero (target side 0)");
        return static_cast<float>(numerator) / static_cast<float>(denominator);
    }

    struct TPiece {
        int Index; // source pixel or row
        float Weight;
    };

    // The box interval walk for destination position x: the pieces of source pixels that
    // [left, right) covers, each of more than 0.001; `left` moves on to `right`.
    template <typename Visit> float WalkInterval(float& left, int x, float ratio, int sourceSize, Visit visit)
    {
        const float right = static_cast<float>(x + 1) * ratio;
        float weightSum = 0.0f;
        float cur = left;
        bool last = false;
        do {
            const int g = static_cast<int>(cur); // cur >= 0: truncation toward zero
            float next = static_cast<float>(g + 1);
            if (next >= right) {
                next = right;
                last = true;
            }
            const float w = next - cur;
            // Compared in double: the mathematical 0.001, not its float neighbour.
            if (static_cast<double>(w) > 0.001 && g < sourceSize) {
                visit(g, w);
                weightSum = weightSum + w;
            }
            cur = next;
        } while (!last);
        left = right;
        return weightSum;
    }

    // Halves to the even neighbour, then clamped to 0 … 255. Adding and removing 1.5 × 2^23
    // leaves the rounding to the FPU's own round-to-nearest-even, which is exact for values
    // of magnitude below 2^22; the first clamp (NaN-safe) keeps them there without changing
    // any result.
    inline std::uint8_t ToByte(float r)
    {
        r = r >= -1.0f ? r : -1.0f;
        r = r <= 256.0f ? r : 256.0f;
        constexpr float Shift = 12582912.0f;
        const float rounded = (r + Shift) - Shift;
        const int value = static_cast<int>(rounded);
        return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }

    void OutputRow(const float* values, std::size_t count, float divisor, std::uint8_t* out)
    {
        if (divisor == 1.0f) {
            for (std::size_t k = 0; k < count; ++k)
                out[k] = ToByte(values[k]);
        } else {
            for (std::size_t k = 0; k < count; ++k)
                out[k] = ToByte(values[k] / divisor);
        }
    }

    class THorizontalPass {
    public:
        THorizontalPass(int sourceWidth, int destWidth)
            : m_method(MethodFor(sourceWidth, destWidth))
            , m_sourceWidth(sourceWidth)
            , m_destWidth(destWidth)
        {
            const float ratio = Ratio(m_method, sourceWidth, destWidth);
            if (m_method == Method::Box) {
                m_first.resize(static_cast<std::size_t>(destWidth) + 1);
                m_weightSum.resize(static_cast<std::size_t>(destWidth));
                m_pieces.reserve(static_cast<std::size_t>(sourceWidth) + static_cast<std::size_t>(destWidth));
                float left = 0.0f;
                for (int x = 0; x < destWidth; ++x) {
                    m_first[x] = m_pieces.size();
                    m_weightSum[x] = WalkInterval(left, x, ratio, sourceWidth, [this](int g, float w) {
                        m_pieces.push_back({ g, w });
                    });
                }
                m_first[destWidth] = m_pieces.size();
            } else if (m_method == Method::Linear) {
                // (1 − f) × S[i] + f × S[j]; a pixel taken unchanged is 1 × S[i] + 0 × S[i],
                // which gives exactly S[i].
                m_linear.resize(static_cast<std::size_t>(destWidth));
                for (int x = 0; x < destWidth; ++x) {
                    const float p = static_cast<float>(x) * ratio;
                    const int i = static_cast<int>(p);
                    TLinearTap& tap = m_linear[x];
                    if (p == static_cast<float>(i) || i + 1 >= sourceWidth) {
                        tap = { 3 * i, 3 * i, 1.0f, 0.0f };
                    } else {
                        const float f = p - static_cast<float>(i);
                        tap = { 3 * i, 3 * (i + 1), 1.0f - f, f };
                    }
                }
            }
        }

        // Source row bytes into DestWidth × 3 samples.
        void Run(const std::uint8_t* in, float* out) const
        {
            switch (m_method) {
            case Method::Copy:
                for (std::size_t k = 0, n = 3 * static_cast<std::size_t>(m_sourceWidth); k < n; ++k)
                    out[k] = static_cast<float>(in[k]);
                break;
            case Method::Box:
                for (int x = 0; x < m_destWidth; ++x) {
                    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f;
                    for (std::size_t p = m_first[x], end = m_first[x + 1]; p < end; ++p) {
                        const std::uint8_t* px = in + 3 * static_cast<std::size_t>(m_pieces[p].Index);
                        const float w = m_pieces[p].Weight;
                        s0 = s0 + w * static_cast<float>(px[0]);
                        s1 = s1 + w * static_cast<float>(px[1]);
                        s2 = s2 + w * static_cast<float>(px[2]);
                    }
                    const float d = m_weightSum[x];
                    out[3 * x + 0] = s0 / d;
                    out[3 * x + 1] = s1 / d;
                    out[3 * x + 2] = s2 / d;
                }
                break;
            case Method::Linear:
                for (int x = 0; x < m_destWidth; ++x) {
                    const TLinearTap& tap = m_linear[x];
                    for (int c = 0; c < 3; ++c) {
                        const float a = tap.Keep * static_cast<float>(in[tap.Left + c]);
                        const float b = tap.Take * static_cast<float>(in[tap.Right + c]);
                        out[3 * x + c] = a + b;
                    }
                }
                break;
            }
        }

    private:
        struct TLinearTap {
            int Left; // byte offsets of the two source pixels
            int Right;
            float Keep; // 1 − f
            float Take; // f
        };

        Method m_method;
        int m_sourceWidth;
        int m_destWidth;
        std::vector<std::size_t> m_first;
        std::vector<float> m_weightSum;
        std::vector<TPiece> m_pieces;
        std::vector<TLinearTap> m_linear;
    };

    // Two slots of horizontally resampled source rows. A request for a row not held replaces
    // the slot whose row is farther from it (the second slot on a tie), so rows requested in
    // increasing order are each resampled once.
    class TRowCache {
    public:
        TRowCache(const TBitmap& source, const THorizontalPass& horizontal, std::size_t samples)
            : m_source(source)
            , m_horizontal(horizontal)
            , m_rows(std::make_unique_for_overwrite<float[]>(2 * samples))
            , m_samples(samples)
        {
        }

        const float* Get(int y)
        {
            for (int s = 0; s < 2; ++s)
                if (m_rowOf[s] == y)
                    return Slot(s);
            const long long d0 = Distance(y, m_rowOf[0]);
            const long long d1 = Distance(y, m_rowOf[1]);
            const int victim = d0 > d1 ? 0 : 1;
            m_rowOf[victim] = y;
            m_horizontal.Run(m_source.Row(y), Slot(victim));
            return Slot(victim);
        }

    private:
        static long long Distance(int a, int b)
        {
            return a > b ? static_cast<long long>(a) - b : static_cast<long long>(b) - a;
        }
        float* Slot(int s) { return m_rows.get() + static_cast<std::size_t>(s) * m_samples; }

        const TBitmap& m_source;
        const THorizontalPass& m_horizontal;
        std::unique_ptr<float[]> m_rows;
        std::size_t m_samples;
        int m_rowOf[2] = { -1, -1 };
    };

} // namespace

void ScaleBitmap(TBitmap* source, TBitmap* dest)
{
    if (!source || !dest)
        return;
    if (!source->SwitchTo24() || !dest->SwitchTo24())
        throw std::bad_alloc();
    const int sw = source->Width();
    const int sh = source->Height();
    const int dw = dest->Width();
    const int dh = dest->Height();

    if (dw == sw && dh == sh) {
        if (source != dest)
            for (int y = 0; y < sh; ++y)
                std::memcpy(dest->Row(y), source->Row(y), 3 * static_cast<std::size_t>(sw));
        return;
    }

    const Method vertical = MethodFor(sh, dh);
    const float verticalRatio = Ratio(vertical, sh, dh);
    const THorizontalPass horizontal(sw, dw); // throws on a horizontal division by zero
    if (dw == 0 || dh == 0)
        return; // no pixel to write
    if (sw == 0 || sh == 0)
        throw TScaleError("ScaleBitmap: empty source");
    if (sw > MaxScaleSide || sh > MaxScaleSide || dw > MaxScaleSide || dh > MaxScaleSide)
        throw TScaleError("ScaleBitmap: picture too large");

    const std::size_t samples = 3 * static_cast<std::size_t>(dw);
    TRowCache cache(*source, horizontal, samples);
    const auto accumulator = std::make_unique_for_overwrite<float[]>(samples);
    float* acc = accumulator.get();

    switch (vertical) {
    case Method::Copy:
        for (int y = 0; y < dh; ++y)
            OutputRow(cache.Get(y), samples, 1.0f, dest->Row(y));
        break;
    case Method::Linear:
        for (int y = 0; y < dh; ++y) {
            const float p = static_cast<float>(y) * verticalRatio;
            const int i = static_cast<int>(p);
            if (p == static_cast<float>(i) || i + 1 >= sh) {
                OutputRow(cache.Get(i), samples, 1.0f, dest->Row(y));
                continue;
            }
            const float f = p - static_cast<float>(i);
            const float keep = 1.0f - f;
            // Row i is read completely before row i + 1 may take its slot.
            const float* upper = cache.Get(i);
            for (std::size_t k = 0; k < samples; ++k)
                acc[k] = upper[k] * keep;
            const float* lower = cache.Get(i + 1);
            for (std::size_t k = 0; k < samples; ++k)
                acc[k] = acc[k] + lower[k] * f;
            OutputRow(acc, samples, 1.0f, dest->Row(y));
        }
        break;
    case Method::Box: {
        float left = 0.0f;
        for (int y = 0; y < dh; ++y) {
            std::memset(acc, 0, samples * sizeof(float));
            const float weightSum = WalkInterval(left, y, verticalRatio, sh, [&](int g, float w) {
                const float* row = cache.Get(g);
                for (std::size_t k = 0; k < samples; ++k)
                    acc[k] = acc[k] + row[k] * w;
            });
            OutputRow(acc, samples, weightSum, dest->Row(y));
        }
        break;
    }
    }
}

} // namespace korvo
