#include "flow_certificate.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <sstream>
#include <unordered_map>
#include <utility>

int FlowProblem::addNode() {
    source.push_back(0);
    sink.push_back(0);
    return num_nodes++;
}

void FlowProblem::addEdge(int from, int to, double forward, double backward) {
    edges.push_back(RecordedEdge{from, to, forward, backward});
}

void FlowProblem::addTerminal(int node, double s, double t) {
    source[node] += s;
    sink[node] += t;
}

double FlowProblem::cutCost(const std::vector<bool>& source_side) const {
    double cost = 0;
    for (int n = 0; n < num_nodes; ++n) cost += source_side[n] ? sink[n] : source[n];
    for (const RecordedEdge& e : edges) {
        if (source_side[e.from] && !source_side[e.to]) cost += e.forward;
        if (!source_side[e.from] && source_side[e.to]) cost += e.backward;
    }
    return cost;
}

std::vector<FlowNode*> buildGraph(FlowGraph& g, const FlowProblem& p) {
    std::vector<FlowNode*> nodes;
    for (int n = 0; n < p.num_nodes; ++n) nodes.push_back(g.addNode());
    for (int n = 0; n < p.num_nodes; ++n)
        if (p.source[n] != 0 || p.sink[n] != 0)
            g.addTerminalWeights(nodes[n], static_cast<EnergyValue>(p.source[n]), static_cast<EnergyValue>(p.sink[n]));
    for (const RecordedEdge& e : p.edges)
        g.addEdge(nodes[e.from], nodes[e.to], static_cast<EnergyValue>(e.forward), static_cast<EnergyValue>(e.backward));
    return nodes;
}

std::vector<FlowArc*> outArcs(const FlowNode* n) {
    std::vector<FlowArc*> arcs;
    uintptr_t end = FlowGraph::outEnd(n);
    for (FlowArc* a = FlowGraph::outBegin(n); reinterpret_cast<uintptr_t>(a) < end; ++a) arcs.push_back(a);
    return arcs;
}

std::vector<FlowArc*> inArcs(const FlowNode* n) {
    std::vector<FlowArc*> arcs;
    uintptr_t end = FlowGraph::inEnd(n);
    for (InArcRef* r = FlowGraph::inBegin(n); reinterpret_cast<uintptr_t>(r) < end; ++r)
        arcs.push_back(reinterpret_cast<FlowArc*>(*r));
    return arcs;
}

namespace {

bool close(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance * (1 + std::fabs(a) + std::fabs(b)); }

}  // namespace

