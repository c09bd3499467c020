// The optimizer object: construction, cost terms, neighbour lists, energies
// and label access, driven directly on the test host.
#include <cmath>
#include <string>
#include <vector>

#include "optimizer/lumora.h"
#include "support/labrix_testing.h"

namespace {

using labrixtest::lumoraMessage;
using testhost::capture;
using testhost::CallResult;

class LumoraTest : public labrixtest::LeakChecked {};

void expectLumoraError(const CallResult& r, const std::string& text) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.id, "Labrix:internal_error");
    EXPECT_EQ(r.message, lumoraMessage(text));
}

// ---- construction ----

TEST_F(LumoraTest, GridConstructionSetsSizesDefaultsAndZeroedTables) {
    Lumora* g = nullptr;
    ASSERT_TRUE(capture([&] { g = new Lumora(3, 2, 4, 0, 0); }).ok);
    EXPECT_TRUE(g->isValid());
    EXPECT_EQ(g->numPixels(), 6);
    EXPECT_EQ(g->numLabels(), 4);
    EXPECT_EQ(g->labelRows(), 3);
    EXPECT_TRUE(g->randomOrder());
    EXPECT_FALSE(g->weightedGrid());
    EXPECT_EQ(g->dataKind(), COST_TABLE);
    EXPECT_EQ(g->smoothKind(), COST_TABLE);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g->labelOrder()[i], i);
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(g->pixelVar()[p], -1);
        EXPECT_EQ(g->labels()[p], 0);
    }
    EXPECT_TRUE(capture([&] {
        EXPECT_EQ(g->dataEnergy(), 0.0f);
        EXPECT_EQ(g->smoothnessEnergy(), 0.0f);
    }).ok);
    EXPECT_EQ(testhost::livePersistentBytes(), g->ownedBytes());
    delete g;
}

TEST_F(LumoraTest, GeneralGraphConstructionAndDeferredCosts) {
    Lumora* g = nullptr;
    ASSERT_TRUE(capture([&] { g = new Lumora(5, 2, 1, 1); }).ok);
    EXPECT_EQ(g->labelRows(), 1);
    EXPECT_FALSE(g->isGrid());
    EXPECT_EQ(g->dataKind(), COST_UNSET);
    EXPECT_EQ(g->smoothKind(), COST_UNSET);
    EXPECT_EQ(testhost::livePersistentBytes(), g->ownedBytes());
    delete g;
}

TEST_F(LumoraTest, EmptyGridsAndZeroLabelsAreAccepted) {
    for (auto wh : std::vector<std::pair<int, int>>{{0, 3}, {3, 0}, {0, 0}}) {
        Lumora* g = nullptr;
        ASSERT_TRUE(capture([&] { g = new Lumora(wh.first, wh.second, 2, 0, 0); }).ok);
        EXPECT_EQ(g->numPixels(), 0);
        EXPECT_TRUE(capture([&] { EXPECT_EQ(g->totalEnergy(), 0.0f); }).ok);
        delete g;
    }
    Lumora* g = nullptr;
    ASSERT_TRUE(capture([&] { g = new Lumora(4, 0, 0, 0); }).ok);
    EXPECT_EQ(g->numLabels(), 0);
    delete g;
}

