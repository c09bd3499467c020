// BinaryEnergy: minimizes a sum of unary and pairwise terms over variables
// that take the values 0 and 1, exactly, as one minimum cut of a FlowGraph.
//
// A variable is a graph node. Value 0 is the source side of the cut, value 1
// the sink side; a node's sink capacity is paid at value 0, its source
// capacity at value 1, and an arc pair addEdge(x, y, f, b) costs f at
// (x, y) = (0, 1) and b at (1, 0). A unary term becomes terminal capacities
// only; a pairwise term becomes terminal capacities plus one arc pair whose
// capacities are both nonnegative, which needs the term to be regular:
// E01 + E10 >= E00 + E11. Every constant part is folded into the graph's flow
// value, so minimize() returns the minimum of the whole sum. Each term costs
// O(1); the solve is one maxflow().
//
// Not supported: non-regular pairwise terms (reported through the error
// callback before anything changes), more than 1024 pairwise terms naming one
// variable first, or more than 1024 naming it second, terms after minimize().
// A variable that no search tree reaches (a tie) has value 1.
#ifndef LABRIX_CUTENGINE_ENERGY_H
#define LABRIX_CUTENGINE_ENERGY_H

#include "cutengine/flow_graph.h"

class BinaryEnergy : public FlowGraph {
public:
    typedef FlowGraph::NodeId Var;

    explicit BinaryEnergy(FlowErrorFn error_fn) : FlowGraph(error_fn), m_constant(0) {}

    Var addVariable() { return addNode(); }
    // E0 is the cost of x = 0, E1 the cost of x = 1.
    void addTerm1(Var x, EnergyValue e0, EnergyValue e1) { addTerminalWeights(x, e1, e0); }
    // Ekl is the cost of x = k, y = l.
    void addTerm2(Var x, Var y, EnergyValue e00, EnergyValue e01, EnergyValue e10, EnergyValue e11);
    EnergyValue minimize() { return maxflow() + m_constant; }
    int valueOf(Var x) const { return segmentOf(x) == SIDE_SOURCE ? 0 : 1; }

private:
    EnergyValue m_constant;
};

#endif
