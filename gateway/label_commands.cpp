// The handlers that read or write the labelling and the energies without
// optimizing: SetLabels (s), GetLabels (g) and Energy (n), and the label
// output that the move commands return as well.
#include "gateway/gateway.h"
#include "optimizer/lumora.h"

mxArray* makeLabelOutput(const Lumora& object) {
    // Rows are the grid width (1 for a general graph); a grid of width 0 has
    // no pixels and gets a 0-by-0 array instead of a division by zero.
    const int32_t rows = object.labelRows();
    const int32_t cols = rows > 0 ? object.numPixels() / rows : 0;
    mwSize dims[2] = {static_cast<mwSize>(rows), static_cast<mwSize>(cols)};
    mxArray* out = mxCreateNumericArray(2, dims, mxINT32_CLASS, mxREAL);
    if (object.numPixels() > 0) object.exportLabels(static_cast<int32_t*>(mxGetData(out)));
    return out;
}

namespace {

mxArray* makeEnergyOutput(EnergyValue value) {
    mwSize dims[1] = {1};
    mxArray* out = mxCreateNumericArray(1, dims, mxSINGLE_CLASS, mxREAL);
    *static_cast<float*>(mxGetData(out)) = value;
    return out;
}

}  // namespace

void handleSetLabels(Lumora& object, int nlhs, mxArray*[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3) mexErrMsgIdAndTxt("Labrix:SetLabels", "Wrong number of input arguments");
    if (mxGetClassID(prhs[2]) != mxINT32_CLASS) mexErrMsgIdAndTxt("Labrix:SetLabels", "labels array not int32");
    if (mxGetNumberOfElements(prhs[2]) != static_cast<size_t>(object.numPixels()))
        mexErrMsgIdAndTxt("Labrix:SetLabels", "wrong number of elements in labels array");
    if (nlhs != 1) mexErrMsgIdAndTxt("Labrix:SetLabels", "wrong number of output parameters");
    if (object.numPixels() > 0) object.setAllLabels(static_cast<const int32_t*>(mxGetData(prhs[2])));
}

void handleGetLabels(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray*[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt("Labrix:GetLabels", "Wrong number of input arguments");
    if (nlhs != 2) mexErrMsgIdAndTxt("Labrix:GetLabels", "Wrong number of output arguments");
    plhs[1] = makeLabelOutput(object);
}

void handleEnergy(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray*[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt("Labrix:Energy", "Too many input arguments");
    if (nlhs != 3) mexErrMsgIdAndTxt("Labrix:Energy", "wrong number of output arguments");
    // The smoothness energy first: with neither cost set, its message wins.
    const EnergyValue smoothness = object.smoothnessEnergy();
    const EnergyValue data = object.dataEnergy();
    plhs[1] = makeEnergyOutput(smoothness);
    plhs[2] = makeEnergyOutput(data);
}