TEST_F(LumoraTest, ConstructionRefusalsLeaveNothingAllocated) {
    struct Case {
        const char* name;
        std::function<void()> build;
        const char* message;
    };
    std::vector<int32_t> labels = {0, 1, 0, 1, 1, 2, 0};  // label 2 at pixel 5 with L = 2
    const std::vector<int32_t> before = labels;
    const std::vector<Case> cases = {
        {"negative width", [] { delete new Lumora(-1, 2, 2, 0, 0); }, "Illegal negative parameters"},
        {"negative height", [] { delete new Lumora(2, -1, 2, 0, 0); }, "Illegal negative parameters"},
        {"negative grid labels", [] { delete new Lumora(2, 2, -1, 0, 0); }, "Illegal negative parameters"},
        {"negative pixels", [] { delete new Lumora(-3, 2, 0, 0); }, "Illegal negative parameters"},
        {"negative graph labels", [] { delete new Lumora(3, -2, 0, 0); }, "Illegal negative parameters"},
        {"grid label out of range", [&] { delete new Lumora(labels.data(), 7, 1, 2, 0, 0); },
         "Initial labels are out of valid range"},
        {"graph label out of range", [&] { delete new Lumora(labels.data(), 7, 2, 0, 0); },
         "Initial labels are out of valid range"},
        {"zero labels with pixels", [&] { delete new Lumora(labels.data(), 7, 0, 0, 0); },
         "Initial labels are out of valid range"},
        {"too many pixels", [] { delete new Lumora(65536, 65536, 2, 1, 1); },
         "Too many pixels: width * height exceeds 2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectLumoraError(capture(c.build), c.message);
        EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
    }
    EXPECT_EQ(labels, before);
}

TEST_F(LumoraTest, CallerLabellingIsUsedInPlaceAndSurvivesDestruction) {
    std::vector<int32_t> labels = {1, 0, 2, 1};
    Lumora* g = nullptr;
    ASSERT_TRUE(capture([&] { g = new Lumora(labels.data(), 2, 2, 3, 0, 0); }).ok);
    const int32_t next[] = {2, 2, 0, 0};
    ASSERT_TRUE(capture([&] { g->setAllLabels(next); }).ok);
    EXPECT_EQ(labels, (std::vector<int32_t>{2, 2, 0, 0}));
    delete g;
    EXPECT_EQ(labels, (std::vector<int32_t>{2, 2, 0, 0}));
}

TEST_F(LumoraTest, EveryRefusedAllocationDuringConstructionIsReportedWithoutLeak) {
    // Refuse the first, second, ... allocation in turn until construction
    // needs no refused one: each attempt fails cleanly or succeeds.
    for (int grid = 0; grid < 2; ++grid) {
        for (long k = 0;; ++k) {
            Lumora* g = nullptr;
            testhost::failAllocationsAfter(k);
            CallResult r = capture([&] { g = grid ? new Lumora(4, 3, 5, 0, 0) : new Lumora(12, 5, 0, 0); });
            testhost::failAllocationsAfter(-1);
            if (r.ok && g) {
                delete g;
                break;
            }
            SCOPED_TRACE(k);
            EXPECT_EQ(g, nullptr);
            if (!r.ok) {
                EXPECT_EQ(r.id, "Labrix:internal_error");
            }
            EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
        }
    }
}

// ---- cost terms ----

EnergyValue dataFn(int32_t p, int32_t l) { return static_cast<EnergyValue>(p * 10 + l); }
EnergyValue dataFnXY(int32_t x, int32_t y, int32_t l) { return static_cast<EnergyValue>(x * 100 + y * 10 + l); }
EnergyValue smoothFn(int32_t, int32_t, int32_t a, int32_t b) { return a == b ? 0.0f : 1.0f; }
EnergyValue smoothFnXY(int32_t, int32_t, int32_t a, int32_t b) { return a == b ? 0.0f : 2.0f; }

const char* const kDataSet =
    "ERROR: you already set the data, or said you'll use member function setDataCost() to set data";
const char* const kSmoothSet =
    "ERROR: you already set smoothness, or said you'll use member function setSmoothCost() to set Smoothness "
    "Costs";
const char* const kGridCues =
    "ERROR: for a grid graph, you can't use vertical and horizontal cues.  Use setNeighbors() member function to "
    "encode spatially varying cues";

TEST_F(LumoraTest, SettersAttachACostOnceAndRefuseTheRest) {
    const std::vector<EnergyValue> table(4 * 2, 1.0f), smooth = {0, 1, 1, 0}, weights(4, 1.0f);
    struct Case {
        const char* name;
        bool grid;
        int32_t deferred;
        std::function<void(Lumora&)> first;  // may be empty
        std::function<void(Lumora&)> second;
        const char* message;  // null: the second call succeeds
    };
    const std::vector<Case> cases = {
        {"data table twice", true, 1, [&](Lumora& o) { o.setData(table.data()); },
         [&](Lumora& o) { o.setData(dataFn); }, kDataSet},
        {"data fn then xy", true, 1, [&](Lumora& o) { o.setData(dataFn); }, [&](Lumora& o) { o.setData(dataFnXY); },
         kDataSet},
        {"data on zero-deferred object", true, 0, nullptr, [&](Lumora& o) { o.setData(table.data()); }, kDataSet},
        {"xy data on general graph", false, 1, nullptr, [&](Lumora& o) { o.setData(dataFnXY); },
         "Cannot use data function based on coordinates for non-grid graph"},
        {"pixel data on general graph", false, 1, nullptr, [&](Lumora& o) { o.setData(dataFn); }, nullptr},
        {"unset test before grid test", false, 1, [&](Lumora& o) { o.setData(dataFn); },
         [&](Lumora& o) { o.setData(dataFnXY); }, kDataSet},
        {"smooth table twice", true, 1, [&](Lumora& o) { o.setSmoothness(smooth.data()); },
         [&](Lumora& o) { o.setSmoothness(smoothFn); }, kSmoothSet},
        {"smooth on zero-deferred object", true, 0, nullptr, [&](Lumora& o) { o.setSmoothness(smooth.data()); },
         kSmoothSet},
        {"weighted on general graph", false, 1, nullptr,
         [&](Lumora& o) { o.setSmoothness(smooth.data(), weights.data(), weights.data()); }, kGridCues},
        {"weighted on grid", true, 1, nullptr,
         [&](Lumora& o) { o.setSmoothness(smooth.data(), weights.data(), weights.data()); }, nullptr},
        {"xy smooth on general graph", false, 1, nullptr, [&](Lumora& o) { o.setSmoothness(smoothFnXY, smoothFnXY); },
         "Cannot use smoothness function based on coordinates for non-grid graph"},
        {"weighted twice on general graph reports unset first", false, 1,
         [&](Lumora& o) { o.setSmoothness(smoothFn); },
         [&](Lumora& o) { o.setSmoothness(smooth.data(), weights.data(), weights.data()); }, kSmoothSet},
        {"pixel smooth on general graph", false, 1, nullptr, [&](Lumora& o) { o.setSmoothness(smoothFn); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lumora* o = nullptr;
        ASSERT_TRUE(capture([&] { o = c.grid ? new Lumora(2, 2, 2, c.deferred, c.deferred) : new Lumora(4, 2, c.deferred, c.deferred); }).ok);
        if (c.first) {
            ASSERT_TRUE(capture([&] { c.first(*o); }).ok);
        }
        const CostKind data = o->dataKind(), smoothKind = o->smoothKind();
        const size_t bytes = o->ownedBytes();
        CallResult r = capture([&] { c.second(*o); });
        if (c.message) {
            expectLumoraError(r, c.message);
            EXPECT_EQ(o->dataKind(), data);
            EXPECT_EQ(o->smoothKind(), smoothKind);
            EXPECT_EQ(o->ownedBytes(), bytes);
        } else {
            EXPECT_TRUE(r.ok) << r.message;
        }
        EXPECT_EQ(testhost::livePersistentBytes(), o->ownedBytes());
        delete o;
    }
}

TEST_F(LumoraTest, TablesAreCopiedAndTheWeightedSetterMarksTheGrid) {
    std::vector<EnergyValue> data = {1, 2, 3, 4}, smooth = {0, 1, 1, 0}, w = {2, 2};
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] {
        o = new Lumora(2, 1, 2, 1, 1);
        o->setData(data.data());
        o->setSmoothness(smooth.data(), w.data(), w.data());
    }).ok);
    data[0] = 100;
    smooth[1] = 100;
    w[0] = 100;
    const int32_t labels[] = {0, 1};
    ASSERT_TRUE(capture([&] {
        o->setAllLabels(labels);
        EXPECT_EQ(o->dataEnergy(), 1.0f + 4.0f);
        EXPECT_EQ(o->smoothnessEnergy(), 2.0f);
    }).ok);
    EXPECT_TRUE(o->weightedGrid());
    delete o;
}

