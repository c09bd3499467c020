// The test host's MEX interface: the subset of the MATLAB external interface
// that Labrix uses, implemented by testhost/mex_host.cpp so that the modules
// can be built and exercised natively (GoogleTest, sanitizers, valgrind,
// fuzzers) without MATLAB or Octave.
//
// It mirrors the hosts where they differ in ways our code must survive:
// mwSize is unsigned (as in MATLAB; Octave's is signed), mxChar is 16 bits
// (as in MATLAB; Octave's is 8), and the error functions never return (they
// throw a testhost::HostError that testhost::call turns into a result).
// Memory from mxMalloc is call-scoped unless made persistent, as on the real
// hosts; see testhost/host_call.h for the counters tests read.
#ifndef LABRIX_TESTHOST_MEX_H
#define LABRIX_TESTHOST_MEX_H

#include <cstddef>
#include <cstdint>

typedef size_t mwSize;
typedef size_t mwIndex;
typedef ptrdiff_t mwSignedIndex;
typedef char16_t mxChar;
typedef bool mxLogical;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS = 1,
    mxSTRUCT_CLASS = 2,
    mxLOGICAL_CLASS = 3,
    mxCHAR_CLASS = 4,
    mxVOID_CLASS = 5,
    mxDOUBLE_CLASS = 6,
    mxSINGLE_CLASS = 7,
    mxINT8_CLASS = 8,
    mxUINT8_CLASS = 9,
    mxINT16_CLASS = 10,
    mxUINT16_CLASS = 11,
    mxINT32_CLASS = 12,
    mxUINT32_CLASS = 13,
    mxINT64_CLASS = 14,
    mxUINT64_CLASS = 15,
    mxFUNCTION_CLASS = 16
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

struct mxArray_tag;
typedef struct mxArray_tag mxArray;

extern "C" {

// Each module defines this entry; the native build renames it per module.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// Errors and output.
void mexErrMsgTxt(const char* message);
void mexErrMsgIdAndTxt(const char* id, const char* format, ...);
void mexWarnMsgTxt(const char* message);
void mexWarnMsgIdAndTxt(const char* id, const char* format, ...);
int mexPrintf(const char* format, ...);
int mexAtExit(void (*handler)(void));

// Memory.
void* mxMalloc(size_t n);
void* mxCalloc(size_t n, size_t size);
void* mxRealloc(void* p, size_t n);
void mxFree(void* p);
void mexMakeMemoryPersistent(void* p);

// Array queries.
mxClassID mxGetClassID(const mxArray* a);
size_t mxGetNumberOfElements(const mxArray* a);
mwSize mxGetNumberOfDimensions(const mxArray* a);
const mwSize* mxGetDimensions(const mxArray* a);
size_t mxGetM(const mxArray* a);
size_t mxGetN(const mxArray* a);
void* mxGetData(const mxArray* a);
double* mxGetPr(const mxArray* a);
void* mxGetImagData(const mxArray* a);
double* mxGetPi(const mxArray* a);
mxLogical* mxGetLogicals(const mxArray* a);
mxChar* mxGetChars(const mxArray* a);
bool mxIsComplex(const mxArray* a);
bool mxIsSparse(const mxArray* a);
bool mxIsChar(const mxArray* a);
bool mxIsLogical(const mxArray* a);
bool mxIsDouble(const mxArray* a);
bool mxIsSingle(const mxArray* a);
bool mxIsNumeric(const mxArray* a);
bool mxIsCell(const mxArray* a);
bool mxIsEmpty(const mxArray* a);
mwIndex* mxGetIr(const mxArray* a);
mwIndex* mxGetJc(const mxArray* a);
mwSize mxGetNzmax(const mxArray* a);
mxArray* mxGetCell(const mxArray* a, mwIndex i);
int mxGetString(const mxArray* a, char* buffer, mwSize size);
char* mxArrayToString(const mxArray* a);

// Array construction.
mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID cls, mxComplexity complexity);
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID cls, mxComplexity complexity);
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
mxArray* mxCreateString(const char* text);
mxArray* mxCreateCellMatrix(mwSize m, mwSize n);
void mxSetCell(mxArray* a, mwIndex i, mxArray* value);
mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity);
void mxDestroyArray(mxArray* a);

}  // extern "C"

#endif
