// Coverage-guided fuzz target over the three modules on the test host.
//
// Each input is decoded into a short sequence of calls to labrixnew,
// labrixgate and colshift with arrays of random class, shape and content
// (NaN, infinities, huge and negative values, empty, sparse, complex, cells),
// real, stale and forged handles, random modes and argument counts. Most
// calls follow the shape of a real call, with one argument perturbed, so
// that the fuzzer reaches the moves and not only the first checks.
//
// After every call it checks what no call may break:
// - a failed call of labrixnew or labrixgate carries an identifier that
//   starts with "Labrix"; a failed colshift call one of colshift's messages;
// - no call memory survives the call, nothing is freed twice or wrongly;
// - live persistent memory is exactly what the live objects own;
// - every live object's labels are in range, and for objects built from
//   small integer costs the energies equal a from-scratch recomputation.
// The sanitizers catch reads and writes outside memory; libFuzzer's timeout
// catches hangs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "host_call.h"
#include "optimizer/handle_table.h"
#include "optimizer/lumora.h"

extern "C" void labrixgate_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" void labrixnew_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" void colshift_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

using testhost::Array;

// What the harness knows of an object it built: enough to recompute its
// energies when every cost is a small integer (sums are then exact in any
// order, so the recomputation needs no knowledge of the object's order).
struct Shadow {
    bool exact = false;
    bool graph = false;
    bool weighted = false;
    int L = 0, W = 0, H = 0, N = 0;
    std::vector<double> data;    // p * L + l
    std::vector<double> smooth;  // a * L + b: first pixel a
    std::vector<double> horz, vert;
    std::vector<int> pairA, pairB;
    std::vector<double> pairW;
};

struct Problem {
    int L = 2, W = 2, H = 2;
    bool graph = false;
};

const double kSpecial[] = {0, 1, -1, 2, 3, 0.5, -0.5, 1e30, -1e30, 1e300, NAN, INFINITY, -INFINITY, 2147483648.0,
                           4294967296.0 + 7, 255, 65535, 97, 101, 115, 103, 110, 99};
const mxClassID kClasses[] = {mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,  mxUINT8_CLASS,
                              mxINT16_CLASS,  mxUINT16_CLASS, mxINT32_CLASS, mxUINT32_CLASS,
                              mxINT64_CLASS,  mxUINT64_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS};

class Session {
public:
    explicit Session(FuzzInput& r) : m_r(r) {}

    void run() {
        for (int k = 0; k < 12 && !m_r.done(); ++k) step();
        // End of the session: unloading the modules destroys everything.
        testhost::clearAll();
        HandleTable::destroyAll();
        if (testhost::livePersistentBlocks() != 0) violated("persistent memory left after unloading the modules");
    }

private:
    FuzzInput& m_r;
    Problem m_problem;
    std::vector<uint32_t> m_live;
    std::vector<uint32_t> m_stale;
    std::map<uint32_t, Shadow> m_shadows;
    std::vector<Array> m_keep;  // arrays of the current call
    Shadow m_building;

    const mxArray* keep(Array a) {
        m_keep.push_back(std::move(a));
        return m_keep.back().get();
    }

    double special() { return kSpecial[m_r.below(sizeof kSpecial / sizeof kSpecial[0])]; }

    // ---- array generators ----

    const mxArray* handleArray() {
        switch (m_r.below(6)) {
            case 0:
            case 1:
                if (!m_live.empty()) return keep(testhost::makeUint32({m_live[m_r.below(static_cast<int>(m_live.size()))]}, {1, 1}));
                return keep(testhost::makeUint32({0}, {1, 1}));
            case 2:
                if (!m_stale.empty()) return keep(testhost::makeUint32({m_stale[m_r.below(static_cast<int>(m_stale.size()))]}, {1, 1}));
                return keep(testhost::makeUint32({m_r.word()}, {1, 1}));
            case 3: return keep(testhost::makeUint32({m_r.word()}, {1, 1}));
            case 4: return keep(testhost::makeUint32({}, {0, 0}));
            default: return randomArray();
        }
    }