TEST_F(LumoraTest, PerEntryMembersWriteTheirIndexAndCheckRanges) {
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] { o = new Lumora(3, 1, 2, 0, 0); }).ok);
    const int32_t labels[] = {1, 0, 1};
    ASSERT_TRUE(capture([&] {
        o->setDataCost(2, 1, 5.0f);  // index 2 * L + 1
        o->setDataCost(0, 1, 1.5f);
        o->setSmoothCost(1, 0, 3.0f);  // index 1 * L + 0: left 1, right 0
        o->setAllLabels(labels);
        EXPECT_EQ(o->dataEnergy(), 6.5f);
        EXPECT_EQ(o->smoothnessEnergy(), 3.0f);
    }).ok);
    expectLumoraError(capture([&] { o->setDataCost(3, 0, 1); }), "setDataCost: pixel index out of range");
    expectLumoraError(capture([&] { o->setDataCost(-1, 0, 1); }), "setDataCost: pixel index out of range");
    expectLumoraError(capture([&] { o->setDataCost(0, 2, 1); }), "setDataCost: label out of range");
    expectLumoraError(capture([&] { o->setSmoothCost(0, -1, 1); }), "setSmoothCost: label out of range");
    EXPECT_EQ(o->dataKind(), COST_TABLE);
    delete o;
    ASSERT_TRUE(capture([&] { o = new Lumora(3, 1, 2, 1, 1); }).ok);
    expectLumoraError(capture([&] { o->setDataCost(0, 0, 1); }), "setDataCost: the data cost is not a table");
    expectLumoraError(capture([&] { o->setSmoothCost(0, 0, 1); }),
                      "setSmoothCost: the smoothness cost is not a table");
    EXPECT_EQ(o->dataKind(), COST_UNSET);
    delete o;
}