::testing::AssertionResult checkCertificate(const FlowGraph& g, const std::vector<FlowNode*>& nodes,
                                            const FlowProblem& p, double flow, double tolerance) {
    std::unordered_map<const FlowNode*, int> index;
    for (int n = 0; n < p.num_nodes; ++n) index[nodes[n]] = n;
    std::vector<bool> source_side(p.num_nodes);
    for (int n = 0; n < p.num_nodes; ++n) source_side[n] = g.segmentOf(nodes[n]) == SIDE_SOURCE;

    // The cut's cost from the recorded capacities.
    double cut = p.cutCost(source_side);
    if (!close(cut, flow, tolerance))
        return ::testing::AssertionFailure() << "flow " << flow << " but the reported cut costs " << cut;

    // Residual arcs as the engine holds them, grouped by ordered node pair.
    struct Residual {
        int tail;
        int head;
        double forward;
        double backward;
    };
    std::vector<Residual> residuals;
    for (int n = 0; n < p.num_nodes; ++n) {
        FlowNode* tail = nodes[n];
        uintptr_t end = FlowGraph::outEnd(tail);
        for (FlowArc* a = FlowGraph::outBegin(tail); reinterpret_cast<uintptr_t>(a) < end; ++a) {
            auto it = index.find(FlowGraph::headOf(tail, a));
            if (it == index.end()) return ::testing::AssertionFailure() << "an arc of node " << n << " leaves the graph";
            residuals.push_back(Residual{n, it->second, a->cap_forward, a->cap_backward});
        }
    }
    if (residuals.size() != p.edges.size())
        return ::testing::AssertionFailure() << residuals.size() << " arcs in the runs, " << p.edges.size() << " added";

    // Feasibility: every pair keeps its total capacity, residuals are
    // nonnegative, and every node conserves flow (terminal inflow = arc outflow).
    std::map<std::pair<int, int>, std::pair<double, double>> original, residual;
    for (const RecordedEdge& e : p.edges) {
        auto& o = original[{e.from, e.to}];
        o.first += e.forward;
        o.second += e.backward;
    }
    for (const Residual& r : residuals) {
        if (r.forward < 0 || r.backward < 0)
            return ::testing::AssertionFailure() << "negative residual on " << r.tail << "->" << r.head;
        auto& s = residual[{r.tail, r.head}];
        s.first += r.forward;
        s.second += r.backward;
    }
    std::vector<double> net_out(p.num_nodes, 0);
    for (const auto& o : original) {
        auto it = residual.find(o.first);
        if (it == residual.end())
            return ::testing::AssertionFailure() << "pair " << o.first.first << "->" << o.first.second << " lost";
        double before = o.second.first + o.second.second;
        double after = it->second.first + it->second.second;
        if (!close(before, after, tolerance))
            return ::testing::AssertionFailure() << "pair " << o.first.first << "->" << o.first.second
                                                 << " holds " << after << " instead of " << before;
        double pushed = o.second.first - it->second.first;
        net_out[o.first.first] += pushed;
        net_out[o.first.second] -= pushed;
    }
    std::vector<double> residual_terminal(p.num_nodes);
    for (int n = 0; n < p.num_nodes; ++n) {
        residual_terminal[n] = FlowGraph::terminalResidual(nodes[n]);
        double inflow = (p.source[n] - p.sink[n]) - residual_terminal[n];
        // The engine folds the common part: what is left must keep its sign
        // toward one terminal, so the terminal flow is bounded by it.
        double net = p.source[n] - p.sink[n];
        if ((net > 0 && (residual_terminal[n] < 0 || residual_terminal[n] > net)) ||
            (net < 0 && (residual_terminal[n] > 0 || residual_terminal[n] < net)) ||
            (net == 0 && residual_terminal[n] != 0))
            return ::testing::AssertionFailure() << "node " << n << " terminal residual " << residual_terminal[n]
                                                 << " outside [0, " << net << "]";
        if (!close(inflow, net_out[n], tolerance))
            return ::testing::AssertionFailure() << "node " << n << " takes " << inflow << " from the terminals but sends "
                                                 << net_out[n];
    }

    // The source side is exactly what the source reaches over residual capacity.
    std::vector<std::vector<int>> adjacency(p.num_nodes);
    for (const Residual& r : residuals) {
        if (r.forward > 0) adjacency[r.tail].push_back(r.head);
        if (r.backward > 0) adjacency[r.head].push_back(r.tail);
    }
    std::vector<bool> reached(p.num_nodes, false);
    std::deque<int> queue;
    for (int n = 0; n < p.num_nodes; ++n)
        if (residual_terminal[n] > 0) {
            reached[n] = true;
            queue.push_back(n);
        }
    while (!queue.empty()) {
        int u = queue.front();
        queue.pop_front();
        for (int v : adjacency[u])
            if (!reached[v]) {
                reached[v] = true;
                queue.push_back(v);
            }
    }
    for (int n = 0; n < p.num_nodes; ++n) {
        if (reached[n] != source_side[n])
            return ::testing::AssertionFailure() << "node " << n << (source_side[n] ? " is" : " is not")
                                                 << " on the source side but "
                                                 << (reached[n] ? "is" : "is not") << " reached from the source";
        if (reached[n] && residual_terminal[n] < 0)
            return ::testing::AssertionFailure() << "source-side node " << n << " still reaches the sink";
    }
    return ::testing::AssertionSuccess();
}

ReferenceResult referenceMaxflow(const FlowProblem& p) {
    // Nodes 0..n-1, source n, sink n+1; capacities summed into a matrix.
    const int n = p.num_nodes;
    const int s = n, t = n + 1, size = n + 2;
    std::vector<double> cap(static_cast<size_t>(size) * size, 0);
    auto at = [&](int u, int v) -> double& { return cap[static_cast<size_t>(u) * size + v]; };
    double constant = 0;
    for (int v = 0; v < n; ++v) {
        double m = std::min(p.source[v], p.sink[v]);
        constant += m;
        at(s, v) += p.source[v] - m;
        at(v, t) += p.sink[v] - m;
    }
    for (const RecordedEdge& e : p.edges) {
        at(e.from, e.to) += e.forward;
        at(e.to, e.from) += e.backward;
    }
    double flow = 0;
    std::vector<int> parent(size);
    for (;;) {
        std::fill(parent.begin(), parent.end(), -1);
        parent[s] = s;
        std::deque<int> queue{s};
        while (!queue.empty() && parent[t] < 0) {
            int u = queue.front();
            queue.pop_front();
            for (int v = 0; v < size; ++v)
                if (parent[v] < 0 && at(u, v) > 0) {
                    parent[v] = u;
                    queue.push_back(v);
                }
        }
        if (parent[t] < 0) break;
        double b = INFINITY;
        for (int v = t; v != s; v = parent[v]) b = std::min(b, at(parent[v], v));
        for (int v = t; v != s; v = parent[v]) {
            at(parent[v], v) -= b;
            at(v, parent[v]) += b;
        }
        flow += b;
    }
    ReferenceResult r;
    r.value = constant + flow;
    r.source_side.assign(n, false);
    for (int v = 0; v < n; ++v) r.source_side[v] = parent[v] >= 0;
    return r;
}
