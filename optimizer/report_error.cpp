#include "optimizer/report_error.h"

#include "mex.h"

void reportError(bool condition, const char* message) {
    if (condition) mexErrMsgIdAndTxt("Labrix:internal_error", "\nLumora error: %s\n", message);
}

void reportFlowError(const char* message) { mexErrMsgIdAndTxt("Labrix:maxflow", "%s", message); }
