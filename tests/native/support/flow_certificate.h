// Test support for the max-flow engine: a recorder that mirrors every
// building call made on a FlowGraph, the certificate check of a solved graph
// against what was recorded, and a plain reference max-flow (BFS augmenting
// paths in double precision) that shares nothing with the engine.
#ifndef LABRIX_TESTS_FLOW_CERTIFICATE_H
#define LABRIX_TESTS_FLOW_CERTIFICATE_H

#include <gtest/gtest.h>

#include <vector>

#include "cutengine/flow_graph.h"

struct RecordedEdge {
    int from;
    int to;
    double forward;
    double backward;
};

// What a graph was asked to hold, in the test's own terms: per node the
// totals of the source and sink capacities given to addTerminalWeights.
struct FlowProblem {
    int num_nodes = 0;
    std::vector<double> source;
    std::vector<double> sink;
    std::vector<RecordedEdge> edges;

    int addNode();
    void addEdge(int from, int to, double forward, double backward);
    void addTerminal(int node, double s, double t);
    // Cost of a cut: source_side[n] true puts node n on the source side.
    double cutCost(const std::vector<bool>& source_side) const;
};

// Builds g from p (g must be empty); returns the node handles by index.
std::vector<FlowNode*> buildGraph(FlowGraph& g, const FlowProblem& p);

// The certificate of a solved graph: the residual capacities are a feasible
// flow of the recorded problem, the reported cut costs exactly `flow` (within
// tolerance), no residual arc crosses from the source side to the sink side,
// and the source side is exactly what the source reaches in the residual
// graph.
::testing::AssertionResult checkCertificate(const FlowGraph& g, const std::vector<FlowNode*>& nodes,
                                            const FlowProblem& p, double flow, double tolerance = 0);

// The runs of a solved graph's node, in slot order.
std::vector<FlowArc*> outArcs(const FlowNode* n);
std::vector<FlowArc*> inArcs(const FlowNode* n);

struct ReferenceResult {
    double value;
    std::vector<bool> source_side;  // reached from the source in the residual graph
};
ReferenceResult referenceMaxflow(const FlowProblem& p);

#endif
