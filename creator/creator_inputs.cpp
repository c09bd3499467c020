#include "creator/creator_inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "optimizer/persistent_heap.h"

void refuse(const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    mexErrMsgIdAndTxt("Labrix:new", "%s", message);
}

namespace {

const char* classNameOf(const mxArray* a) {
    switch (mxGetClassID(a)) {
        case mxCELL_CLASS: return "cell";
        case mxSTRUCT_CLASS: return "struct";
        case mxLOGICAL_CLASS: return "logical";
        case mxCHAR_CLASS: return "char";
        case mxDOUBLE_CLASS: return "double";
        case mxSINGLE_CLASS: return "single";
        case mxINT8_CLASS: return "int8";
        case mxUINT8_CLASS: return "uint8";
        case mxINT16_CLASS: return "int16";
        case mxUINT16_CLASS: return "uint16";
        case mxINT32_CLASS: return "int32";
        case mxUINT32_CLASS: return "uint32";
        case mxINT64_CLASS: return "int64";
        case mxUINT64_CLASS: return "uint64";
        case mxFUNCTION_CLASS: return "function handle";
        default: return "unknown";
    }
}

void requireRealFloatArray(const mxArray* a, const char* name) {
    const mxClassID cls = mxGetClassID(a);
    if (cls != mxDOUBLE_CLASS && cls != mxSINGLE_CLASS)
        refuse("%s must be a real double or single array (got %s)", name, classNameOf(a));
    if (mxIsComplex(a)) refuse("%s must be real, not complex", name);
    if (mxIsSparse(a)) refuse("%s must be a full array, not sparse", name);
}

template <typename T>
void convertCosts(const T* src, float* dst, size_t count, size_t side, const char* name) {
    for (size_t i = 0; i < count; ++i) {
        const double v = static_cast<double>(src[i]);
        const float f = static_cast<float>(v);
        if (!std::isfinite(f)) {
            refuse("%s(%zu) is %s; costs must be finite (a large finite cost forbids a label)", name, i + 1,
                   std::isnan(v) ? "NaN" : (std::isinf(v) ? "infinite" : "beyond the single range"));
        }
        // Column-major A(r+1, c+1) is element r + c * side; transposed it
        // lands at r * side + c.
        const size_t at = side ? (i % side) * side + i / side : i;
        dst[at] = f;
    }
}

size_t checkedInt32(size_t value, const char* what) {
    if (value > static_cast<size_t>(INT32_MAX)) refuse("%s (%zu) exceeds 2147483647", what, value);
    return value;
}

// The value of element i of a real numeric or logical array, as double.
double elementAt(const mxArray* a, size_t i) {
    const void* d = mxGetData(a);
    switch (mxGetClassID(a)) {
        case mxDOUBLE_CLASS: return static_cast<const double*>(d)[i];
        case mxSINGLE_CLASS: return static_cast<const float*>(d)[i];
        case mxINT8_CLASS: return static_cast<const int8_t*>(d)[i];
        case mxUINT8_CLASS: return static_cast<const uint8_t*>(d)[i];
        case mxINT16_CLASS: return static_cast<const int16_t*>(d)[i];
        case mxUINT16_CLASS: return static_cast<const uint16_t*>(d)[i];
        case mxINT32_CLASS: return static_cast<const int32_t*>(d)[i];
        case mxUINT32_CLASS: return static_cast<const uint32_t*>(d)[i];
        case mxINT64_CLASS: return static_cast<double>(static_cast<const int64_t*>(d)[i]);
        case mxUINT64_CLASS: return static_cast<double>(static_cast<const uint64_t*>(d)[i]);
        case mxLOGICAL_CLASS: return static_cast<const mxLogical*>(d)[i] ? 1.0 : 0.0;
        default: return 0;
    }
}

bool isNumericOrLogical(const mxArray* a) {
    const mxClassID cls = mxGetClassID(a);
    return cls == mxLOGICAL_CLASS || (cls >= mxDOUBLE_CLASS && cls <= mxUINT64_CLASS);
}

}  // namespace

