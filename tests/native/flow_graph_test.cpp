// The flow graph's storage: terminal folding, chunk boundaries, the run
// layout that maxflow() prepares (chunk spills, headers, spare slots, the
// order of in-arc entries), odd allocator addresses, the error paths and
// the release of every chunk.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "cutengine/flow_graph.h"
#include "host_call.h"
#include "support/flow_certificate.h"

namespace {

int countChunks(const NodeChunk* c) { int n = 0; for (; c; c = c->next_chunk) ++n; return n; }
int countChunks(const ArcChunk* c) { int n = 0; for (; c; c = c->next_chunk) ++n; return n; }
int countChunks(const InArcChunk* c) { int n = 0; for (; c; c = c->next_chunk) ++n; return n; }

template <typename Chunk>
bool holds(const Chunk* c, const void* p) {
    const char* q = static_cast<const char*>(p);
    return q >= reinterpret_cast<const char*>(c->slots) && q < reinterpret_cast<const char*>(c->slots + ARCS_PER_CHUNK + 1);
}

void expectOk(const testhost::CallResult& r) { EXPECT_TRUE(r.ok) << r.message; }

TEST(FlowGraph, TerminalWeightFolding) {
    struct Step {
        bool add;  // addTerminalWeights, else setTerminalWeights
        EnergyValue s, t;
        EnergyValue flow_after, residual_after;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"add folds the common part", {{true, 5, 2, 2, 3}, {true, 0, 4, 5, -1}}},
        {"negative sink weight on a zero residual", {{true, 0, -5, -5, 5}}},
        {"add on a negative residual", {{true, 0, 1, 0, -1}, {true, 2, 0, 1, 1}}},
        {"set with equal capacities", {{false, 3, 3, 3, 0}}},
        {"set with a larger sink", {{false, 2, 7, 2, -5}}},
        {"set replaces the residual, keeps the folded part", {{true, 5, 2, 2, 3}, {false, 1, 0, 2, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectOk(testhost::capture([&] {
            FlowGraph g(mexErrMsgTxt);
            FlowNode* n = g.addNode();
            EXPECT_EQ(FlowGraph::terminalResidual(n), 0);
            for (const Step& s : c.steps) {
                if (s.add) g.addTerminalWeights(n, s.s, s.t);
                else g.setTerminalWeights(n, s.s, s.t);
                EXPECT_EQ(g.flowValue(), s.flow_after);
                EXPECT_EQ(FlowGraph::terminalResidual(n), s.residual_after);
            }
        }));
    }
}

TEST(FlowGraph, NodeChunkBoundary) {
    expectOk(testhost::capture([] {
        FlowGraph g(mexErrMsgTxt);
        std::vector<FlowNode*> nodes;
        for (int i = 0; i < 511; ++i) nodes.push_back(g.addNode());
        EXPECT_EQ(countChunks(g.nodeChunks()), 1);
        const NodeChunk* first = g.nodeChunks();
        EXPECT_EQ(nodes[0], first->slots);
        EXPECT_EQ(nodes[510], first->slots + 510);
        EXPECT_EQ(first->cursor, first->slots + 511);  // the end marker stays free
        nodes.push_back(g.addNode());
        EXPECT_EQ(countChunks(g.nodeChunks()), 2);
        EXPECT_EQ(g.nodeChunks()->next_chunk, first);  // newest first
        EXPECT_EQ(nodes[511], g.nodeChunks()->slots);
        EXPECT_EQ(first->cursor, first->slots + 511);
    }));
}

TEST(FlowGraph, ArcChunkBoundary) {
    for (int edges : {1024, 1025}) {
        SCOPED_TRACE(edges);
        expectOk(testhost::capture([&] {
            FlowGraph g(mexErrMsgTxt);
            FlowProblem p;
            for (int i = 0; i < 64; ++i) p.addNode();
            p.addTerminal(0, 50, 0);
            p.addTerminal(63, 0, 50);
            for (int e = 0; e < edges; ++e) p.addEdge(e % 64, (e * 7 + 1) % 64, 1, (e % 3 == 0));
            std::vector<FlowNode*> nodes = buildGraph(g, p);
            int expected = edges == 1024 ? 1 : 2;
            EXPECT_EQ(countChunks(g.arcChunks()), expected);
            EXPECT_EQ(countChunks(g.inArcChunks()), expected);
            EXPECT_EQ(g.arcChunks()->cursor, g.arcChunks()->slots + (edges == 1024 ? 1024 : 1));
            EXPECT_EQ(g.inArcChunks()->cursor, g.inArcChunks()->slots + (edges == 1024 ? 1024 : 1));
            EnergyValue flow = g.maxflow();
            EXPECT_TRUE(checkCertificate(g, nodes, p, flow));
            EXPECT_EQ(flow, referenceMaxflow(p).value);
        }));
    }
}

// A star: the centre has `count` out-arcs (or in-arcs) to distinct leaves.
// The centre is node 510, the last node of the oldest node chunk, so that
// preparation places its run last: it is the last node of its arc chunk.
int buildStar(FlowGraph& g, FlowProblem& p, std::vector<FlowNode*>& nodes, int count, bool outward) {
    const int centre = 510;
    for (int i = 0; i <= count; ++i) p.addNode();
    int flow = 0;
    for (int i = 0; i <= count; ++i) {
        if (i == centre) {
            p.addTerminal(i, outward ? 2000 : 0, outward ? 0 : 2000);
            continue;
        }
        p.addTerminal(i, outward ? 0 : i % 3, outward ? i % 3 : 0);
        flow += i % 3 != 0;
        if (outward) p.addEdge(centre, i, 1, 0);
        else p.addEdge(i, centre, 1, 0);
    }
    nodes = buildGraph(g, p);
    return flow;
}

TEST(FlowGraph, ArcsPerNodeLimit) {
    struct Case {
        int count;
        bool outward;
        bool fits;
    };
    for (const Case& c : std::vector<Case>{{1024, true, true}, {1025, true, false}, {1024, false, true}, {1025, false, false}}) {
        SCOPED_TRACE(std::to_string(c.count) + (c.outward ? " out-arcs" : " in-arcs"));
        size_t before = testhost::liveCallBlocks();
        testhost::CallResult r = testhost::capture([&] {
            FlowGraph g(mexErrMsgTxt);
            FlowProblem p;
            std::vector<FlowNode*> nodes;
            int expected = buildStar(g, p, nodes, c.count, c.outward);
            FlowNode* centre = nodes[510];
            EnergyValue flow = g.maxflow();
            EXPECT_TRUE(checkCertificate(g, nodes, p, flow));
            EXPECT_EQ(flow, expected);
            if (c.outward) {
                // The only run of the full chunk is headed: header in slot 0,
                // the first arc relocated into the spare slot.
                const ArcChunk* chunk = g.arcChunks();
                EXPECT_EQ(countChunks(chunk), 1);
                EXPECT_EQ(FlowGraph::outBegin(centre), chunk->slots + 1);
                EXPECT_EQ(FlowGraph::outEnd(centre), reinterpret_cast<uintptr_t>(chunk->slots + 1025));
                EXPECT_EQ(centre->out_range & RANGE_HEADED, RANGE_HEADED);
            }
        });
        EXPECT_EQ(r.ok, c.fits);
        if (!c.fits) {
            EXPECT_EQ(r.message, "# of arcs per node exceeds block size!");
        }
        EXPECT_EQ(testhost::liveCallBlocks(), before);
    }
}

TEST(FlowGraph, RunsSpillIntoOlderAndNewChunks) {
    // Three nodes with 600 out-arcs each: 1800 arcs in two chunks, but a run
    // never spans chunks, so the runs take the newest chunk, the older one
    // and one new chunk put at the head of the list.
    expectOk(testhost::capture([] {
        FlowGraph g(mexErrMsgTxt);
        FlowProblem p;
        for (int i = 0; i < 3 + 50; ++i) p.addNode();
        for (int t = 0; t < 3; ++t) {
            p.addTerminal(t, 400, 0);
            for (int e = 0; e < 600; ++e) p.addEdge(t, 3 + (e * (t + 1)) % 50, 1, e % 2);
        }
        for (int i = 3; i < 53; ++i) p.addTerminal(i, 0, i % 20);
        std::vector<FlowNode*> nodes = buildGraph(g, p);
        const ArcChunk* newest_initial = g.arcChunks();
        const ArcChunk* oldest_initial = newest_initial->next_chunk;
        ASSERT_EQ(countChunks(g.arcChunks()), 2);
        EnergyValue flow = g.maxflow();
        ASSERT_EQ(countChunks(g.arcChunks()), 3);
        EXPECT_EQ(g.arcChunks()->next_chunk, newest_initial);
        EXPECT_TRUE(holds(newest_initial, FlowGraph::outBegin(nodes[0])));
        EXPECT_TRUE(holds(oldest_initial, FlowGraph::outBegin(nodes[1])));
        EXPECT_TRUE(holds(g.arcChunks(), FlowGraph::outBegin(nodes[2])));
        for (int t = 0; t < 3; ++t) EXPECT_EQ(outArcs(nodes[t]).size(), 600u);
        EXPECT_TRUE(checkCertificate(g, nodes, p, flow));
        EXPECT_EQ(flow, referenceMaxflow(p).value);
    }));
}

TEST(FlowGraph, InArcEntriesComeInReverseOrder) {
    // h is the first node; 600 tails follow it across two node chunks, one
    // arc each into h. Preparation meets the arcs chunk by chunk from the
    // newest, so h's in-run lists them reversed: tails 510..1, then 599..511.
    expectOk(testhost::capture([] {
        FlowGraph g(mexErrMsgTxt);
        std::vector<FlowNode*> nodes;
        for (int i = 0; i < 600; ++i) nodes.push_back(g.addNode());
        for (int i = 1; i < 600; ++i) g.addEdge(nodes[i], nodes[0], 1, 0);
        g.maxflow();
        std::vector<FlowArc*> in = inArcs(nodes[0]);
        ASSERT_EQ(in.size(), 599u);
        std::vector<FlowNode*> tails;
        for (FlowArc* a : in) tails.push_back(FlowGraph::tailOf(nodes[0], a));
        std::vector<FlowNode*> expected;
        for (int i = 510; i >= 1; --i) expected.push_back(nodes[i]);
        for (int i = 599; i >= 511; --i) expected.push_back(nodes[i]);
        EXPECT_EQ(tails, expected);
        // A node with no arcs as the last node of a chunk still has a
        // header holding the end of its empty run.
        EXPECT_TRUE(inArcs(nodes[510]).empty());
        EXPECT_EQ(nodes[510]->in_range & RANGE_HEADED, RANGE_HEADED);
    }));
}

// Graphs whose runs waste chunk ends in many ways: random degrees up to the
// limit, heads spread over several node chunks. The certificate proves each
// result optimal.
TEST(FlowGraph, RandomRunLayoutsKeepEveryArc) {
    uint32_t seed = std::random_device{}();
    for (uint32_t base : {99u, seed}) {
        std::mt19937 rng(base);
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE("seed " + std::to_string(base) + ", round " + std::to_string(round));
            expectOk(testhost::capture([&] {
                FlowGraph g(mexErrMsgTxt);
                FlowProblem p;
                const int n = 1500;
                for (int i = 0; i < n; ++i) p.addNode();
                std::uniform_int_distribution<int> cap(0, 30);
                std::uniform_int_distribution<int> node(0, n - 1);
                std::uniform_int_distribution<int> big(300, 1024);
                for (int i = 0; i < n; ++i) p.addTerminal(i, cap(rng), cap(rng));
                std::vector<int> in_count(n, 0);
                for (int i = 0; i < n; ++i) {
                    int degree = (i % 97 == 0) ? big(rng) : cap(rng) % 4;
                    for (int e = 0; e < degree; ++e) {
                        int h = node(rng);
                        if (h == i || in_count[h] == 1024) continue;
                        ++in_count[h];
                        p.addEdge(i, h, cap(rng) % 5, cap(rng) % 3);
                    }
                }
                std::vector<FlowNode*> nodes = buildGraph(g, p);
                EnergyValue flow = g.maxflow();
                EXPECT_TRUE(checkCertificate(g, nodes, p, flow));
            }));
        }
    }
}

TEST(FlowGraph, OddAllocatorAddresses) {
    size_t before = testhost::liveCallBlocks();
    size_t bad_before = testhost::badFrees();
    testhost::setOddAddresses(true);
    FlowGraph* g = new FlowGraph(mexErrMsgTxt);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(g) % alignof(FlowGraph), 0u);
    FlowProblem p;
    for (int i = 0; i < 1200; ++i) p.addNode();
    for (int i = 0; i < 1200; ++i) p.addTerminal(i, i % 7, (i * 3) % 5);
    for (int i = 0; i + 1 < 1200; ++i) p.addEdge(i, i + 1, 2, 1);
    for (int i = 0; i + 40 < 1200; ++i) p.addEdge(i, i + 40, 1, 1);
    std::vector<FlowNode*> nodes = buildGraph(*g, p);
    EnergyValue flow = g->maxflow();
    EXPECT_TRUE(checkCertificate(*g, nodes, p, flow));
    EXPECT_EQ(flow, referenceMaxflow(p).value);
    for (const NodeChunk* c = g->nodeChunks(); c; c = c->next_chunk) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c) % 8, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c->raw_base) % 2, 1u);
    }
    for (const ArcChunk* c = g->arcChunks(); c; c = c->next_chunk) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c->slots) % 8, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c->raw_base) % 2, 1u);
    }
    for (const InArcChunk* c = g->inArcChunks(); c; c = c->next_chunk) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c->slots) % 8, 0u);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c->raw_base) % 2, 1u);
    }
    delete g;
    testhost::setOddAddresses(false);
    EXPECT_EQ(testhost::liveCallBlocks(), before);
    EXPECT_EQ(testhost::badFrees(), bad_before);
}