// ---- neighbour lists ----

TEST_F(LumoraTest, BlockListReadsNewestGroupFirstInAdditionOrder) {
    struct Case {
        int count;
        std::vector<int> order;  // entries read back, by addition number
        int blocks;
        int headFill;
    };
    const std::vector<Case> cases = {
        {0, {}, 0, 4},
        {1, {1}, 1, 1},
        {4, {1, 2, 3, 4}, 1, 4},
        {5, {5, 1, 2, 3, 4}, 2, 1},
        {6, {5, 6, 1, 2, 3, 4}, 2, 2},
        {9, {9, 5, 6, 7, 8, 1, 2, 3, 4}, 3, 1},
    };
    int values[10];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        LinkedBlockList* list = new LinkedBlockList;
        ASSERT_TRUE(capture([&] {
            for (int i = 1; i <= c.count; ++i) list->addFront(&values[i]);
        }).ok);
        EXPECT_EQ(list->isEmpty(), c.count == 0);
        EXPECT_EQ(list->headFill(), c.headFill);
        int blocks = 0;
        for (const ListBlock* b = list->head(); b; b = b->next) ++blocks;
        EXPECT_EQ(blocks, c.blocks);
        std::vector<int> order;
        list->setCursorFront();
        while (list->hasNext()) order.push_back(static_cast<int>(static_cast<int*>(list->next()) - values));
        EXPECT_EQ(order, c.order);
        delete list;
    }
}

TEST_F(LumoraTest, BlockListRefusedBlockEndsTheCallAndKeepsTheList) {
    LinkedBlockList* list = new LinkedBlockList;
    int v[6];
    ASSERT_TRUE(capture([&] {
        for (int i = 0; i < 4; ++i) list->addFront(&v[i]);
    }).ok);
    testhost::failAllocationsAfter(0);
    CallResult r = capture([&] { list->addFront(&v[4]); });
    testhost::failAllocationsAfter(-1);
    labrixtest::expectError(r, "Labrix:LinkedBlockList:addFront", "Out of memory");
    EXPECT_EQ(list->headFill(), 4);
    EXPECT_EQ(list->head()->next, nullptr);
    delete list;
}