ProblemShape readShape(const mxArray* D, bool generalGraph) {
    requireRealFloatArray(D, "D");
    const mwSize ndim = mxGetNumberOfDimensions(D);
    const mwSize* dims = mxGetDimensions(D);
    if (generalGraph && ndim != 2)
        refuse("D must be L-by-N for a general graph (got %d dimensions)", static_cast<int>(ndim));
    if (ndim > 3) refuse("D must be L-by-W-by-H (got %d dimensions)", static_cast<int>(ndim));
    const size_t labels = static_cast<size_t>(dims[0]);
    const size_t width = static_cast<size_t>(dims[1]);
    const size_t height = ndim == 3 ? static_cast<size_t>(dims[2]) : 1;
    if (labels == 0) refuse("D must have at least one row: row l+1 holds the costs of label l");
    ProblemShape shape;
    shape.labels = static_cast<int32_t>(checkedInt32(labels, "the number of labels"));
    shape.width = static_cast<int32_t>(checkedInt32(width, generalGraph ? "the number of pixels" : "the width"));
    shape.height = static_cast<int32_t>(checkedInt32(height, "the height"));
    if (width != 0 && height > static_cast<size_t>(INT32_MAX) / width)
        refuse("the grid has more than 2147483647 pixels (%zu-by-%zu)", width, height);
    shape.pixels = static_cast<int32_t>(width * height);
    return shape;
}

float* readCostArray(const mxArray* a, const char* name, size_t count, size_t transposeSide) {
    requireRealFloatArray(a, name);
    if (mxGetNumberOfElements(a) != count)
        refuse("%s must have %zu elements (got %zu)", name, count, static_cast<size_t>(mxGetNumberOfElements(a)));
    float* out = PersistentHeap::allocateCallScopedArray<float>(count);
    if (!out) refuse("Not enough memory to read %s", name);
    if (count == 0) return out;
    if (mxGetClassID(a) == mxDOUBLE_CLASS)
        convertCosts(static_cast<const double*>(mxGetData(a)), out, count, transposeSide, name);
    else
        convertCosts(static_cast<const float*>(mxGetData(a)), out, count, transposeSide, name);
    return out;
}

float* readWeightArray(const mxArray* a, const char* name, int32_t width, int32_t height) {
    requireRealFloatArray(a, name);
    const size_t rows = static_cast<size_t>(mxGetM(a));
    const size_t cols = static_cast<size_t>(mxGetN(a));
    if (mxGetNumberOfDimensions(a) != 2 || rows != static_cast<size_t>(width) || cols != static_cast<size_t>(height))
        refuse("%s must be W-by-H = %d-by-%d, one weight per pixel (got %zu-by-%zu)", name, width, height, rows,
               cols);
    const size_t count = rows * cols;
    float* out = readCostArray(a, name, count);
    for (size_t i = 0; i < count; ++i)
        if (out[i] < 0) refuse("%s(%zu) is negative; weights must be finite and >= 0", name, i + 1);
    return out;
}

namespace {

struct RawPair {
    int32_t a;
    int32_t b;
    double weight;
    bool upper;  // came from G(a+1, b+1) rather than G(b+1, a+1)
};

void addRawPair(RawPair* raw, size_t& n, size_t row, size_t col, double v) {
    if (v == 0 || row == col) return;
    if (!(v > 0) || !std::isfinite(v) || !std::isfinite(static_cast<float>(v)))
        refuse("G(%zu,%zu) = %g; neighbour weights must be finite and > 0 (0 means no pair)", row + 1, col + 1, v);
    const int32_t r = static_cast<int32_t>(row);
    const int32_t c = static_cast<int32_t>(col);
    raw[n++] = RawPair{std::min(r, c), std::max(r, c), v, r < c};
}

}  // namespace

