// Reading one-element MATLAB arrays of any accepted numeric class into an
// integer: the mode letter (character form) and iteration counts and labels
// (int32 form). Both forms accept the same classes and differ only in how
// they narrow the value.
#include <cmath>
#include <cstdint>

#include "gateway/gateway.h"

namespace {

// Truncation toward zero to 64 bits; NaN, infinities and values whose
// truncation does not fit give 0.
int64_t truncateToInt64(double v) {
    if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
    return static_cast<int64_t>(v);
}

// The element's value as the conversion table reads it, with the class's own
// width: charCode is the raw character code; wide the value widened to 64
// bits with the class's sign. Returns false for a refused class.
bool readElement(const mxArray* array, uint32_t& charCode, int64_t& wide, bool& isChar) {
    const void* data = mxGetData(array);
    isChar = false;
    double real = 0;
    switch (mxGetClassID(array)) {
        case mxCHAR_CLASS:
            isChar = true;
            charCode = static_cast<uint32_t>(*static_cast<const mxChar*>(data));
            return true;
        case mxDOUBLE_CLASS:
            // A sparse scalar that holds zero stores no element at all.
            if (mxIsSparse(array)) real = mxGetJc(array)[1] > 0 ? *static_cast<const double*>(data) : 0.0;
            else real = *static_cast<const double*>(data);
            wide = truncateToInt64(real);
            return true;
        case mxSINGLE_CLASS:
            wide = truncateToInt64(*static_cast<const float*>(data));
            return true;
        case mxINT8_CLASS: wide = *static_cast<const int8_t*>(data); return true;
        case mxUINT8_CLASS: wide = *static_cast<const uint8_t*>(data); return true;
        case mxINT16_CLASS: wide = *static_cast<const int16_t*>(data); return true;
        case mxUINT16_CLASS: wide = *static_cast<const uint16_t*>(data); return true;
        case mxINT32_CLASS: wide = *static_cast<const int32_t*>(data); return true;
        case mxUINT32_CLASS: wide = static_cast<int32_t>(*static_cast<const uint32_t*>(data)); return true;
        default: return false;
    }
}

void readScalar(const mxArray* array, uint32_t& charCode, int64_t& wide, bool& isChar) {
    if (mxGetNumberOfElements(array) != 1) mexErrMsgIdAndTxt("Labrix:GetScalar", "input is not a scalar!");
    if (!readElement(array, charCode, wide, isChar))
        mexErrMsgIdAndTxt("Labrix:GetScalar", "unsupported data type");
}

}  // namespace

void GetScalar(const mxArray* array, char& out) {
    uint32_t code = 0;
    int64_t wide = 0;
    bool isChar = false;
    readScalar(array, code, wide, isChar);
    const uint8_t low = static_cast<uint8_t>(isChar ? code : static_cast<uint64_t>(wide));
    out = static_cast<char>(static_cast<int8_t>(low));
}

void GetScalar(const mxArray* array, int32_t& out) {
    uint32_t code = 0;
    int64_t wide = 0;
    bool isChar = false;
    readScalar(array, code, wide, isChar);
    if (isChar) out = static_cast<int8_t>(static_cast<uint8_t>(code));
    else out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}