    const mxArray* randomArray() {
        switch (m_r.below(8)) {
            case 0: return keep(testhost::makeEmpty(kClasses[m_r.below(12)], m_r.below(2), m_r.below(3)));
            case 1: {
                std::vector<std::complex<double>> v(static_cast<size_t>(1 + m_r.below(4)), {special(), special()});
                return keep(testhost::makeComplex(v, {1, v.size()}));
            }
            case 2: {
                std::vector<Array> items;
                if (m_r.below(2)) items.push_back(testhost::makeScalar(special()));
                return keep(testhost::makeCell(std::move(items)));
            }
            case 3: {
                size_t n = static_cast<size_t>(m_r.below(5));
                std::vector<testhost::Triplet> t;
                for (int k = m_r.below(6); k > 0; --k)
                    if (n) t.push_back({static_cast<size_t>(m_r.below(static_cast<int>(n))), static_cast<size_t>(m_r.below(static_cast<int>(n))), special()});
                return keep(testhost::makeSparse(n, n, t));
            }
            case 4: {
                static const char* const texts[] = {"per", "PER", "Labels", "labels", "RandomOrder", "randomorder",
                                                    "", "e", "a", "x", "Verbose", "per "};
                return keep(testhost::makeChar(texts[m_r.below(12)]));
            }
            default: {
                std::vector<size_t> dims;
                const int nd = 1 + m_r.below(3);
                size_t count = 1;
                for (int d = 0; d < nd; ++d) {
                    dims.push_back(static_cast<size_t>(m_r.below(5)));
                    count *= dims.back();
                }
                if (nd == 1) dims.push_back(1);
                std::vector<double> v(count);
                for (double& x : v) x = m_r.below(3) ? static_cast<double>(m_r.below(6)) : special();
                mxClassID cls = kClasses[m_r.below(12)];
                if (cls == mxCHAR_CLASS || cls == mxLOGICAL_CLASS)
                    for (double& x : v) x = std::isfinite(x) ? std::fabs(std::fmod(x, 256)) : 0;
                return keep(testhost::makeNumeric(cls, v, dims));
            }
        }
    }

    // A small integer cost, or now and then a value no cost may have.
    double cost(bool& exact) {
        if (m_r.below(24) == 0) {
            exact = false;
            return special();
        }
        return static_cast<double>(m_r.below(10));
    }

    // The arrays of a well-formed problem, recorded in m_building.
    void problemArrays(std::vector<const mxArray*>& in, int form) {
        Problem& p = m_problem;
        p.L = 1 + m_r.below(4);
        p.W = m_r.below(5);
        p.H = form == 1 ? 1 : m_r.below(4);
        p.graph = form == 1;
        const int N = p.W * p.H;
        Shadow s;
        s.exact = true;
        s.graph = p.graph;
        s.weighted = form == 2;
        s.L = p.L;
        s.W = p.W;
        s.H = p.H;
        s.N = N;
        s.data.resize(static_cast<size_t>(p.L * N));
        for (double& d : s.data) d = cost(s.exact);
        const bool single = m_r.below(2);
        const mxClassID cls = single ? mxSINGLE_CLASS : mxDOUBLE_CLASS;
        in.push_back(keep(testhost::makeNumeric(cls, s.data, p.graph ? std::vector<size_t>{size_t(p.L), size_t(N)}
                                                                     : std::vector<size_t>{size_t(p.L), size_t(p.W), size_t(p.H)})));
        // S(a+1, b+1) = smooth[a * L + b]; mostly metric, so moves can run.
        s.smooth.resize(static_cast<size_t>(p.L * p.L));
        const int kind = m_r.below(4);
        std::vector<double> column(s.smooth.size());
        for (int a = 0; a < p.L; ++a)
            for (int b = 0; b < p.L; ++b) {
                // Potts, truncated linear (both metrics), quadratic (not
                // regular for expansion), or anything.
                const double v = kind == 0 ? 2.0 * (a != b)
                               : kind == 1 ? std::min(std::abs(a - b), 2)
                               : kind == 2 ? (a - b) * (a - b) : cost(s.exact);
                s.smooth[static_cast<size_t>(a * p.L + b)] = v;
                column[static_cast<size_t>(a + b * p.L)] = v;
            }
        in.push_back(keep(testhost::makeNumeric(cls, column, {size_t(p.L), size_t(p.L)})));
        if (form == 2) {
            for (auto* w : {&s.horz, &s.vert}) {
                w->resize(static_cast<size_t>(N));
                for (double& x : *w) x = m_r.below(16) ? static_cast<double>(m_r.below(4)) : (s.exact = false, special());
                in.push_back(keep(testhost::makeNumeric(cls, *w, {size_t(p.W), size_t(p.H)})));
            }
        }
        if (form == 1) {
            std::vector<double> full(static_cast<size_t>(N * N), 0.0);
            for (int k = m_r.below(2 * N + 1); k > 0; --k) {
                const int a = m_r.below(N), b = m_r.below(N);
                const double w = m_r.below(12) ? 1.0 + m_r.below(3) : (s.exact = false, special());
                full[static_cast<size_t>(a + b * N)] = w;
                if (m_r.below(2)) full[static_cast<size_t>(b + a * N)] = w;
            }
            for (int a = 0; a < N; ++a)
                for (int b = a + 1; b < N; ++b) {
                    const double x = full[static_cast<size_t>(a + b * N)], y = full[static_cast<size_t>(b + a * N)];
                    if (x != 0 || y != 0) {
                        s.pairA.push_back(a);
                        s.pairB.push_back(b);
                        s.pairW.push_back(x != 0 ? x : y);
                    }
                }
            if (m_r.below(2)) {
                std::vector<testhost::Triplet> t;
                for (int c = 0; c < N; ++c)
                    for (int r = 0; r < N; ++r)
                        if (full[static_cast<size_t>(r + c * N)] != 0) t.push_back({size_t(r), size_t(c), full[static_cast<size_t>(r + c * N)]});
                in.push_back(keep(testhost::makeSparse(size_t(N), size_t(N), t)));
            } else {
                in.push_back(keep(testhost::makeDouble(full, {size_t(N), size_t(N)})));
            }
        }
        m_building = s;
    }

