#include "imaging/ScaleBMP.h"

#include <algorithm>
#include <cstring>
#include <new>

// The results must be the same bit for bit on every build: every value below is a float and
// every product, sum and quotient is rounded to float before it is used again. This file is
// compiled with -ffp-contract=off so that no multiply-add is fused, and it relies on SSE
// arithmetic (no excess x87 precision), which x86-64 always uses.
//
// Both passes walk the same intervals for every row, so the walks are done once per destination
// and kept as tables (source position and weight per piece); summing the pieces in the same
// order gives the same floats as walking them afresh for each row. Source rows are taken one at
// a time, top to bottom: each is resampled horizontally once and then added into the one or two
// destination rows whose vertical interval it lies in, in the order the vertical walk would
// visit it, so no destination row ever sees its sums in another order.

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
    // All four lanes: the fourth lands on the next pixel's first sample, which that pixel
    // overwrites, or on the one spare float behind every row of samples.
    inline void Store4(float* p, TFloat4 v) { std::memcpy(p, &v, sizeof v); }

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
    // of magnitude below 2^22; the first clamp (NaN-safe: a NaN becomes −1) keeps them there
    // without changing any result. Four values at a time, each lane exactly as on its own.
    typedef int TInt4 __attribute__((vector_size(16)));
    typedef std::uint8_t TByte4 __attribute__((vector_size(4)));

    [[gnu::always_inline]] inline TByte4 ToBytes(TFloat4 r)
    {
        r = r >= Broadcast(-1.0f) ? r : Broadcast(-1.0f);
        r = r <= Broadcast(256.0f) ? r : Broadcast(256.0f);
        const TFloat4 shift = Broadcast(12582912.0f);
        const TFloat4 rounded = (r + shift) - shift;
        TInt4 value = __builtin_convertvector(rounded, TInt4); // truncation toward zero
        const TInt4 zero {};
        const TInt4 top { 255, 255, 255, 255 };
        value = value < zero ? zero : value;
        value = value > top ? top : value;
        return __builtin_convertvector(value, TByte4);
    }

    [[gnu::always_inline]] inline std::uint8_t ToByte(float r) { return ToBytes(Broadcast(r))[0]; }

    // The kernels: the loops every row goes through, written once and compiled twice, for
    // every x86-64 processor and for those with AVX2 (wider vectors, the same single-precision
    // operations in the same order, so the same bits).
    [[gnu::always_inline]] inline void ConvertKernel(
        const std::uint8_t* __restrict in, std::size_t count, float* __restrict out)
    {
        for (std::size_t k = 0; k < count; ++k)
            out[k] = static_cast<float>(in[k]);
    }

    [[gnu::always_inline]] inline void AddScaledKernel(
        float* __restrict sum, const float* __restrict row, float weight, std::size_t count)
    {
        for (std::size_t k = 0; k < count; ++k)
            sum[k] = sum[k] + row[k] * weight;
    }

    [[gnu::always_inline]] inline void OutputKernel(
        const float* values, std::size_t count, float divisor, std::uint8_t* out)
    {
        std::size_t k = 0;
        if (divisor == 1.0f) {
            for (; k + 4 <= count; k += 4) {
                const TByte4 bytes = ToBytes(Load4(values + k));
                std::memcpy(out + k, &bytes, 4);
            }
            for (; k < count; ++k)
                out[k] = ToByte(values[k]);
        } else {
            const TFloat4 d = Broadcast(divisor);
            for (; k + 4 <= count; k += 4) {
                const TByte4 bytes = ToBytes(Load4(values + k) / d);
                std::memcpy(out + k, &bytes, 4);
            }
            for (; k < count; ++k)
                out[k] = ToByte(values[k] / divisor);
        }
    }

    // The box table of a horizontal pass: per destination pixel the sample offset of its first
    // source pixel and `Span` weights. Pixels go in pairs, each weight four times: eight floats
    // per pair and piece, the first pixel's weight, then the second's (a wide vector takes the
    // pair at once, a narrow one either half). The pairs go in groups of four whose weights for
    // one piece lie together, so that a loop over a group's pieces walks one pointer. An odd last
    // pixel is paired with an idle one (weights 0, sum 1), a short last group with idle pairs.
    constexpr std::size_t PairsPerGroup = 4;
    constexpr std::size_t PieceStride = 8 * PairsPerGroup; // floats from one piece to the next

    struct TBoxTable {
        int DestWidth = 0;
        std::size_t Span = 0;
        std::vector<std::size_t> First; // one per pixel, the idle one included
        std::vector<float> Weights; // groups × Span × PieceStride
        std::vector<float> Sums; // pairs × 8

        const float* PixelWeights(int x) const
        {
            const std::size_t pair = static_cast<std::size_t>(x) / 2;
            return Weights.data() + (pair / PairsPerGroup) * Span * PieceStride + (pair % PairsPerGroup) * 8
                + (x % 2) * 4;
        }
        TFloat4 PixelSum(int x) const
        {
            return Load4(Sums.data() + (static_cast<std::size_t>(x) / 2) * 8 + (x % 2) * 4);
        }
    };

    // Each piece is one four-lane multiply and add (blue, green, red and an unused lane). Lanes
    // are plain single-precision operations, so every channel's sum is the same float as a
    // scalar sum. Four pixels run side by side to keep the adder busy; each sum still adds its
    // pieces in walk order.
    [[gnu::always_inline]] inline void BoxKernel(const TBoxTable& table, const float* samples, float* out)
    {
        const std::size_t span = table.Span;
        int x = 0;
        for (; x + 4 <= table.DestWidth; x += 4) {
            const float* in0 = samples + table.First[x];
            const float* in1 = samples + table.First[x + 1];
            const float* in2 = samples + table.First[x + 2];
            const float* in3 = samples + table.First[x + 3];
            const float* w0 = table.PixelWeights(x);
            const float* w1 = table.PixelWeights(x + 1);
            const float* w2 = table.PixelWeights(x + 2);
            const float* w3 = table.PixelWeights(x + 3);
            TFloat4 s0 {}, s1 {}, s2 {}, s3 {};
            for (std::size_t p = 0; p < span; ++p) {
                s0 = s0 + Load4(w0 + PieceStride * p) * Load4(in0 + 3 * p);
                s1 = s1 + Load4(w1 + PieceStride * p) * Load4(in1 + 3 * p);
                s2 = s2 + Load4(w2 + PieceStride * p) * Load4(in2 + 3 * p);
                s3 = s3 + Load4(w3 + PieceStride * p) * Load4(in3 + 3 * p);
            }
            Store4(out + 3 * x, s0 / table.PixelSum(x));
            Store4(out + 3 * x + 3, s1 / table.PixelSum(x + 1));
            Store4(out + 3 * x + 6, s2 / table.PixelSum(x + 2));
            Store4(out + 3 * x + 9, s3 / table.PixelSum(x + 3));
        }
        for (; x < table.DestWidth; ++x) {
            const float* in = samples + table.First[x];
            const float* w = table.PixelWeights(x);
            TFloat4 sum {};
            for (std::size_t p = 0; p < span; ++p)
                sum = sum + Load4(w + PieceStride * p) * Load4(in + 3 * p);
            Store4(out + 3 * x, sum / table.PixelSum(x));
        }
    }

    void ConvertPortable(const std::uint8_t* in, std::size_t count, float* out) { ConvertKernel(in, count, out); }
    void AddScaledPortable(float* sum, const float* row, float weight, std::size_t count)
    {
        AddScaledKernel(sum, row, weight, count);
    }
    void OutputPortable(const float* values, std::size_t count, float divisor, std::uint8_t* out)
    {
        OutputKernel(values, count, divisor, out);
    }
    void BoxPortable(const TBoxTable& table, const float* samples, float* out) { BoxKernel(table, samples, out); }

