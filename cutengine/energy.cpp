#include "cutengine/energy.h"

void BinaryEnergy::addTerm2(Var x, Var y, EnergyValue e00, EnergyValue e01, EnergyValue e10, EnergyValue e11) {
    // What is left once x pays A at 0 and D at 1: 0 at (0,0) and (1,1),
    // B - A at (0,1), C - D at (1,0).
    EnergyValue b = e01 - e00;
    EnergyValue c = e10 - e11;
    // Checked before any capacity changes, so a refused term leaves the
    // energy as it was.
    if (!(b + c >= 0)) fail("Non-regular pairwise term: B + C >= 0 does not hold");
    addTerminalWeights(x, e11, e00);
    if (b < 0) {
        addTerminalWeights(x, 0, b);
        addTerminalWeights(y, 0, -b);
        addEdge(x, y, 0, b + c);
    } else if (c < 0) {
        addTerminalWeights(x, 0, -c);
        addTerminalWeights(y, 0, c);
        addEdge(x, y, b + c, 0);
    } else {
        addEdge(x, y, b, c);
    }
}