TEST_F(LumoraTest, SetNeighborsAddsBothEndsAndRefusesBadPairs) {
    Lumora* o = nullptr;
    const std::vector<EnergyValue> smooth = {0, 1, 1, 0};
    ASSERT_TRUE(capture([&] {
        o = new Lumora(8, 2, 0, 1);
        o->setSmoothness(smooth.data());
        o->setNeighbors(2, 7);
        o->setNeighbors(2, 7, 0.5f);
        o->setNeighbors(3, 3);
    }).ok);
    EXPECT_EQ(testhost::livePersistentBytes(), o->ownedBytes());
    const char* const range = "pixel1 < m_num_pixels && pixel1 >= 0 && pixel2 < m_num_pixels && pixel2 >= 0";
    for (auto pq : std::vector<std::pair<int, int>>{{8, 0}, {0, 8}, {-1, 2}, {2, -1}}) {
        expectLumoraError(capture([&] { o->setNeighbors(pq.first, pq.second); }), range);
    }
    // Pair (2,7) twice counts twice; the self pair (3,3) never.
    const int32_t labels[] = {0, 0, 1, 1, 0, 0, 0, 0};
    ASSERT_TRUE(capture([&] {
        o->setAllLabels(labels);
        EXPECT_EQ(o->smoothnessEnergy(), 1.5f);
    }).ok);
    EXPECT_EQ(testhost::livePersistentBytes(), o->ownedBytes());
    delete o;

    Lumora* grid = nullptr;
    ASSERT_TRUE(capture([&] { grid = new Lumora(3, 3, 2, 0, 0); }).ok);
    expectLumoraError(capture([&] { grid->setNeighbors(0, 1); }), "m_grid_graph == 0");
    delete grid;
}

// ---- energies ----

struct Recorded {
    int32_t a, b, la, lb;
    bool operator==(const Recorded& o) const { return a == o.a && b == o.b && la == o.la && lb == o.lb; }
};
std::vector<Recorded> g_calls;
EnergyValue recordPixelPair(int32_t p1, int32_t p2, int32_t l1, int32_t l2) {
    g_calls.push_back({p1, p2, l1, l2});
    return 1.0f;
}
EnergyValue recordCoordPair(int32_t x, int32_t y, int32_t l1, int32_t l2) {
    g_calls.push_back({x, y, l1, l2});
    return 1.0f;
}
EnergyValue recordCoordPairVert(int32_t x, int32_t y, int32_t l1, int32_t l2) {
    g_calls.push_back({100 + x, y, l1, l2});
    return 1.0f;
}

TEST_F(LumoraTest, GridSmoothnessVisitsPairsInOrderWithTheirArgumentOrders) {
    const int32_t labels[] = {0, 1, 2, 3};
    Lumora* o = nullptr;
    // Pixel function: the right (lower) pixel first.
    g_calls.clear();
    ASSERT_TRUE(capture([&] {
        o = new Lumora(2, 2, 4, 0, 1);
        o->setSmoothness(recordPixelPair);
        o->setAllLabels(labels);
        EXPECT_EQ(o->smoothnessEnergy(), 4.0f);
    }).ok);
    EXPECT_EQ(g_calls, (std::vector<Recorded>{{1, 0, 1, 0}, {3, 2, 3, 2}, {2, 0, 2, 0}, {3, 1, 3, 1}}));
    delete o;
    // Coordinate functions: the left (upper) pixel's coordinates, the right
    // (lower) pixel's label first.
    g_calls.clear();
    ASSERT_TRUE(capture([&] {
        o = new Lumora(2, 2, 4, 0, 1);
        o->setSmoothness(recordCoordPair, recordCoordPairVert);
        o->setAllLabels(labels);
        EXPECT_EQ(o->smoothnessEnergy(), 4.0f);
    }).ok);
    EXPECT_EQ(g_calls, (std::vector<Recorded>{{0, 0, 1, 0}, {0, 1, 3, 2}, {100, 0, 2, 0}, {101, 0, 3, 1}}));
    delete o;
}

TEST_F(LumoraTest, GeneralGraphCountsEachPairFromItsSmallerPixel) {
    g_calls.clear();
    const int32_t labels[] = {0, 1, 2};
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] {
        o = new Lumora(3, 3, 0, 1);
        o->setSmoothness(recordPixelPair);
        o->setNeighbors(2, 0);
        o->setNeighbors(1, 2);
        o->setAllLabels(labels);
        EXPECT_EQ(o->smoothnessEnergy(), 2.0f);
    }).ok);
    EXPECT_EQ(g_calls, (std::vector<Recorded>{{0, 2, 0, 2}, {1, 2, 1, 2}}));
    delete o;
}