GraphPair* readGraph(const mxArray* G, int32_t pixels, size_t& pairCount) {
    if (!isNumericOrLogical(G))
        refuse("G must be a numeric or logical N-by-N matrix (got %s)", classNameOf(G));
    if (mxIsComplex(G)) refuse("G must be real, not complex");
    const size_t n = static_cast<size_t>(pixels);
    if (mxGetNumberOfDimensions(G) != 2 || static_cast<size_t>(mxGetM(G)) != n ||
        static_cast<size_t>(mxGetN(G)) != n)
        refuse("G must be N-by-N = %d-by-%d (got %zu-by-%zu)", pixels, pixels, static_cast<size_t>(mxGetM(G)),
               static_cast<size_t>(mxGetN(G)));

    size_t capacity = 0;
    if (mxIsSparse(G)) {
        capacity = n ? static_cast<size_t>(mxGetJc(G)[n]) : 0;
    } else {
        for (size_t i = 0; i < n * n; ++i) capacity += elementAt(G, i) != 0;
    }
    RawPair* raw = PersistentHeap::allocateCallScopedArray<RawPair>(capacity);
    if (!raw) refuse("Not enough memory to read G");
    size_t count = 0;
    if (mxIsSparse(G)) {
        const mwIndex* ir = mxGetIr(G);
        const mwIndex* jc = mxGetJc(G);
        for (size_t col = 0; col < n; ++col)
            for (size_t k = static_cast<size_t>(jc[col]); k < static_cast<size_t>(jc[col + 1]); ++k)
                addRawPair(raw, count, static_cast<size_t>(ir[k]), col, elementAt(G, k));
    } else {
        for (size_t col = 0; col < n; ++col)
            for (size_t row = 0; row < n; ++row) {
                const double v = elementAt(G, row + col * n);
                if (v != 0) addRawPair(raw, count, row, col, v);
            }
    }
    std::sort(raw, raw + count, [](const RawPair& x, const RawPair& y) {
        return x.a != y.a ? x.a < y.a : x.b < y.b;
    });
    GraphPair* pairs = PersistentHeap::allocateCallScopedArray<GraphPair>(count);
    if (!pairs) refuse("Not enough memory to read G");
    size_t out = 0;
    for (size_t k = 0; k < count; ++k) {
        // Both triangles may name a pair; they must then agree.
        if (k + 1 < count && raw[k + 1].a == raw[k].a && raw[k + 1].b == raw[k].b) {
            if (raw[k + 1].weight != raw[k].weight) {
                const RawPair& up = raw[k].upper ? raw[k] : raw[k + 1];
                const RawPair& low = raw[k].upper ? raw[k + 1] : raw[k];
                refuse("G(%d,%d) = %g and G(%d,%d) = %g differ; give each pair one weight", up.a + 1, up.b + 1,
                       up.weight, up.b + 1, up.a + 1, low.weight);
            }
            continue;
        }
        pairs[out++] = GraphPair{raw[k].a, raw[k].b, static_cast<float>(raw[k].weight)};
    }
    PersistentHeap::releaseCallScoped(raw);
    pairCount = out;
    return pairs;
}

int32_t* readLabels(const mxArray* a, int32_t pixels, int32_t labels) {
    const mxClassID cls = mxGetClassID(a);
    if (!(cls >= mxDOUBLE_CLASS && cls <= mxUINT64_CLASS))
        refuse("Labels must be a real numeric array (got %s)", classNameOf(a));
    if (mxIsComplex(a)) refuse("Labels must be real, not complex");
    if (mxIsSparse(a)) refuse("Labels must be a full array, not sparse");
    const size_t n = static_cast<size_t>(pixels);
    if (mxGetNumberOfElements(a) != n)
        refuse("Labels must have N = %d elements, one per pixel (got %zu)", pixels,
               static_cast<size_t>(mxGetNumberOfElements(a)));
    int32_t* out = PersistentHeap::allocateCallScopedArray<int32_t>(n);
    if (!out) refuse("Not enough memory to read Labels");
    for (size_t i = 0; i < n; ++i) {
        const double v = elementAt(a, i);
        if (!(v >= 0 && v <= labels - 1) || v != std::floor(v))
            refuse("Labels(%zu) = %g is not an integer label from 0 to %d", i + 1, v, labels - 1);
        out[i] = static_cast<int32_t>(v);
    }
    return out;
}

bool readFlag(const mxArray* a, const char* name) {
    if (!isNumericOrLogical(a) || mxIsComplex(a) || mxGetNumberOfElements(a) != 1)
        refuse("%s must be a logical or numeric scalar", name);
    const double v = mxIsSparse(a) ? (mxGetJc(a)[1] > 0 ? elementAt(a, 0) : 0.0) : elementAt(a, 0);
    if (std::isnan(v)) refuse("%s must not be NaN", name);
    return v != 0;
}
