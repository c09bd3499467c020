// The test host: arrays, memory scopes, errors and exit handlers behind the
// MEX interface of testhost/mex.h. Written for tests, so it favours checks
// over speed: every mxMalloc block is tracked, fresh memory is filled with a
// garbage pattern, and freeing an unknown address is counted as a bug.
#include "host_call.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

struct mxArray_tag {
    mxClassID cls = mxDOUBLE_CLASS;
    std::vector<mwSize> dims{0, 0};
    size_t elementSize = 8;
    bool complex = false;
    bool sparse = false;
    std::vector<unsigned char> real;
    std::vector<unsigned char> imag;
    std::vector<mwIndex> ir;  // sparse row indices
    std::vector<mwIndex> jc;  // sparse column starts (n + 1)
    std::vector<mxArray*> cells;
};

namespace testhost {
namespace {

struct Block {
    void* raw;
    size_t size;
    bool persistent;
};

std::unordered_map<void*, Block>& blocks() {
    static std::unordered_map<void*, Block> table;
    return table;
}

std::set<mxArray*>& callArrays() {
    static std::set<mxArray*> arrays;
    return arrays;
}

bool g_odd = false;
long g_failAfter = -1;
long g_allocations = 0;
size_t g_badFrees = 0;
int g_callDepth = 0;
MexFunction g_currentModule = nullptr;
std::string g_printed;

std::vector<std::pair<MexFunction, void (*)(void)>>& exitHandlers() {
    static std::vector<std::pair<MexFunction, void (*)(void)>> handlers;
    return handlers;
}

size_t elementSizeOf(mxClassID cls) {
    switch (cls) {
        case mxLOGICAL_CLASS: return sizeof(mxLogical);
        case mxCHAR_CLASS: return sizeof(mxChar);
        case mxDOUBLE_CLASS: return 8;
        case mxSINGLE_CLASS: return 4;
        case mxINT8_CLASS:
        case mxUINT8_CLASS: return 1;
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return 8;
        case mxCELL_CLASS: return sizeof(mxArray*);
        default: return 8;
    }
}

size_t product(const std::vector<mwSize>& dims) {
    size_t n = 1;
    for (mwSize d : dims) n *= d;
    return n;
}

mxArray* newArray(mxClassID cls, std::vector<mwSize> dims, bool complex) {
    while (dims.size() < 2) dims.push_back(dims.empty() ? 0 : 1);
    while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
    mxArray* a = new mxArray_tag;
    a->cls = cls;
    a->dims = dims;
    a->elementSize = elementSizeOf(cls);
    a->complex = complex;
    size_t n = product(dims);
    a->real.assign(n * a->elementSize, 0);
    if (complex) a->imag.assign(n * a->elementSize, 0);
    if (cls == mxCELL_CLASS) a->cells.assign(n, nullptr);
    if (g_callDepth > 0) callArrays().insert(a);
    return a;
}

void destroyTree(mxArray* a) {
    for (mxArray* c : a->cells)
        if (c) destroyTree(c);
    delete a;
}

void freeCallScope() {
    auto& table = blocks();
    for (auto it = table.begin(); it != table.end();) {
        if (!it->second.persistent) {
            std::free(it->second.raw);
            it = table.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<mxArray*> arrays(callArrays().begin(), callArrays().end());
    callArrays().clear();
    for (mxArray* a : arrays) destroyTree(a);
}

std::string format(const char* fmt, va_list args) {
    char buffer[4096];
    vsnprintf(buffer, sizeof buffer, fmt, args);
    return buffer;
}

template <typename T>
void store(mxArray* a, const std::vector<double>& values) {
    T* out = reinterpret_cast<T*>(a->real.data());
    for (size_t i = 0; i < values.size(); ++i) out[i] = static_cast<T>(values[i]);
}

// Converts like MATLAB's class conversion: rounding to nearest and
// saturating for integer classes, NaN to 0.
template <typename T>
void storeInteger(mxArray* a, const std::vector<double>& values) {
    T* out = reinterpret_cast<T*>(a->real.data());
    const double lo = static_cast<double>(std::numeric_limits<T>::min());
    const double hi = static_cast<double>(std::numeric_limits<T>::max());
    for (size_t i = 0; i < values.size(); ++i) {
        double v = values[i];
        if (std::isnan(v)) v = 0;
        v = std::round(v);
        if (v <= lo) out[i] = std::numeric_limits<T>::min();
        else if (v >= hi) out[i] = std::numeric_limits<T>::max();
        else out[i] = static_cast<T>(v);
    }
}

std::vector<mwSize> dimsOrColumn(std::vector<size_t> dims, size_t count) {
    if (dims.empty()) return {count, 1};
    return std::vector<mwSize>(dims.begin(), dims.end());
}

}  // namespace

// ---- test-side API ----

Array makeNumeric(mxClassID cls, const std::vector<double>& values, std::vector<size_t> dims) {
    std::vector<mwSize> d = dimsOrColumn(dims, values.size());
    mxArray* a = newArray(cls, d, false);
    if (product(a->dims) != values.size()) {
        std::fprintf(stderr, "testhost: %zu values for %zu elements\n", values.size(), product(a->dims));
        std::abort();
    }
    switch (cls) {
        case mxDOUBLE_CLASS: store<double>(a, values); break;
        case mxSINGLE_CLASS: store<float>(a, values); break;
        case mxINT8_CLASS: storeInteger<int8_t>(a, values); break;
        case mxUINT8_CLASS: storeInteger<uint8_t>(a, values); break;
        case mxINT16_CLASS: storeInteger<int16_t>(a, values); break;
        case mxUINT16_CLASS: storeInteger<uint16_t>(a, values); break;
        case mxINT32_CLASS: storeInteger<int32_t>(a, values); break;
        case mxUINT32_CLASS: storeInteger<uint32_t>(a, values); break;
        case mxINT64_CLASS: storeInteger<int64_t>(a, values); break;
        case mxUINT64_CLASS: storeInteger<uint64_t>(a, values); break;
        case mxLOGICAL_CLASS: {
            mxLogical* out = reinterpret_cast<mxLogical*>(a->real.data());
            for (size_t i = 0; i < values.size(); ++i) out[i] = values[i] != 0;
            break;
        }
        case mxCHAR_CLASS: {
            mxChar* out = reinterpret_cast<mxChar*>(a->real.data());
            for (size_t i = 0; i < values.size(); ++i) out[i] = static_cast<mxChar>(values[i]);
            break;
        }
        default: std::abort();
    }
    return Array(a);
}

Array makeDouble(const std::vector<double>& values, std::vector<size_t> dims) {
    return makeNumeric(mxDOUBLE_CLASS, values, dims);
}

Array makeScalar(double value) { return makeDouble({value}, {1, 1}); }

Array makeSingle(const std::vector<float>& values, std::vector<size_t> dims) {
    std::vector<mwSize> d = dimsOrColumn(dims, values.size());
    mxArray* a = newArray(mxSINGLE_CLASS, d, false);
    if (!values.empty()) std::memcpy(a->real.data(), values.data(), values.size() * 4);
    return Array(a);
}

Array makeInt32(const std::vector<int32_t>& values, std::vector<size_t> dims) {
    std::vector<mwSize> d = dimsOrColumn(dims, values.size());
    mxArray* a = newArray(mxINT32_CLASS, d, false);
    if (!values.empty()) std::memcpy(a->real.data(), values.data(), values.size() * 4);
    return Array(a);
}

Array makeUint32(const std::vector<uint32_t>& values, std::vector<size_t> dims) {
    std::vector<mwSize> d = dimsOrColumn(dims, values.size());
    mxArray* a = newArray(mxUINT32_CLASS, d, false);
    if (!values.empty()) std::memcpy(a->real.data(), values.data(), values.size() * 4);
    return Array(a);
}

Array makeComplex(const std::vector<std::complex<double>>& values, std::vector<size_t> dims) {
    std::vector<mwSize> d = dimsOrColumn(dims, values.size());
    mxArray* a = newArray(mxDOUBLE_CLASS, d, true);
    double* re = reinterpret_cast<double*>(a->real.data());
    double* im = reinterpret_cast<double*>(a->imag.data());
    for (size_t i = 0; i < values.size(); ++i) {
        re[i] = values[i].real();
        im[i] = values[i].imag();
    }
    return Array(a);
}

Array makeLogical(const std::vector<bool>& values, std::vector<size_t> dims) {
    std::vector<double> v(values.begin(), values.end());
    return makeNumeric(mxLOGICAL_CLASS, v, dims);
}

Array makeChar(const std::string& text) {
    std::vector<double> codes;
    for (unsigned char c : text) codes.push_back(c);
    return makeNumeric(mxCHAR_CLASS, codes, {1, text.size()});
}

Array makeCharCodes(const std::vector<uint16_t>& codes) {
    std::vector<double> v(codes.begin(), codes.end());
    return makeNumeric(mxCHAR_CLASS, v, {1, codes.size()});
}

Array makeEmpty(mxClassID cls, size_t rows, size_t cols) {
    return Array(newArray(cls, {rows, cols}, false));
}

Array makeCell(std::vector<Array> items) {
    mxArray* a = newArray(mxCELL_CLASS, {1, items.size()}, false);
    for (size_t i = 0; i < items.size(); ++i) a->cells[i] = items[i].release();
    return Array(a);
}

Array makeSparse(size_t rows, size_t cols, const std::vector<Triplet>& entries) {
    std::map<std::pair<size_t, size_t>, double> byColumn;  // (col, row) -> value
    for (const Triplet& t : entries) byColumn[{t.col, t.row}] += t.value;
    mxArray* a = new mxArray_tag;
    a->cls = mxDOUBLE_CLASS;
    a->dims = {rows, cols};
    a->sparse = true;
    a->elementSize = 8;
    a->jc.assign(cols + 1, 0);
    for (const auto& e : byColumn) {
        a->ir.push_back(e.first.second);
        size_t k = a->real.size();
        a->real.resize(k + 8);
        std::memcpy(a->real.data() + k, &e.second, 8);
        a->jc[e.first.first + 1]++;
    }
    for (size_t c = 0; c < cols; ++c) a->jc[c + 1] += a->jc[c];
    if (a->ir.empty()) {  // keep nzmax >= 1 as the hosts do
        a->ir.push_back(0);
        a->real.assign(8, 0);
    }
    if (g_callDepth > 0) callArrays().insert(a);
    return Array(a);
}

std::vector<size_t> dimsOf(const mxArray* a) { return std::vector<size_t>(a->dims.begin(), a->dims.end()); }

std::vector<double> valuesOf(const mxArray* a) {
    size_t n = a->sparse ? a->jc.back() : product(a->dims);
    std::vector<double> out(n);
    const unsigned char* p = a->real.data();
    for (size_t i = 0; i < n; ++i) {
        switch (a->cls) {
            case mxDOUBLE_CLASS: out[i] = reinterpret_cast<const double*>(p)[i]; break;
            case mxSINGLE_CLASS: out[i] = reinterpret_cast<const float*>(p)[i]; break;
            case mxINT8_CLASS: out[i] = reinterpret_cast<const int8_t*>(p)[i]; break;
            case mxUINT8_CLASS: out[i] = reinterpret_cast<const uint8_t*>(p)[i]; break;
            case mxINT16_CLASS: out[i] = reinterpret_cast<const int16_t*>(p)[i]; break;
            case mxUINT16_CLASS: out[i] = reinterpret_cast<const uint16_t*>(p)[i]; break;
            case mxINT32_CLASS: out[i] = reinterpret_cast<const int32_t*>(p)[i]; break;
            case mxUINT32_CLASS: out[i] = reinterpret_cast<const uint32_t*>(p)[i]; break;
            case mxINT64_CLASS: out[i] = static_cast<double>(reinterpret_cast<const int64_t*>(p)[i]); break;
            case mxUINT64_CLASS: out[i] = static_cast<double>(reinterpret_cast<const uint64_t*>(p)[i]); break;
            case mxLOGICAL_CLASS: out[i] = reinterpret_cast<const mxLogical*>(p)[i]; break;
            case mxCHAR_CLASS: out[i] = reinterpret_cast<const mxChar*>(p)[i]; break;
            default: out[i] = 0;
        }
    }
    return out;
}

namespace {

struct ScopeGuard {
    MexFunction previous;
    explicit ScopeGuard(MexFunction module) : previous(g_currentModule) {
        ++g_callDepth;
        g_currentModule = module;
    }
    ~ScopeGuard() {
        --g_callDepth;
        g_currentModule = previous;
        if (g_callDepth == 0) freeCallScope();
    }
};

}  // namespace

CallResult call(MexFunction fn, int nlhs, const std::vector<const mxArray*>& inputs) {
    CallResult result;
    std::vector<mxArray*> plhs(static_cast<size_t>(std::max(nlhs, 1)), nullptr);
    {
        ScopeGuard scope(fn);
        try {
            fn(nlhs, plhs.data(), static_cast<int>(inputs.size()), const_cast<const mxArray**>(inputs.data()));
            result.ok = true;
            for (mxArray* out : plhs) {
                if (out) callArrays().erase(out);
                result.outputs.emplace_back(out);
            }
        } catch (const HostError& e) {
            result.id = e.id;
            result.message = e.message;
        }
    }
    return result;
}

CallResult capture(const std::function<void()>& body) {
    CallResult result;
    ScopeGuard scope(nullptr);
    try {
        body();
        result.ok = true;
    } catch (const HostError& e) {
        result.id = e.id;
        result.message = e.message;
    }
    return result;
}

size_t livePersistentBlocks() {
    size_t n = 0;
    for (const auto& b : blocks()) n += b.second.persistent;
    return n;
}

size_t livePersistentBytes() {
    size_t n = 0;
    for (const auto& b : blocks())
        if (b.second.persistent) n += b.second.size;
    return n;
}

size_t liveCallBlocks() {
    size_t n = 0;
    for (const auto& b : blocks()) n += !b.second.persistent;
    return n;
}

size_t badFrees() { return g_badFrees; }
void setOddAddresses(bool on) { g_odd = on; }
void failAllocationsAfter(long n) { g_failAfter = n; }
long allocationCount() { return g_allocations; }

void clearModule(MexFunction fn) {
    auto& handlers = exitHandlers();
    for (size_t i = 0; i < handlers.size(); ++i) {
        if (handlers[i].first == fn) {
            void (*handler)(void) = handlers[i].second;
            handlers.erase(handlers.begin() + static_cast<long>(i));
            ScopeGuard scope(fn);
            handler();
            return;
        }
    }
}

void clearAll() {
    while (!exitHandlers().empty()) clearModule(exitHandlers().front().first);
}

std::string takePrinted() {
    std::string out;
    out.swap(g_printed);
    return out;
}

}  // namespace testhost

using namespace testhost;

// ---- the MEX interface ----

extern "C" {

void mexErrMsgTxt(const char* message) { throw HostError{"", message ? message : ""}; }

void mexErrMsgIdAndTxt(const char* id, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string message = format(fmt, args);
    va_end(args);
    throw HostError{id ? id : "", message};
}

void mexWarnMsgTxt(const char* message) { g_printed += std::string("Warning: ") + message + "\n"; }

void mexWarnMsgIdAndTxt(const char* id, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    g_printed += "Warning (" + std::string(id) + "): " + format(fmt, args) + "\n";
    va_end(args);
}

int mexPrintf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = format(fmt, args);
    va_end(args);
    g_printed += text;
    return static_cast<int>(text.size());
}

int mexAtExit(void (*handler)(void)) {
    auto& handlers = exitHandlers();
    for (auto& h : handlers) {
        if (h.first == g_currentModule) {
            h.second = handler;
            return 0;
        }
    }
    handlers.emplace_back(g_currentModule, handler);
    return 0;
}

void* mxMalloc(size_t n) {
    ++g_allocations;
    if (g_failAfter == 0) return nullptr;
    if (g_failAfter > 0) --g_failAfter;
    void* raw = std::malloc(n + 2);
    if (!raw) return nullptr;
    std::memset(raw, 0xCD, n + 2);
    void* p = g_odd ? static_cast<char*>(raw) + 1 : raw;
    blocks()[p] = Block{raw, n, false};
    return p;
}

void* mxCalloc(size_t n, size_t size) {
    void* p = mxMalloc(n * size);
    if (p) std::memset(p, 0, n * size);
    return p;
}

void* mxRealloc(void* p, size_t n) {
    if (!p) return mxMalloc(n);
    auto it = blocks().find(p);
    if (it == blocks().end()) {
        ++g_badFrees;
        return nullptr;
    }
    void* q = mxMalloc(n);
    if (!q) return nullptr;
    std::memcpy(q, p, std::min(n, it->second.size));
    bool persistent = it->second.persistent;
    mxFree(p);
    blocks()[q].persistent = persistent;
    return q;
}

void mxFree(void* p) {
    if (!p) return;
    auto it = blocks().find(p);
    if (it == blocks().end()) {
        ++g_badFrees;
        std::fprintf(stderr, "testhost: mxFree of an address the host did not hand out: %p\n", p);
        return;
    }
    std::free(it->second.raw);
    blocks().erase(it);
}

void mexMakeMemoryPersistent(void* p) {
    auto it = blocks().find(p);
    if (it != blocks().end()) it->second.persistent = true;
}

mxClassID mxGetClassID(const mxArray* a) { return a->cls; }
size_t mxGetNumberOfElements(const mxArray* a) { return product(a->dims); }
mwSize mxGetNumberOfDimensions(const mxArray* a) { return a->dims.size(); }
const mwSize* mxGetDimensions(const mxArray* a) { return a->dims.data(); }
size_t mxGetM(const mxArray* a) { return a->dims[0]; }

size_t mxGetN(const mxArray* a) {
    size_t n = 1;
    for (size_t i = 1; i < a->dims.size(); ++i) n *= a->dims[i];
    return n;
}

void* mxGetData(const mxArray* a) {
    if (a->cls == mxCELL_CLASS) return const_cast<mxArray**>(a->cells.data());
    return a->real.empty() ? nullptr : const_cast<unsigned char*>(a->real.data());
}

double* mxGetPr(const mxArray* a) { return static_cast<double*>(mxGetData(a)); }
void* mxGetImagData(const mxArray* a) {
    return a->imag.empty() ? nullptr : const_cast<unsigned char*>(a->imag.data());
}
double* mxGetPi(const mxArray* a) { return static_cast<double*>(mxGetImagData(a)); }
mxLogical* mxGetLogicals(const mxArray* a) { return static_cast<mxLogical*>(mxGetData(a)); }
mxChar* mxGetChars(const mxArray* a) { return static_cast<mxChar*>(mxGetData(a)); }
bool mxIsComplex(const mxArray* a) { return a->complex; }
bool mxIsSparse(const mxArray* a) { return a->sparse; }
bool mxIsChar(const mxArray* a) { return a->cls == mxCHAR_CLASS; }
bool mxIsLogical(const mxArray* a) { return a->cls == mxLOGICAL_CLASS; }
bool mxIsDouble(const mxArray* a) { return a->cls == mxDOUBLE_CLASS; }
bool mxIsSingle(const mxArray* a) { return a->cls == mxSINGLE_CLASS; }
bool mxIsNumeric(const mxArray* a) { return a->cls >= mxDOUBLE_CLASS && a->cls <= mxUINT64_CLASS; }
bool mxIsCell(const mxArray* a) { return a->cls == mxCELL_CLASS; }
bool mxIsEmpty(const mxArray* a) { return product(a->dims) == 0; }
mwIndex* mxGetIr(const mxArray* a) { return a->sparse ? const_cast<mwIndex*>(a->ir.data()) : nullptr; }
mwIndex* mxGetJc(const mxArray* a) { return a->sparse ? const_cast<mwIndex*>(a->jc.data()) : nullptr; }
mwSize mxGetNzmax(const mxArray* a) { return a->sparse ? a->ir.size() : product(a->dims); }

mxArray* mxGetCell(const mxArray* a, mwIndex i) {
    return (a->cls == mxCELL_CLASS && i < a->cells.size()) ? a->cells[i] : nullptr;
}

int mxGetString(const mxArray* a, char* buffer, mwSize size) {
    if (a->cls != mxCHAR_CLASS || size == 0) return 1;
    size_t n = product(a->dims);
    const mxChar* codes = reinterpret_cast<const mxChar*>(a->real.data());
    size_t k = std::min<size_t>(n, size - 1);
    for (size_t i = 0; i < k; ++i) buffer[i] = static_cast<char>(codes[i]);
    buffer[k] = 0;
    return n < size ? 0 : 1;
}

char* mxArrayToString(const mxArray* a) {
    if (a->cls != mxCHAR_CLASS) return nullptr;
    size_t n = product(a->dims);
    char* s = static_cast<char*>(mxMalloc(n + 1));
    if (!s) return nullptr;
    mxGetString(a, s, n + 1);
    return s;
}

mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID cls, mxComplexity complexity) {
    std::vector<mwSize> d(dims, dims + ndim);
    return newArray(cls, d, complexity == mxCOMPLEX);
}

mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID cls, mxComplexity complexity) {
    return newArray(cls, {m, n}, complexity == mxCOMPLEX);
}

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity) {
    return newArray(mxDOUBLE_CLASS, {m, n}, complexity == mxCOMPLEX);
}