TEST(FlowGraph, DestructionReleasesEveryChunk) {
    // Built only, and built and solved (with spilled runs and orphan chunks).
    for (bool solve : {false, true}) {
        SCOPED_TRACE(solve ? "solved" : "never solved");
        size_t before = testhost::liveCallBlocks();
        FlowGraph* g = new FlowGraph(mexErrMsgTxt);
        std::vector<FlowNode*> nodes;
        for (int i = 0; i < 2000; ++i) nodes.push_back(g->addNode());
        for (int i = 0; i < 2000; ++i) g->addTerminalWeights(nodes[i], (i % 2) * 9, 9 - (i % 2) * 9);
        for (int i = 0; i + 1 < 2000; ++i) g->addEdge(nodes[i], nodes[i + 1], 3, 3);
        for (int e = 0; e < 700; ++e) g->addEdge(nodes[1999], nodes[e], 1, 1);
        EXPECT_GT(testhost::liveCallBlocks(), before);
        if (solve) g->maxflow();
        delete g;
        EXPECT_EQ(testhost::liveCallBlocks(), before);
    }
}

// Every allocation of building and solving refused in turn: each refusal
// ends the call with "Not enough memory!", and the host frees what the graph
// had taken. The refusals reach the chunks added by preparation and the
// orphan chunks too.
TEST(FlowGraph, RefusedAllocationsReportNotEnoughMemory) {
    size_t before = testhost::liveCallBlocks();
    bool reached_solve = false;
    bool succeeded = false;
    for (long n = 0; n < 100 && !succeeded; ++n) {
        SCOPED_TRACE(n);
        bool solving = false;
        testhost::CallResult r = testhost::capture([&] {
            testhost::failAllocationsAfter(n);
            FlowGraph* g = new FlowGraph(mexErrMsgTxt);
            if (!g) mexErrMsgTxt("Not enough memory!");
            std::vector<FlowNode*> nodes;
            for (int i = 0; i < 1100; ++i) nodes.push_back(g->addNode());
            for (int i = 0; i < 1100; ++i) g->addTerminalWeights(nodes[i], i % 3 == 0 ? 50 : 0, i % 3 == 1 ? 50 : 0);
            for (int t = 0; t < 3; ++t)
                for (int e = 0; e < 600; ++e) g->addEdge(nodes[t], nodes[3 + e], 1, 1);
            for (int i = 3; i + 1 < 1100; ++i) g->addEdge(nodes[i], nodes[i + 1], 2, 2);
            solving = true;
            g->maxflow();
            delete g;
        });
        testhost::failAllocationsAfter(-1);
        if (r.ok) {
            succeeded = true;
        } else {
            EXPECT_EQ(r.message, "Not enough memory!");
            reached_solve = reached_solve || solving;
        }
        EXPECT_EQ(testhost::liveCallBlocks(), before);
    }
    EXPECT_TRUE(succeeded);
    EXPECT_TRUE(reached_solve);
}

void returningCallback(const char* message) { std::fprintf(stderr, "callback: %s\n", message); }

TEST(FlowGraphDeathTest, FailureEndsTheProcessWhenTheCallbackReturns) {
    EXPECT_EXIT(
        {
            FlowGraph g(returningCallback);
            testhost::failAllocationsAfter(0);
            g.addNode();
        },
        ::testing::ExitedWithCode(1), "callback: Not enough memory!");
    EXPECT_EXIT(
        {
            FlowGraph g(nullptr);
            testhost::failAllocationsAfter(0);
            g.addNode();
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            FlowGraph g(returningCallback);
            FlowNode* a = g.addNode();
            for (int i = 0; i < 1025; ++i) g.addEdge(a, g.addNode(), 1, 0);
            g.maxflow();
        },
        ::testing::ExitedWithCode(1), "callback: # of arcs per node exceeds block size!");
}

}  // namespace