TEST_F(LumoraTest, AsymmetricTableIsReadLeftToRightOnGridsAndLargerToSmallerOnGraphs) {
    const std::vector<EnergyValue> T = {0, 5, 7, 0};
    const int32_t labels[] = {0, 1};
    Lumora *grid = nullptr, *graph = nullptr;
    ASSERT_TRUE(capture([&] {
        grid = new Lumora(2, 1, 2, 0, 1);
        grid->setSmoothness(T.data());
        grid->setAllLabels(labels);
        graph = new Lumora(2, 2, 0, 1);
        graph->setSmoothness(T.data());
        graph->setNeighbors(0, 1);
        graph->setAllLabels(labels);
        EXPECT_EQ(grid->smoothnessEnergy(), 5.0f);
        EXPECT_EQ(graph->smoothnessEnergy(), 7.0f);
    }).ok);
    // The same pair vertically: upper label selects the row.
    Lumora* column = nullptr;
    ASSERT_TRUE(capture([&] {
        column = new Lumora(1, 2, 2, 0, 1);
        column->setSmoothness(T.data());
        column->setAllLabels(labels);
        EXPECT_EQ(column->smoothnessEnergy(), 5.0f);
    }).ok);
    delete grid;
    delete graph;
    delete column;
}

TEST_F(LumoraTest, EnergyOfEveryCostFormOnSmallProblems) {
    // A 3-by-2 grid with labels 0..2; expected values computed by hand.
    const int32_t labels[] = {0, 1, 2, 2, 1, 0};
    std::vector<EnergyValue> data(6 * 3);
    for (int p = 0; p < 6; ++p)
        for (int l = 0; l < 3; ++l) data[p * 3 + l] = static_cast<EnergyValue>(p * 10 + l);
    const std::vector<EnergyValue> potts = {0, 1, 1, 1, 0, 1, 1, 1, 0};
    const std::vector<EnergyValue> twos(6, 2.0f);
    struct Case {
        const char* name;
        std::function<void(Lumora&)> set;
        float data;
        float smooth;
    };
    // Data: pixel p at label l costs 10p + l: sum of 10p is 150, labels sum to 6.
    // Pairs: horizontal (0,1),(1,2),(3,4),(4,5) all differ; vertical (0,3),(1,4),(2,5): 0-2, 1-1, 2-0.
    const std::vector<Case> cases = {
        {"tables", [&](Lumora& o) { o.setData(data.data()); o.setSmoothness(potts.data()); }, 156, 6},
        {"weighted tables", [&](Lumora& o) { o.setData(data.data()); o.setSmoothness(potts.data(), twos.data(), twos.data()); }, 156, 12},
        {"functions", [&](Lumora& o) { o.setData(dataFn); o.setSmoothness(smoothFn); }, 156, 6},
        {"coordinate functions", [&](Lumora& o) { o.setData(dataFnXY); o.setSmoothness(smoothFnXY, smoothFnXY); },
         // x*100 + y*10 + l: x sums to 0+1+2 twice = 6 -> 600, y: 3 pixels at y=1 -> 30, labels 6.
         636, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lumora* o = nullptr;
        ASSERT_TRUE(capture([&] {
            o = new Lumora(3, 2, 3, 1, 1);
            c.set(*o);
            o->setAllLabels(labels);
            EXPECT_EQ(o->dataEnergy(), c.data);
            EXPECT_EQ(o->smoothnessEnergy(), c.smooth);
            EXPECT_EQ(o->totalEnergy(), c.data + c.smooth);
        }).ok);
        delete o;
    }
}

TEST_F(LumoraTest, SumsAreRoundedToSingleAfterEveryAddition) {
    // Summed in double, 16777216 + 1 + 1 gives 16777218; in single steps it
    // stays at 16777216.
    const std::vector<EnergyValue> data = {16777216.0f, 1.0f, 1.0f};
    const std::vector<EnergyValue> T = {0, 1, 3, 0};
    const std::vector<EnergyValue> horz = {0.1f, 0.7f, 0.0f}, vert = {0, 0, 0};
    const int32_t labels[] = {0, 1, 0};
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] {
        o = new Lumora(3, 1, 1, 1, 1);
        o->setData(data.data());
        const std::vector<EnergyValue> one = {0};
        o->setSmoothness(one.data());
        EXPECT_EQ(o->dataEnergy(), 16777216.0f);
    }).ok);
    delete o;
    // Weighted terms are formed in double and rounded once, when added:
    // 1 * 0.1f + 3 * 0.7f gives 2.20000005f, where rounding each product to
    // single first would give 2.19999981f.
    ASSERT_TRUE(capture([&] {
        o = new Lumora(3, 1, 2, 0, 1);
        o->setSmoothness(T.data(), horz.data(), vert.data());
        o->setAllLabels(labels);
        const EnergyValue e = o->smoothnessEnergy();
        EXPECT_EQ(e, 2.20000005f);
        volatile float p1 = 1.0f * 0.1f, p2 = 3.0f * 0.7f;
        EXPECT_NE(e, p1 + p2);
    }).ok);
    delete o;
}