#if defined(__x86_64__) && defined(__GNUC__)
#define KORVO_WIDE_KERNELS 1
    typedef float TFloat8 __attribute__((vector_size(32)));

    [[gnu::target("avx2")]] void ConvertWide(const std::uint8_t* in, std::size_t count, float* out)
    {
        ConvertKernel(in, count, out);
    }
    [[gnu::target("avx2")]] void AddScaledWide(float* sum, const float* row, float weight, std::size_t count)
    {
        AddScaledKernel(sum, row, weight, count);
    }
    [[gnu::target("avx2")]] void OutputWide(const float* values, std::size_t count, float divisor, std::uint8_t* out)
    {
        OutputKernel(values, count, divisor, out);
    }

    [[gnu::target("avx2"), gnu::always_inline]] inline TFloat8 LoadPair(const float* a, const float* b)
    {
        return __builtin_shufflevector(Load4(a), Load4(b), 0, 1, 2, 3, 4, 5, 6, 7);
    }
    [[gnu::target("avx2"), gnu::always_inline]] inline TFloat8 Load8(const float* p)
    {
        TFloat8 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    // The pair's first pixel, then its second, whose first lane overwrites the spare fourth.
    [[gnu::target("avx2"), gnu::always_inline]] inline void StorePair(float* p, TFloat8 v, bool both)
    {
        const TFloat4 low = __builtin_shufflevector(v, v, 0, 1, 2, 3);
        const TFloat4 high = __builtin_shufflevector(v, v, 4, 5, 6, 7);
        Store4(p, low);
        if (both)
            Store4(p + 3, high);
    }

    // Two pixels per eight-lane vector, four pairs side by side.
    [[gnu::target("avx2")]] void BoxWide(const TBoxTable& table, const float* samples, float* out)
    {
        const std::size_t span = table.Span;
        const int pairs = (table.DestWidth + 1) / 2;
        int q = 0;
        for (; q + 4 <= pairs; q += 4) {
            const std::size_t* first = table.First.data() + 2 * q;
            const float* a0 = samples + first[0];
            const float* b0 = samples + first[1];
            const float* a1 = samples + first[2];
            const float* b1 = samples + first[3];
            const float* a2 = samples + first[4];
            const float* b2 = samples + first[5];
            const float* a3 = samples + first[6];
            const float* b3 = samples + first[7];
            const float* w = table.Weights.data() + static_cast<std::size_t>(q) / PairsPerGroup * span * PieceStride;
            TFloat8 s0 {}, s1 {}, s2 {}, s3 {};
            for (std::size_t p = 0; p < span; ++p, w += PieceStride) {
                s0 = s0 + Load8(w) * LoadPair(a0 + 3 * p, b0 + 3 * p);
                s1 = s1 + Load8(w + 8) * LoadPair(a1 + 3 * p, b1 + 3 * p);
                s2 = s2 + Load8(w + 16) * LoadPair(a2 + 3 * p, b2 + 3 * p);
                s3 = s3 + Load8(w + 24) * LoadPair(a3 + 3 * p, b3 + 3 * p);
            }
            const float* sums = table.Sums.data() + static_cast<std::size_t>(q) * 8;
            float* o = out + 6 * static_cast<std::size_t>(q);
            const bool fullLast = 2 * (q + 3) + 1 < table.DestWidth;
            StorePair(o, s0 / Load8(sums), true);
            StorePair(o + 6, s1 / Load8(sums + 8), true);
            StorePair(o + 12, s2 / Load8(sums + 16), true);
            StorePair(o + 18, s3 / Load8(sums + 24), fullLast);
        }
        for (; q < pairs; ++q) {
            const float* a = samples + table.First[2 * q];
            const float* b = samples + table.First[2 * q + 1];
            const float* w = table.PixelWeights(2 * q);
            TFloat8 sum {};
            for (std::size_t p = 0; p < span; ++p)
                sum = sum + Load8(w + PieceStride * p) * LoadPair(a + 3 * p, b + 3 * p);
            StorePair(out + 6 * static_cast<std::size_t>(q),
                sum / Load8(table.Sums.data() + 8 * static_cast<std::size_t>(q)), 2 * q + 1 < table.DestWidth);
        }
    }
#endif

    // The kernels one scaler uses, chosen once.
    struct TKernels {
        void (*Convert)(const std::uint8_t*, std::size_t, float*) = ConvertPortable;
        void (*AddScaled)(float*, const float*, float, std::size_t) = AddScaledPortable;
        void (*Output)(const float*, std::size_t, float, std::uint8_t*) = OutputPortable;
        void (*Box)(const TBoxTable&, const float*, float*) = BoxPortable;
    };

    TKernels ChooseKernels(bool wide)
    {
        TKernels kernels;
#ifdef KORVO_WIDE_KERNELS
        if (wide && __builtin_cpu_supports("avx2")) {
            kernels.Convert = ConvertWide;
            kernels.AddScaled = AddScaledWide;
            kernels.Output = OutputWide;
            kernels.Box = BoxWide;
        }
#else
        (void)wide;
#endif
        return kernels;
    }

    std::unique_ptr<float[]> FloatBuffer(std::size_t count)
    {
        auto buffer = std::make_unique<float[]>(count); // zeroed: spare lanes must be finite
        return buffer;
    }

    class THorizontalPass {
    public:
        THorizontalPass(int sourceWidth, int destWidth, const TKernels& kernels)
            : m_method(MethodFor(sourceWidth, destWidth))
            , m_sourceWidth(sourceWidth)
            , m_destWidth(destWidth)
            , m_kernels(kernels)
        {
            const float ratio = Ratio(m_method, sourceWidth, destWidth);
            if (m_method == Method::Box) {
                // Walk every destination pixel's interval once. A pixel's pieces are neighbouring
                // source pixels (only the end pieces can be dropped as slivers), so a pixel is its
                // first source pixel and one weight per following pixel. Every pixel gets the same
                // number of weights, the short lists padded with 0 (adding 0 × S leaves a sum of
                // non-negative values unchanged), so that the row loop has no data-dependent
                // branch and can run several pixels' sums side by side.
                std::vector<int> firstOf(static_cast<std::size_t>(destWidth), -1);
                std::vector<int> lastOf(static_cast<std::size_t>(destWidth), -1);
                std::vector<float> sums(static_cast<std::size_t>(destWidth));
                float left = 0.0f;
                for (int x = 0; x < destWidth; ++x) {
                    sums[x] = WalkInterval(left, x, ratio, sourceWidth, [&](int g, float) {
                        if (firstOf[x] < 0)
                            firstOf[x] = g;
                        lastOf[x] = g;
                    });
                }
                TBoxTable& table = m_box;
                table.DestWidth = destWidth;
                table.Span = 1;
                for (int x = 0; x < destWidth; ++x)
                    if (firstOf[x] >= 0)
                        table.Span = std::max(table.Span, static_cast<std::size_t>(lastOf[x] - firstOf[x] + 1));
                const std::size_t pairs = (static_cast<std::size_t>(destWidth) + 1) / 2;
                const std::size_t groups = (pairs + PairsPerGroup - 1) / PairsPerGroup;
                table.First.assign(2 * pairs, 0);
                table.Weights.assign(groups * table.Span * PieceStride, 0.0f);
                table.Sums.assign(pairs * 8, 1.0f);
                left = 0.0f;
                for (int x = 0; x < destWidth; ++x) {
                    const int first = std::max(firstOf[x], 0);
                    table.First[x] = 3 * static_cast<std::size_t>(first);
                    float* weights = const_cast<float*>(table.PixelWeights(x));
                    WalkInterval(left, x, ratio, sourceWidth, [&](int g, float w) {
                        float* slot = weights + PieceStride * static_cast<std::size_t>(g - first);
                        slot[0] = slot[1] = slot[2] = slot[3] = w;
                    });
                    float* sum = table.Sums.data() + (static_cast<std::size_t>(x) / 2) * 8 + (x % 2) * 4;
                    sum[0] = sum[1] = sum[2] = sum[3] = sums[x];
                }
                if (destWidth % 2)
                    table.First[destWidth] = table.First[destWidth - 1];
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

        // Whether Run reads the row as floats (else as bytes).
        bool NeedsSamples() const { return m_method != Method::Linear; }
        // Floats that must follow the row's samples (zeroed) for the reads of Run.
        std::size_t SamplePadding() const { return m_method == Method::Box ? 3 * m_box.Span + 4 : 4; }
        // A copy needs no work: the samples are the result.
        bool PassesSamples() const { return m_method == Method::Copy; }

        // One source row into DestWidth × 3 samples (plus one spare float that may be written).
        void Run(const std::uint8_t* in, const float* samples, float* out) const
        {
            switch (m_method) {
            case Method::Copy:
                std::memcpy(out, samples, 3 * static_cast<std::size_t>(m_sourceWidth) * sizeof(float));
                break;
            case Method::Box:
                m_kernels.Box(m_box, samples, out);
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
        const TKernels& m_kernels;
        TBoxTable m_box;
        std::vector<TLinearTap> m_linear;
    };

} // namespace

// One destination of a TRowScaler: its horizontal pass and the state of its vertical pass.
class TRowScaler::TDestination {
public:
    TDestination(int sourceWidth, int sourceHeight, TBitmap& dest, bool wide)
        : m_dest(dest)
        , m_sourceHeight(sourceHeight)
        , m_kernels(ChooseKernels(wide))
        , m_vertical(MethodFor(sourceHeight, dest.Height()))
        , m_verticalRatio(Ratio(m_vertical, sourceHeight, dest.Height())) // throws on a division by zero
        , m_horizontal(sourceWidth, dest.Width(), m_kernels) // likewise
        , m_samples(3 * static_cast<std::size_t>(dest.Width()))
    {
        const int dh = dest.Height();
        m_wholeCopy = dest.Width() == sourceWidth && dh == sourceHeight;
        m_idle = dest.Width() == 0 || dh == 0; // no pixel to write
        if (m_wholeCopy || m_idle)
            return;
        if (sourceWidth == 0 || sourceHeight == 0)
            throw TScaleError("ScaleBitmap: empty source");
        if (sourceWidth > MaxScaleSide || sourceHeight > MaxScaleSide || dest.Width() > MaxScaleSide
            || dh > MaxScaleSide)
            throw TScaleError("ScaleBitmap: picture too large");

        m_rowBuffer = FloatBuffer(m_samples + 1);
        if (m_vertical == Method::Box) {
            // The vertical walk once: for each destination row its source rows (neighbours, as
            // across) with their weights, and the sum of the weights it divides by.
            m_rows.resize(static_cast<std::size_t>(dh));
            float left = 0.0f;
            for (int y = 0; y < dh; ++y) {
                TBoxRow& row = m_rows[y];
                row.FirstWeight = m_weights.size();
                row.WeightSum = WalkInterval(left, y, m_verticalRatio, sourceHeight, [&](int g, float w) {
                    if (row.First < 0)
                        row.First = g;
                    for (int gap = row.Last + 1; row.Last >= 0 && gap < g; ++gap)
                        m_weights.push_back(0.0f); // never happens: only end pieces are dropped
                    row.Last = g;
                    m_weights.push_back(w);
                });
            }
            // A source row lies in the intervals of consecutive destination rows; keep one sum
            // per row that can be open at once.
            std::size_t open = 1;
            for (int y = 0, z = 0; y < dh; ++y) {
                z = std::max(z, y);
                while (z + 1 < dh && (m_rows[z + 1].First < 0 || m_rows[z + 1].First <= m_rows[y].Last))
                    ++z;
                open = std::max(open, static_cast<std::size_t>(z - y + 1));
            }
            for (std::size_t k = 0; k < open; ++k)
                m_sums.push_back(FloatBuffer(m_samples + 1));
        } else if (m_vertical == Method::Linear) {
            m_held[0] = FloatBuffer(m_samples + 1);
            m_held[1] = FloatBuffer(m_samples + 1);
        }
    }

    bool NeedsSamples() const { return !m_wholeCopy && !m_idle && m_horizontal.NeedsSamples(); }
    std::size_t SamplePadding() const { return m_horizontal.SamplePadding(); }

    void Push(int g, const std::uint8_t* bytes, const float* samples)
    {
        if (m_idle)
            return;
        if (m_wholeCopy) {
            std::memcpy(m_dest.Row(g), bytes, m_samples);
            return;
        }
        const float* resampled = samples;
        if (!m_horizontal.PassesSamples()) {
            m_horizontal.Run(bytes, samples, m_rowBuffer.get());
            resampled = m_rowBuffer.get();
        }
        switch (m_vertical) {
        case Method::Copy:
            m_kernels.Output(resampled, m_samples, 1.0f, m_dest.Row(g));
            break;
        case Method::Linear:
            PushLinear(g, resampled);
            break;
        case Method::Box:
            PushBox(g, resampled);
            break;
        }
    }

private:
    struct TBoxRow {
        int First = -1; // source rows First … Last, -1 when the row has no piece
        int Last = -1;
        std::size_t FirstWeight = 0; // index of the weight of row First
        float WeightSum = 0.0f;
    };

    float* Sum(int y) { return m_sums[static_cast<std::size_t>(y) % m_sums.size()].get(); }

    // Adds the row into every open destination row whose interval holds it, then writes the
    // rows that have all their pieces. Each sum starts at 0 and adds its rows in walk order.
    void PushBox(int g, const float* resampled)
    {
        const int dh = m_dest.Height();
        for (int y = m_nextRow; y < dh && m_rows[y].First <= g; ++y) {
            const TBoxRow& row = m_rows[y];
            if (row.First < 0 || g > row.Last)
                continue;
            const float w = m_weights[row.FirstWeight + static_cast<std::size_t>(g - row.First)];
            m_kernels.AddScaled(Sum(y), resampled, w, m_samples);
        }
        while (m_nextRow < dh && (m_rows[m_nextRow].Last <= g || g + 1 == m_sourceHeight)) {
            float* sum = Sum(m_nextRow);
            m_kernels.Output(sum, m_samples, m_rows[m_nextRow].WeightSum, m_dest.Row(m_nextRow));
            std::memset(sum, 0, m_samples * sizeof(float));
            ++m_nextRow;
        }
    }

    // Destination row y reads source row i, and row i + 1 unless it falls on i exactly or i is
    // the last row. Those rows only grow with y, so the rows a pending destination row needs are
    // always the last two pushed.
    void PushLinear(int g, const float* resampled)
    {
        float* current = m_held[g & 1].get();
        std::memcpy(current, resampled, m_samples * sizeof(float));
        const int dh = m_dest.Height();
        for (; m_nextRow < dh; ++m_nextRow) {
            const float p = static_cast<float>(m_nextRow) * m_verticalRatio;
            const int i = static_cast<int>(p);
            const bool single = p == static_cast<float>(i) || i + 1 >= m_sourceHeight;
            if ((single ? i : i + 1) > g)
                break;
            std::uint8_t* out = m_dest.Row(m_nextRow);
            if (single) {
                m_kernels.Output(m_held[i & 1].get(), m_samples, 1.0f, out);
                continue;
            }
            const float f = p - static_cast<float>(i);
            const float keep = 1.0f - f;
            const float* upper = m_held[i & 1].get();
            const float* lower = m_held[(i + 1) & 1].get();
            float* acc = m_rowBuffer.get();
            for (std::size_t k = 0; k < m_samples; ++k)
                acc[k] = upper[k] * keep;
            for (std::size_t k = 0; k < m_samples; ++k)
                acc[k] = acc[k] + lower[k] * f;
            m_kernels.Output(acc, m_samples, 1.0f, out);
        }
    }

    TBitmap& m_dest;
    int m_sourceHeight;
    TKernels m_kernels;
    Method m_vertical;
    float m_verticalRatio;
    THorizontalPass m_horizontal;
    std::size_t m_samples; // floats per destination row
    bool m_wholeCopy = false;
    bool m_idle = false;
    int m_nextRow = 0; // the first destination row not yet written
    std::unique_ptr<float[]> m_rowBuffer;
    // Box: the walk per destination row, the weights of all pieces, the open sums.
    std::vector<TBoxRow> m_rows;
    std::vector<float> m_weights;
    std::vector<std::unique_ptr<float[]>> m_sums;
    // Linear: the last two resampled source rows, by row parity.
    std::unique_ptr<float[]> m_held[2];
};

TRowScaler::TRowScaler(int sourceWidth, int sourceHeight, bool wideVectors)
    : m_sourceWidth(sourceWidth)
    , m_sourceHeight(sourceHeight)
    , m_wideVectors(wideVectors)
    , m_convert(ChooseKernels(wideVectors).Convert)
{
}

TRowScaler::~TRowScaler() = default;

void TRowScaler::AddDestination(TBitmap& dest)
{
    if (!dest.SwitchTo24())
        throw std::bad_alloc();
    auto destination = std::make_unique<TDestination>(m_sourceWidth, m_sourceHeight, dest, m_wideVectors);
    if (destination->NeedsSamples()) {
        const std::size_t size = 3 * static_cast<std::size_t>(m_sourceWidth) + destination->SamplePadding();
        if (size > m_samplesSize) {
            auto samples = FloatBuffer(size);
            m_samples = std::move(samples);
            m_samplesSize = size;
        }
        m_needsSamples = true;
    }
    m_destinations.push_back(std::move(destination));
}

void TRowScaler::PushRow(const std::uint8_t* row)
{
    if (m_rowsPushed >= m_sourceHeight)
        return;
    if (m_needsSamples)
        m_convert(row, 3 * static_cast<std::size_t>(m_sourceWidth), m_samples.get());
    for (auto& destination : m_destinations)
        destination->Push(m_rowsPushed, row, m_samples.get());
    ++m_rowsPushed;
}

void ScaleBitmap(TBitmap* source, TBitmap* dest)
{
    if (!source || !dest)
        return;
    if (!source->SwitchTo24() || !dest->SwitchTo24())
        throw std::bad_alloc();
    const int sw = source->Width();
    const int sh = source->Height();
    if (dest->Width() == sw && dest->Height() == sh) {
        if (source != dest)
            for (int y = 0; y < sh; ++y)
                std::memcpy(dest->Row(y), source->Row(y), 3 * static_cast<std::size_t>(sw));
        return;
    }
    TRowScaler scaler(sw, sh);
    scaler.AddDestination(*dest);
    for (int y = 0; y < sh; ++y)
        scaler.PushRow(source->Row(y));
}

} // namespace korvo
