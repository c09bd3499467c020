// The handlers of the optimizing modes: Expand (e) and swap (a).
//
// Usage (h the handle, f = labrixgate):
//   [h, labels] = f(h, 'e')                        expansion to convergence
//   [h, labels] = f(h, 'e', n)                     at most n passes (n = 1: one pass)
//   [h, labels] = f(h, 'e', [], label)             one expansion move on label
//   [h, labels] = f(h, 'e', [], label, indices)    the move on the listed pixels
//                                                  only (int32, 0-based)
//   [h, labels] = f(h, 'a')                        swap to convergence
//   [h, labels] = f(h, 'a', n)                     at most n passes (n = 1: one pass)
//   [h, labels] = f(h, 'a', label1, label2)        one swap move, label1 as alpha
// The labels output is optional. The output count is checked after the
// operation has run, so a call asking for too many outputs still changes
// the labelling before it fails.
#include "gateway/gateway.h"
#include "optimizer/lumora.h"

namespace {

// The output rule shared by both modes, applied after the operation.
void storeLabelsOutput(const char* id, const Lumora& object, int nlhs, mxArray* plhs[]) {
    if (nlhs > 2) mexErrMsgIdAndTxt(id, "too many output arguments");
    if (nlhs == 2) plhs[1] = makeLabelOutput(object);
}

}  // namespace

void handleExpand(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const char* id = "Labrix:Expand";
    if (nrhs > 5) mexErrMsgIdAndTxt(id, "Too many input arguments");
    if (nrhs == 2) {
        object.expansion();
    } else if (nrhs == 3) {
        int32_t n = 0;
        GetScalar(prhs[2], n);
        if (n == 1) object.expansionPass();
        else object.expansion(n);
    } else {
        const int32_t* indices = nullptr;
        int32_t count = 0;
        if (nrhs == 5) {
            if (mxGetClassID(prhs[4]) != mxINT32_CLASS) mexErrMsgIdAndTxt(id, "indices must be int32");
            const size_t elements = mxGetNumberOfElements(prhs[4]);
            if (elements > static_cast<size_t>(object.numPixels())) mexErrMsgIdAndTxt(id, "too many indices");
            count = static_cast<int32_t>(elements);
            indices = static_cast<const int32_t*>(mxGetData(prhs[4]));
        }
        if (mxGetNumberOfElements(prhs[2]) > 0) mexErrMsgIdAndTxt(id, "third argument must empty");
        int32_t label = 0;
        GetScalar(prhs[3], label);
        if (indices) object.expandOnLabelAt(label, indices, count);
        else object.expandOnLabel(label);
    }
    storeLabelsOutput(id, object, nlhs, plhs);
}

void handleSwap(Lumora& object, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const char* id = "Labrix:swap";
    if (nrhs > 4) mexErrMsgIdAndTxt(id, "Too many input arguments");
    if (nrhs == 2) {
        object.swap();
    } else if (nrhs == 3) {
        int32_t n = 0;
        GetScalar(prhs[2], n);
        if (n == 1) object.swapPass();
        else object.swap(n);
    } else {
        int32_t labels[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            GetScalar(prhs[2 + k], labels[k]);
            if (labels[k] < 0 || labels[k] >= object.numLabels()) mexErrMsgIdAndTxt(id, "invalid label value");
        }
        object.swapLabels(labels[0], labels[1]);
    }
    storeLabelsOutput(id, object, nlhs, plhs);
}