    const mxArray* labelsArray(mxClassID cls) {
        const int N = m_problem.W * m_problem.H + (m_r.below(16) == 0 ? 1 : 0);
        std::vector<double> v(static_cast<size_t>(std::max(N, 0)));
        for (double& x : v) x = m_r.below(20) ? m_r.below(m_problem.L) : special();
        return keep(testhost::makeNumeric(cls, v, {1, v.size()}));
    }

    const mxArray* scalarOf(double v) {
        static const mxClassID cls[] = {mxDOUBLE_CLASS, mxINT32_CLASS, mxSINGLE_CLASS, mxUINT8_CLASS, mxINT16_CLASS};
        return keep(testhost::makeNumeric(cls[m_r.below(5)], {v}, {1, 1}));
    }

    // ---- one call ----

    void step() {
        m_keep.clear();
        std::vector<const mxArray*> in;
        const int module = m_r.below(10);
        int nlhs = 1;
        testhost::MexFunction fn;
        bool building = false;
        if (module < 3) {
            fn = labrixnew_mexFunction;
            const int form = m_r.below(3);
            problemArrays(in, form);
            building = true;
            if (m_r.below(3) == 0) {
                in.push_back(keep(testhost::makeChar(m_r.below(2) ? "Labels" : "RandomOrder")));
                in.push_back(m_r.below(2) ? labelsArray(mxDOUBLE_CLASS) : scalarOf(m_r.below(2)));
            }
            if (m_r.below(6) == 0) nlhs = m_r.below(3);
        } else if (module < 9) {
            fn = labrixgate_mexFunction;
            in.push_back(handleArray());
            static const char modes[] = "acegnsxEab";
            const char mode = modes[m_r.below(10)];
            in.push_back(m_r.below(8) ? keep(testhost::makeChar(std::string(1, mode))) : randomArray());
            nlhs = m_r.below(4);
            switch (mode) {
                case 's':
                    in.push_back(labelsArray(m_r.below(6) ? mxINT32_CLASS : mxDOUBLE_CLASS));
                    nlhs = m_r.below(5) ? 1 : m_r.below(3);
                    break;
                case 'e':
                    switch (m_r.below(4)) {
                        case 0: break;
                        case 1: in.push_back(scalarOf(m_r.below(5) - 1.0)); break;
                        default: {
                            in.push_back(keep(testhost::makeEmpty(mxDOUBLE_CLASS)));
                            in.push_back(scalarOf(m_r.below(m_problem.L + 1) - (m_r.below(8) == 0)));
                            if (m_r.below(2)) {
                                std::vector<int32_t> idx(static_cast<size_t>(m_r.below(5)));
                                for (int32_t& i : idx) i = m_r.below(10) ? m_r.below(std::max(1, m_problem.W * m_problem.H)) : static_cast<int32_t>(m_r.word());
                                in.push_back(keep(testhost::makeInt32(idx, {1, idx.size()})));
                            }
                        }
                    }
                    nlhs = m_r.below(3);
                    break;
                case 'a':
                    if (m_r.below(2)) in.push_back(scalarOf(m_r.below(4) - 1.0));
                    if (in.size() == 3 && m_r.below(2)) in.push_back(scalarOf(m_r.below(m_problem.L + 1)));
                    nlhs = m_r.below(3);
                    break;
                default: break;
            }
            if (m_r.below(10) == 0) in.push_back(randomArray());
        } else {
            fn = colshift_mexFunction;
            in.push_back(randomArray());
            in.push_back(scalarOf(1 + m_r.below(3) - (m_r.below(5) == 0) * 0.5));
            in.push_back(scalarOf(m_r.below(2) ? m_r.below(7) - 3.0 : special()));
            in.push_back(m_r.below(6) ? keep(testhost::makeChar("per")) : randomArray());
            nlhs = m_r.below(2);
        }
        // Now and then one argument is replaced by anything at all, or dropped.
        if (!in.empty() && m_r.below(4) == 0) {
            in[static_cast<size_t>(m_r.below(static_cast<int>(in.size())))] = randomArray();
            m_building.exact = false;  // the object, if any, is not the recorded one
        }
        if (!in.empty() && m_r.below(12) == 0) {
            in.pop_back();
            m_building.exact = false;
        }

        testhost::CallResult r = testhost::call(fn, nlhs, in);
        checkResult(fn, r, in);
        if (r.ok && building && r.outputs[0]) {
            const uint32_t h = *static_cast<const uint32_t*>(mxGetData(r.outputs[0].get()));
            m_live.push_back(h);
            m_shadows[h] = m_building;
        }
        checkObjects();
    }