TEST_F(LumoraTest, SmallAndEmptyGridsHaveNoPairs) {
    const std::vector<EnergyValue> T = {0, 1, 1, 0};
    for (auto wh : std::vector<std::pair<int, int>>{{1, 1}, {1, 3}, {3, 1}, {0, 2}}) {
        Lumora* o = nullptr;
        std::vector<int32_t> alternating(static_cast<size_t>(wh.first * wh.second));
        for (size_t i = 0; i < alternating.size(); ++i) alternating[i] = static_cast<int32_t>(i % 2);
        ASSERT_TRUE(capture([&] {
            o = new Lumora(wh.first, wh.second, 2, 0, 1);
            o->setSmoothness(T.data());
            o->setAllLabels(alternating.data());
            // A column of 3 has two vertical pairs, a row of 3 two horizontal.
            const float expected = static_cast<float>(alternating.size() > 1 ? alternating.size() - 1 : 0);
            EXPECT_EQ(o->smoothnessEnergy(), expected);
        }).ok);
        delete o;
    }
}

TEST_F(LumoraTest, UnsetCostsAreRefusedByTheEnergies) {
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] { o = new Lumora(2, 2, 2, 1, 1); }).ok);
    expectLumoraError(capture([&] { o->dataEnergy(); }), "Did not initialize the data costs yet");
    expectLumoraError(capture([&] { o->smoothnessEnergy(); }),
                      "Did not initialize smoothness costs yet, can't compute smooth energy");
    expectLumoraError(capture([&] { o->totalEnergy(); }), "Did not initialize the data costs yet");
    delete o;
    ASSERT_TRUE(capture([&] { o = new Lumora(4, 2, 1, 1); }).ok);
    expectLumoraError(capture([&] { o->smoothnessEnergy(); }),
                      "Did not initialize smoothness costs yet, can't compute smooth energy");
    delete o;
}

// ---- labels ----

TEST_F(LumoraTest, SetAllLabelsChecksEachLabelAndStopsAtTheFirstBadOne) {
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] { o = new Lumora(2, 2, 3, 0, 0); }).ok);
    const int32_t good[] = {0, 2, 1, 2};
    ASSERT_TRUE(capture([&] { o->setAllLabels(good); }).ok);
    int32_t out[4];
    o->exportLabels(out);
    EXPECT_EQ(std::vector<int32_t>(out, out + 4), std::vector<int32_t>(good, good + 4));
    for (int32_t bad : {-1, 3}) {
        const int32_t lastBad[] = {1, 1, 1, bad};
        expectLumoraError(capture([&] { o->setAllLabels(lastBad); }), "Wrong label value");
        o->exportLabels(out);
        EXPECT_EQ(std::vector<int32_t>(out, out + 4), (std::vector<int32_t>{1, 1, 1, 2}));
        const int32_t restore[] = {0, 2, 1, 2};
        ASSERT_TRUE(capture([&] { o->setAllLabels(restore); }).ok);
    }
    delete o;
}

TEST(ReportError, FalseDoesNothingTrueEndsTheCallFramed) {
    EXPECT_TRUE(capture([] { reportError(false, "anything"); }).ok);
    CallResult r = capture([] { reportError(true, "Not enough memory"); });
    EXPECT_EQ(r.id, "Labrix:internal_error");
    EXPECT_EQ(r.message, "\nLumora error: Not enough memory\n");
}

}  // namespace
