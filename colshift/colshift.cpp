// colshift: circular shift of every column of a matrix by a multiple of a step.
//
// Usage (from MATLAB or Octave):
//   y = colshift(x, type, step, 'per')
//     x     double array (real or complex; only the real part is read), taken
//           as M rows by N columns, N being the product of every dimension
//           after the first
//     type  1: column i (counted from 0) moves up by i*step rows
//           2: column i moves down by i*step rows
//     step  rows of shift added per column
//     'per' periodic extension, the only boundary mode
//   y is a new real M-by-N double matrix:
//     type 1: y(j, i) = x(mod(j + i*step, M), i)
//     type 2: y(j, i) = x(mod(j - i*step, M), i)   (rows and columns from 0)
//   mexVersion() returns the interface name of this build, "MATLAB R14 native".
//
// Only the first element of type and step is used. Both may be any non-empty
// real numeric array (double, single or an integer class); the value is
// converted to double and truncated toward zero. A type that is not 1 or 2
// after truncation (NaN and infinities included) is refused; a step that is
// NaN, infinite or outside the int32 range after truncation is refused rather
// than wrapped, since every processor used to convert it differently.
//
// The offset of column i is the product i*step in 32-bit two's complement: it
// wraps around for large steps. The product is taken in unsigned arithmetic,
// where wrapping is defined, and only then read back as a signed value.
#include "mex.h"

#include <cmath>
#include <cstdint>
#include <cstring>

extern "C" const char* mexVersion(void);

namespace {

const char* const kNotEnoughInput = "Not enough input for COLSHIFT!";
const char* const kBadX = "The first input (x) must be a full double array (real or complex)";
const char* const kBadTypeArray = "The second input (type) must be a non-empty real numeric array";
const char* const kBadType = "The second input (type) must be either 1 or 2";
const char* const kBadStepArray = "The third input (step) must be a non-empty real numeric array";
const char* const kBadStep = "The third input (step) must be a finite number within the int32 range";
const char* const kModeNotString = "EXTMOD arg must be a string";
const char* const kBadMode = "Invalid EXTMOD";

// Size of the mode buffer: mxGetString keeps at most 9 characters of the
// mode, so any mode of 10 characters or more is cut and cannot match.
const int kModeBufferSize = 10;

// True for the arrays whose first element firstValue can read: full, real,
// non-empty arrays of a numeric class. Logical and char arrays are not
// numbers to this command.
bool isRealNumericArray(const mxArray* a) {
    return mxIsNumeric(a) && !mxIsComplex(a) && !mxIsSparse(a) && mxGetNumberOfElements(a) > 0;
}

// The first element of an array accepted by isRealNumericArray, as a double.
// Each class is read with its own element type, so nothing beyond the first
// element is touched.
double firstValue(const mxArray* a) {
    const void* p = mxGetData(a);
    switch (mxGetClassID(a)) {
        case mxDOUBLE_CLASS: return *static_cast<const double*>(p);
        case mxSINGLE_CLASS: return *static_cast<const float*>(p);
        case mxINT8_CLASS: return *static_cast<const int8_t*>(p);
        case mxUINT8_CLASS: return *static_cast<const uint8_t*>(p);
        case mxINT16_CLASS: return *static_cast<const int16_t*>(p);
        case mxUINT16_CLASS: return *static_cast<const uint16_t*>(p);
        case mxINT32_CLASS: return *static_cast<const int32_t*>(p);
        case mxUINT32_CLASS: return *static_cast<const uint32_t*>(p);
        case mxINT64_CLASS: return static_cast<double>(*static_cast<const int64_t*>(p));
        case mxUINT64_CLASS: return static_cast<double>(*static_cast<const uint64_t*>(p));
        default: return NAN;  // not reached: isRealNumericArray admits these classes only
    }
}

// The two's-complement reading of a 32-bit pattern, spelled out because a
// plain conversion of values above INT32_MAX is implementation-defined
// before C++20.
int32_t toSigned32(uint32_t bits) {
    if (bits <= 0x7fffffffu) return static_cast<int32_t>(bits);
    return -static_cast<int32_t>(~bits) - 1;
}

// The first source row of column i: 0 <= result < rows. The offset is
// i*step (type 1) or -(i*step) (type 2), wrapped to 32 bits; one remainder
// per column brings it into the column. Only the low 32 bits of the column
// index matter to a product taken modulo 2^32, so narrowing it loses nothing.
size_t firstSourceRow(size_t column, uint32_t step, bool down, size_t rows) {
    uint32_t bits = static_cast<uint32_t>(column) * step;
    if (down) bits = 0u - bits;
    int64_t offset = toSigned32(bits);
    int64_t r = offset % static_cast<int64_t>(rows);  // truncated: sign of offset
    if (r < 0) r += static_cast<int64_t>(rows);
    return static_cast<size_t>(r);
}

}  // namespace

extern "C" const char* mexVersion(void) { return "MATLAB R14 native"; }

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    (void)nlhs;  // the result is stored whatever count was asked for

    // ---- argument checks ----
    if (nrhs < 4) mexErrMsgTxt(kNotEnoughInput);

    const mxArray* x = prhs[0];
    if (!mxIsDouble(x) || mxIsSparse(x)) mexErrMsgTxt(kBadX);
    const size_t rows = static_cast<size_t>(mxGetM(x));
    const size_t columns = static_cast<size_t>(mxGetN(x));

    if (!isRealNumericArray(prhs[1])) mexErrMsgTxt(kBadTypeArray);
    const double type = std::trunc(firstValue(prhs[1]));
    if (!(type == 1.0 || type == 2.0)) mexErrMsgTxt(kBadType);  // NaN fails both
    const bool down = type == 2.0;

    if (!isRealNumericArray(prhs[2])) mexErrMsgTxt(kBadStepArray);
    const double stepValue = std::trunc(firstValue(prhs[2]));
    if (!(stepValue >= -2147483648.0 && stepValue <= 2147483647.0)) mexErrMsgTxt(kBadStep);
    const int32_t step = static_cast<int32_t>(stepValue);

    if (!mxIsChar(prhs[3])) mexErrMsgTxt(kModeNotString);
    // Zeroed first, so that a host that leaves the buffer untouched cannot
    // make stale bytes match.
    char mode[kModeBufferSize] = {0};
    mxGetString(prhs[3], mode, kModeBufferSize);

    // The result exists before the mode is judged: a refused mode leaves it
    // stored as the first output, for the host to free.
    mxArray* out = mxCreateDoubleMatrix(rows, columns, mxREAL);
    plhs[0] = out;

    // "per" and its terminating zero, so "per " and "perx" fail too.
    if (std::memcmp(mode, "per", 4) != 0) mexErrMsgTxt(kBadMode);

    // ---- work ----
    // No rows: nothing to copy, and no remainder by zero may be taken.
    if (rows == 0 || columns == 0) return;
    const double* source = mxGetPr(x);
    double* target = mxGetPr(out);
    const uint32_t stepBits = static_cast<uint32_t>(step);
    for (size_t i = 0; i < columns; ++i) {
        const size_t r = firstSourceRow(i, stepBits, down, rows);
        const double* column = source + i * rows;
        double* result = target + i * rows;
        // Rows r..M-1 then 0..r-1 of the source column: two block copies
        // write every element once.
        std::memcpy(result, column + r, (rows - r) * sizeof(double));
        std::memcpy(result + (rows - r), column, r * sizeof(double));
    }

    // ---- outputs ----
    // plhs[0] was stored above, before the mode test.
}