    void checkResult(testhost::MexFunction fn, const testhost::CallResult& r, const std::vector<const mxArray*>& in) {
        if (testhost::liveCallBlocks() != 0) violated("call memory survived a call");
        if (testhost::badFrees() != 0) violated("a free of memory the host did not hand out");
        if (!r.ok) {
            if (fn == colshift_mexFunction) {
                if (!r.id.empty() || r.message.empty()) violated("colshift error without its message: " + r.message);
            } else if (r.id.compare(0, 6, "Labrix") != 0) {
                violated("error without a Labrix identifier: '" + r.id + "' " + r.message);
            }
            return;
        }
        if (fn == labrixgate_mexFunction && in.size() >= 2 && r.outputs[0]) {
            const uint32_t out = *static_cast<const uint32_t*>(mxGetData(r.outputs[0].get()));
            if (out == 0) {  // a close: the object is gone
                const uint32_t h = *static_cast<const uint32_t*>(mxGetData(in[0]));
                for (size_t i = 0; i < m_live.size(); ++i)
                    if (m_live[i] == h) {
                        m_live.erase(m_live.begin() + static_cast<long>(i));
                        m_stale.push_back(h);
                        m_shadows.erase(h);
                        break;
                    }
            }
        }
    }

    void checkObjects() {
        if (testhost::livePersistentBytes() != HandleTable::liveObjectBytes())
            violated("live persistent memory differs from what the live objects own");
        if (HandleTable::liveObjects() != m_live.size()) violated("live object count differs from the handles made");
        for (uint32_t h : m_live) {
            Lumora* o = HandleTable::find(h);
            if (!o) violated("a live handle finds no object");
            for (int32_t p = 0; p < o->numPixels(); ++p)
                if (o->labels()[p] < 0 || o->labels()[p] >= o->numLabels()) violated("label out of range");
            const Shadow& s = m_shadows[h];
            if (!s.exact) continue;
            EnergyValue data = 0, smooth = 0;
            testhost::CallResult e = testhost::capture([&] {
                data = o->dataEnergy();
                smooth = o->smoothnessEnergy();
            });
            if (!e.ok) violated("energy of a live object failed: " + e.message);
            double rd = 0, rs = 0;
            const int32_t* lab = o->labels();
            for (int p = 0; p < s.N; ++p) rd += s.data[static_cast<size_t>(p * s.L + lab[p])];
            auto T = [&](int a, int b) { return s.smooth[static_cast<size_t>(a * s.L + b)]; };
            if (s.graph) {
                for (size_t k = 0; k < s.pairA.size(); ++k)
                    rs += T(lab[s.pairB[k]], lab[s.pairA[k]]) * s.pairW[k];
            } else {
                for (int y = 0; y < s.H; ++y)
                    for (int x = 0; x + 1 < s.W; ++x) {
                        const int p = x + y * s.W;
                        rs += T(lab[p], lab[p + 1]) * (s.weighted ? s.horz[static_cast<size_t>(p)] : 1.0);
                    }
                for (int y = 0; y + 1 < s.H; ++y)
                    for (int x = 0; x < s.W; ++x) {
                        const int p = x + y * s.W;
                        rs += T(lab[p], lab[p + s.W]) * (s.weighted ? s.vert[static_cast<size_t>(p)] : 1.0);
                    }
            }
            if (static_cast<double>(data) != rd || static_cast<double>(smooth) != rs) {
                char text[160];
                std::snprintf(text, sizeof text, "energies %g/%g, recomputed %g/%g", double(data), double(smooth), rd, rs);
                violated(text);
            }
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput reader(data, size);
    Session session(reader);
    session.run();
    return 0;
}
