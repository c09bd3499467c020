// Shared declarations of the labrixgate gateway: scalar and handle reading,
// the label output, and the handlers of the modes. Every handler is called as
// handler(object, nlhs, plhs, nrhs, prhs) with the call's own arguments; it
// reads its arguments from prhs[2] on, stores its results from plhs[1] on,
// and leaves plhs[0] (the handle) to the entry. Every failure ends the call
// through mexErrMsgIdAndTxt and leaves the object usable.
#ifndef LABRIX_GATEWAY_GATEWAY_H
#define LABRIX_GATEWAY_GATEWAY_H

#include <cstdint>

#include "mex.h"

class Lumora;

// One-element array of class char, double, single, int8..uint32 to an
// integer ("Labrix:GetScalar" errors otherwise). The character form keeps
// the low 8 bits as a signed character, the int32 form the low 32 bits.
void GetScalar(const mxArray* array, char& out);
void GetScalar(const mxArray* array, int32_t& out);

// The live object a handle array names ("Labrix:handle" errors otherwise);
// stores the handle value in handle.
Lumora* GetHandle(const mxArray* array, uint32_t& handle);

// The labelling as a real int32 array of labelRows() by N / labelRows().
mxArray* makeLabelOutput(const Lumora& object);

typedef void (*Handler)(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleSetLabels(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleGetLabels(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleEnergy(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleExpand(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleSwap(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

#endif
