// Turning the handle array of a call into its live object. The checks run
// in a fixed order, so the first failing one is reported.
#include "gateway/gateway.h"
#include "optimizer/handle_table.h"
#include "optimizer/lumora.h"

Lumora* GetHandle(const mxArray* array, uint32_t& handle) {
    if (mxGetNumberOfElements(array) != 1) mexErrMsgIdAndTxt("Labrix:handle", "Too many LX handles");
    if (mxGetClassID(array) != mxUINT32_CLASS)
        mexErrMsgIdAndTxt("Labrix:handle", "LX handle argument is not of proper type");
    // A sparse array is never uint32, so the one element is in the data.
    handle = *static_cast<const uint32_t*>(mxGetData(array));
    Lumora* object = HandleTable::find(handle);
    if (!object || !object->isValid()) mexErrMsgIdAndTxt("Labrix:handle", "LX handle is not valid");
    return object;
}
