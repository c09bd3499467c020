// labrixnew: builds a Labrix optimizer object and returns its handle.
//
// Usage (D and S real single or double; costs become 32-bit floats):
//   h = labrixnew(D, S)           grid: D is L-by-W-by-H (L-by-W: height 1),
//                                 D(l+1, x+1, y+1) = cost of label l at (x, y)
//   h = labrixnew(D, S, HW, VW)   weighted grid: HW, VW are W-by-H; HW(x+1, y+1)
//                                 weighs (x, y)-(x+1, y), VW(x+1, y+1) weighs
//                                 (x, y)-(x, y+1)
//   h = labrixnew(D, S, G)        general graph of N = size(D, 2) pixels; G is
//                                 N-by-N (sparse or full): each pair i < j with
//                                 G(i, j) or G(j, i) nonzero is one pair
//   ... , 'Labels', labels        initial labelling, N integers 0..L-1
//   ... , 'RandomOrder', flag     shuffle the label order every pass (default)
// S is L-by-L: S(a+1, b+1) is the cost of a pair whose first pixel has label
// a and second pixel label b. Pixel (x, y) has index x + y * W.
//
// Sections: argument split, checks (every array is read and checked before
// any object exists), building, the handle output. A refused call allocates
// nothing persistent; a build that fails part-way releases the object.
#include <cstring>

#include "creator/creator_inputs.h"
#include "optimizer/handle_table.h"
#include "optimizer/lumora.h"
#include "optimizer/module_lifetime.h"

namespace {

struct Options {
    const mxArray* labels = nullptr;
    bool randomOrder = true;
};

bool optionNameIs(const char* name, const char* expected) {
    for (; *name && *expected; ++name, ++expected) {
        char c = *name;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        char e = *expected;
        if (e >= 'A' && e <= 'Z') e = static_cast<char>(e - 'A' + 'a');
        if (c != e) return false;
    }
    return *name == 0 && *expected == 0;
}

Options readOptions(int first, int nrhs, const mxArray* prhs[]) {
    Options options;
    for (int k = first; k < nrhs; k += 2) {
        if (!mxIsChar(prhs[k])) refuse("argument %d: expected an option name ('Labels' or 'RandomOrder')", k + 1);
        char name[32];
        const size_t length = static_cast<size_t>(mxGetNumberOfElements(prhs[k]));
        if (length >= sizeof name) refuse("unknown option (the options are 'Labels' and 'RandomOrder')");
        mxGetString(prhs[k], name, sizeof name);
        const bool isLabels = optionNameIs(name, "Labels");
        if (!isLabels && !optionNameIs(name, "RandomOrder"))
            refuse("unknown option '%s' (the options are 'Labels' and 'RandomOrder')", name);
        if (k + 1 >= nrhs) refuse("option '%s' has no value", name);
        if (isLabels) options.labels = prhs[k + 1];
        else options.randomOrder = readFlag(prhs[k + 1], "RandomOrder");
    }
    return options;
}

}  // namespace

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    attachThisModule();
    if (nlhs > 1) refuse("labrixnew returns one output, the handle");

    // Positional arguments run up to the first option name.
    int positional = 0;
    while (positional < nrhs && !mxIsChar(prhs[positional])) ++positional;
    if (positional != 2 && positional != 3 && positional != 4)
        refuse("expected labrixnew(D, S), labrixnew(D, S, G) or labrixnew(D, S, HW, VW), then options "
               "(got %d array arguments)",
               positional);
    const bool generalGraph = positional == 3;
    const bool weighted = positional == 4;

    const ProblemShape shape = readShape(prhs[0], generalGraph);
    const size_t L = static_cast<size_t>(shape.labels);
    const size_t N = static_cast<size_t>(shape.pixels);
    if (N != 0 && L > SIZE_MAX / 4 / N) refuse("D is too large");
    const float* data = readCostArray(prhs[0], "D", L * N);
    const mxArray* S = prhs[1];
    if (mxGetNumberOfDimensions(S) != 2 || static_cast<size_t>(mxGetM(S)) != L ||
        static_cast<size_t>(mxGetN(S)) != L)
        refuse("S must be L-by-L = %d-by-%d, with L = size(D, 1) (got %zu-by-%zu)", shape.labels, shape.labels,
               static_cast<size_t>(mxGetM(S)), static_cast<size_t>(mxGetN(S)));
    const float* smooth = readCostArray(S, "S", L * L, L);
    const float* horz = weighted ? readWeightArray(prhs[2], "HW", shape.width, shape.height) : nullptr;
    const float* vert = weighted ? readWeightArray(prhs[3], "VW", shape.width, shape.height) : nullptr;
    size_t pairCount = 0;
    const GraphPair* pairs = generalGraph ? readGraph(prhs[2], shape.pixels, pairCount) : nullptr;
    const Options options = readOptions(positional, nrhs, prhs);
    const int32_t* labels = options.labels ? readLabels(options.labels, shape.pixels, shape.labels) : nullptr;

    // Building. Every check above has passed, so what can still fail is the
    // host refusing memory: the object is then released before the error
    // goes on to the host.
    Lumora* object = generalGraph ? new Lumora(shape.pixels, shape.labels, 1, 1)
                                  : new Lumora(shape.width, shape.height, shape.labels, 1, 1);
    if (!object) refuse("Not enough memory for the optimizer object");
    uint32_t handle = 0;
    try {
        object->setData(data);
        if (weighted) object->setSmoothness(smooth, horz, vert);
        else object->setSmoothness(smooth);
        for (size_t k = 0; k < pairCount; ++k) object->setNeighbors(pairs[k].a, pairs[k].b, pairs[k].weight);
        if (labels) object->setAllLabels(labels);
        object->setRandomLabelOrder(options.randomOrder);
        handle = HandleTable::add(object);
        if (handle == 0) refuse("too many live objects (%u); close some with labrixgate(h, 'c')", HandleTable::kSlots);
    } catch (...) {
        // Only the host's own error unwinds to here; it goes on unchanged.
        delete object;
        throw;
    }

    mwSize dims[1] = {1};
    plhs[0] = mxCreateNumericArray(1, dims, mxUINT32_CLASS, mxREAL);
    *static_cast<uint32_t*>(mxGetData(plhs[0])) = handle;
}