mxArray* mxCreateDoubleScalar(double value) {
    mxArray* a = newArray(mxDOUBLE_CLASS, {1, 1}, false);
    std::memcpy(a->real.data(), &value, 8);
    return a;
}

mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) { return newArray(mxLOGICAL_CLASS, {m, n}, false); }

mxArray* mxCreateString(const char* text) {
    size_t n = std::strlen(text);
    mxArray* a = newArray(mxCHAR_CLASS, {1, n}, false);
    mxChar* codes = reinterpret_cast<mxChar*>(a->real.data());
    for (size_t i = 0; i < n; ++i) codes[i] = static_cast<unsigned char>(text[i]);
    return a;
}

mxArray* mxCreateCellMatrix(mwSize m, mwSize n) { return newArray(mxCELL_CLASS, {m, n}, false); }

void mxSetCell(mxArray* a, mwIndex i, mxArray* value) {
    if (a->cls != mxCELL_CLASS || i >= a->cells.size()) return;
    callArrays().erase(value);
    if (a->cells[i]) mxDestroyArray(a->cells[i]);
    a->cells[i] = value;
}

mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity) {
    mxArray* a = newArray(mxDOUBLE_CLASS, {0, 0}, complexity == mxCOMPLEX);
    a->dims = {m, n};
    a->sparse = true;
    if (nzmax == 0) nzmax = 1;
    a->ir.assign(nzmax, 0);
    a->jc.assign(n + 1, 0);
    a->real.assign(nzmax * 8, 0);
    if (a->complex) a->imag.assign(nzmax * 8, 0);
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (!a) return;
    callArrays().erase(a);
    for (mxArray* c : a->cells) mxDestroyArray(c);
    delete a;
}

}  // extern "C"
