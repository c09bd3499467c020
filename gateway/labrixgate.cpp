// labrixgate: the command gateway to Labrix optimizer objects.
//
// Usage (h is the 1-by-1 uint32 handle that labrixnew returns):
//   h = labrixgate(h, 's', labels)          SetLabels: int32 labels, N elements
//   [h, labels] = labrixgate(h, 'g')        GetLabels: int32, width-by-height
//                                           (1-by-N for a general graph)
//   [h, smooth, data] = labrixgate(h, 'n')  Energy: two 1-by-1 singles
//   [h, labels] = labrixgate(h, 'e', ...)   Expand (see the help text)
//   [h, labels] = labrixgate(h, 'a', ...)   swap (see the help text)
//   h = labrixgate(h, 'c')                  close: destroys the object, h = 0
// The mode may be given as a character or as any accepted numeric scalar
// whose low byte is the character code.
//
// Sections: argument count, handle, mode letter, the mode's handler, then
// the handle output, made after the handler has stored its own outputs.
#include "gateway/gateway.h"
#include "optimizer/handle_table.h"
#include "optimizer/lumora.h"
#include "optimizer/module_lifetime.h"

namespace {

Handler handlerFor(char mode) {
    switch (mode) {
        case 'a': return handleSwap;
        case 'e': return handleExpand;
        case 'g': return handleGetLabels;
        case 'n': return handleEnergy;
        case 's': return handleSetLabels;
        default: return nullptr;
    }
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    attachThisModule();
    if (nrhs < 2) mexErrMsgIdAndTxt("Labrix", "Too few input arguments");

    uint32_t handle = 0;
    Lumora* object = GetHandle(prhs[0], handle);
    char mode = 0;
    GetScalar(prhs[1], mode);

    if (mode == 'c') {
        // Surplus inputs and outputs are not refused: close only needs h.
        delete HandleTable::remove(handle);
        handle = 0;
    } else {
        Handler handler = handlerFor(mode);
        if (!handler) mexErrMsgIdAndTxt("Labrix:mode", "unrecognized mode");
        handler(*object, nlhs, plhs, nrhs, prhs);
    }

    mwSize dims[1] = {1};
    plhs[0] = mxCreateNumericArray(1, dims, mxUINT32_CLASS, mxREAL);
    *static_cast<uint32_t*>(mxGetData(plhs[0])) = handle;
}
