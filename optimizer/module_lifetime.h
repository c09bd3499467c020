// Attaching a MEX module to the shared handle table. Each module (labrixnew,
// labrixgate) attaches on its first call and registers an exit handler that
// detaches it when the host unloads the module; when the last module
// detaches, the table destroys every live object (see handle_table.h).
//
// The state is per module on purpose: it sits in an unnamed namespace, so
// each module's one translation unit that includes this header gets its own
// flag and handler, even though both modules share liblabrix.
#ifndef LABRIX_OPTIMIZER_MODULE_LIFETIME_H
#define LABRIX_OPTIMIZER_MODULE_LIFETIME_H

#include "mex.h"
#include "optimizer/handle_table.h"

namespace {

bool g_module_attached = false;

void detachThisModule() {
    g_module_attached = false;
    HandleTable::detachModule();
}

// Called first thing in the module's mexFunction.
void attachThisModule() {
    if (g_module_attached) return;
    g_module_attached = true;
    HandleTable::attachModule();
    mexAtExit(detachThisModule);
}

}  // namespace

#endif
