// Fuzz target for the max-flow engine: random graphs with zero, tiny, equal
// and negative terminal capacities, nodes without arcs, parallel arcs, and
// now and then a hub node near the 1024-arcs-per-node limit. Every solved
// graph must carry its certificate (the flow equals the capacity of the
// reported cut, no residual arc leaves the source side, the source side is
// what the source reaches); every graph off the hub must also find
// the reference max-flow's value exactly (capacities are small integers or
// dyadic fractions, so every sum is exact). A hub past the limit must be
// refused through the error callback with the engine's message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cutengine/flow_graph.h"
#include "fuzz_input.h"
#include "host_call.h"
#include "support/flow_certificate.h"

namespace {

// Zero, small integers, or tiny dyadic fractions: every sum the solver
// forms stays exact in single precision, so the flow must equal the
// reference's to the bit.
double capacity(FuzzInput& r, bool integral) {
    const int k = r.below(16);
    if (k < 4) return 0;
    if (k < 13 || integral) return static_cast<double>(r.below(9));
    static const double tiny[] = {1.0 / 1024, 1.0 / 65536, 0.5, 0.25};
    return tiny[r.below(4)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput r(data, size);
    const bool integral = r.below(4) != 0;
    const bool hub = r.below(8) == 0;
    FlowProblem p;
    const int n = hub ? 1010 + r.below(30) : 1 + r.below(40);
    for (int v = 0; v < n; ++v) p.addNode();
    const int terminals = hub ? 20 : r.below(2 * n + 1);
    for (int k = 0; k < terminals; ++k) {
        const double s = capacity(r, integral), t = capacity(r, integral);
        const int sign = r.below(6) == 0 ? -1 : 1;  // negative weights fold into the constant
        p.addTerminal(r.below(n), sign * s, sign * t);
    }
    int hubOut = 0, hubIn = 0;
    if (hub) {
        // Node 0 joined to nearly every other node, out or in or both.
        const int mode = r.below(3);
        for (int v = 1; v < n; ++v) {
            if (mode != 1) {
                p.addEdge(0, v, 1 + r.below(3), r.below(2));
                ++hubOut;
            }
            if (mode != 0) {
                p.addEdge(v, 0, 1 + r.below(3), 0);
                ++hubIn;
            }
        }
    }
    const int edges = r.below(3 * n + 1);
    for (int k = 0; k < edges; ++k) {
        const int a = r.below(n), b = r.below(n);
        if (a == b) continue;  // the engine takes no edge from a node to itself
        p.addEdge(a, b, capacity(r, integral), capacity(r, integral));
    }

    std::vector<int> out(static_cast<size_t>(n), 0), in(static_cast<size_t>(n), 0);
    for (const RecordedEdge& e : p.edges) {
        ++out[static_cast<size_t>(e.from)];
        ++in[static_cast<size_t>(e.to)];
    }
    bool overLimit = false;
    for (int v = 0; v < n; ++v) overLimit = overLimit || out[static_cast<size_t>(v)] > 1024 || in[static_cast<size_t>(v)] > 1024;

    double flow = 0;
    std::string certificate;
    testhost::CallResult result = testhost::capture([&] {
        FlowGraph* g = new FlowGraph(mexErrMsgTxt);
        std::vector<FlowNode*> nodes = buildGraph(*g, p);
        flow = g->maxflow();
        ::testing::AssertionResult ok = checkCertificate(*g, nodes, p, flow);
        if (!ok) certificate = ok.message();
        delete g;
    });
    if (testhost::liveCallBlocks() != 0) violated("graph memory survived the call");
    if (overLimit) {
        if (result.ok || result.message != "# of arcs per node exceeds block size!")
            violated("a node past the arc limit was not refused: " + result.message);
        return 0;
    }
    if (!result.ok) violated("solve failed: " + result.message);
    if (!certificate.empty()) violated("certificate: " + certificate);
    if (!hub) {
        const ReferenceResult ref = referenceMaxflow(p);
        if (flow != ref.value) violated("flow " + std::to_string(flow) + ", reference " + std::to_string(ref.value));
    }
    return 0;
}
