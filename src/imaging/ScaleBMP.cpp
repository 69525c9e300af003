#include "imaging/ScaleBMP.h"

#include <algorithm>
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
// kept as tables (source position and weight per piece); summing the pieces in the same order
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
            throw TScaleError("ScaleBitmap: division by zero in a size ratio");
        return static_cast<float>(numerator) / static_cast<float>(denominator);
    }

    // Four single-precision lanes; each operation rounds every lane to float on its own.
    typedef float TFloat4 __attribute__((vector_size(16)));

    inline TFloat4 Load4(const float* p)
    {
        TFloat4 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    inline TFloat4 Broadcast(float f) { return TFloat4 { f, f, f, f }; }
    inline void Store3(float* p, TFloat4 v)
    {
        p[0] = v[0];
        p[1] = v[1];
        p[2] = v[2];
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
                // Walk every destination pixel's interval once. Each pixel then gets the same
                // number of pieces, the short lists padded with weight 0 (adding 0 × S leaves a
                // sum of non-negative values unchanged), so that the row loop below has no
                // data-dependent branch and can run four pixels' sums side by side.
                std::vector<TPiece> pieces;
                pieces.reserve(static_cast<std::size_t>(sourceWidth) + static_cast<std::size_t>(destWidth));
                std::vector<std::size_t> first(static_cast<std::size_t>(destWidth) + 1);
                m_weightSum.resize(static_cast<std::size_t>(destWidth));
                float left = 0.0f;
                for (int x = 0; x < destWidth; ++x) {
                    first[x] = pieces.size();
                    m_weightSum[x] = WalkInterval(left, x, ratio, sourceWidth, [&pieces](int g, float w) {
                        pieces.push_back({ g, w });
                    });
                }
                first[destWidth] = pieces.size();
                m_span = 1;
                for (int x = 0; x < destWidth; ++x)
                    m_span = std::max(m_span, first[x + 1] - first[x]);
                m_offset.assign(static_cast<std::size_t>(destWidth) * m_span, 0);
                m_weight.assign(static_cast<std::size_t>(destWidth) * m_span, 0.0f);
                for (int x = 0; x < destWidth; ++x) {
                    std::size_t slot = static_cast<std::size_t>(x) * m_span;
                    for (std::size_t p = first[x]; p < first[x + 1]; ++p, ++slot) {
                        m_offset[slot] = 3 * static_cast<std::size_t>(pieces[p].Index);
                        m_weight[slot] = pieces[p].Weight;
                    }
                }
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

        // Floats needed as scratch by Run: the source row as samples, plus one so that the
        // last pixel can be loaded as four values.
        std::size_t ScratchSize() const { return 3 * static_cast<std::size_t>(m_sourceWidth) + 1; }

        // Source row bytes into DestWidth × 3 samples.
        void Run(const std::uint8_t* in, float* scratch, float* out) const
        {
            switch (m_method) {
            case Method::Copy:
                for (std::size_t k = 0, n = 3 * static_cast<std::size_t>(m_sourceWidth); k < n; ++k)
                    out[k] = static_cast<float>(in[k]);
                break;
            case Method::Box: {
                // The byte-to-float conversion once per source pixel, then each piece is one
                // four-lane multiply and add (blue, green, red and an unused lane). Lanes are
                // plain single-precision operations, so every channel's sum is the same float
                // as a scalar sum. Four destination pixels run side by side to keep the adder
                // busy; each sum still adds its pieces in walk order.
                const std::size_t n = 3 * static_cast<std::size_t>(m_sourceWidth);
                for (std::size_t k = 0; k < n; ++k)
                    scratch[k] = static_cast<float>(in[k]);
                scratch[n] = 0.0f;
                const std::size_t span = m_span;
                int x = 0;
                for (; x + 4 <= m_destWidth; x += 4) {
                    const std::size_t* offset = m_offset.data() + static_cast<std::size_t>(x) * span;
                    const float* weight = m_weight.data() + static_cast<std::size_t>(x) * span;
                    TFloat4 s0 {}, s1 {}, s2 {}, s3 {};
                    for (std::size_t p = 0; p < span; ++p) {
                        s0 = s0 + Broadcast(weight[p]) * Load4(scratch + offset[p]);
                        s1 = s1 + Broadcast(weight[span + p]) * Load4(scratch + offset[span + p]);
                        s2 = s2 + Broadcast(weight[2 * span + p]) * Load4(scratch + offset[2 * span + p]);
                        s3 = s3 + Broadcast(weight[3 * span + p]) * Load4(scratch + offset[3 * span + p]);
                    }
                    Store3(out + 3 * x, s0 / Broadcast(m_weightSum[x]));
                    Store3(out + 3 * x + 3, s1 / Broadcast(m_weightSum[x + 1]));
                    Store3(out + 3 * x + 6, s2 / Broadcast(m_weightSum[x + 2]));
                    Store3(out + 3 * x + 9, s3 / Broadcast(m_weightSum[x + 3]));
                }
                for (; x < m_destWidth; ++x) {
                    const std::size_t* offset = m_offset.data() + static_cast<std::size_t>(x) * span;
                    const float* weight = m_weight.data() + static_cast<std::size_t>(x) * span;
                    TFloat4 sum {};
                    for (std::size_t p = 0; p < span; ++p)
                        sum = sum + Broadcast(weight[p]) * Load4(scratch + offset[p]);
                    Store3(out + 3 * x, sum / Broadcast(m_weightSum[x]));
                }
                break;
            }
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
        // Box: m_span pieces per destination pixel (byte offset into the row, weight).
        std::size_t m_span = 0;
        std::vector<std::size_t> m_offset;
        std::vector<float> m_weight;
        std::vector<float> m_weightSum;
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
            , m_scratch(std::make_unique_for_overwrite<float[]>(horizontal.ScratchSize()))
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
            m_horizontal.Run(m_source.Row(y), m_scratch.get(), Slot(victim));
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
        std::unique_ptr<float[]> m_scratch;
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
