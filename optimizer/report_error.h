// reportError: the optimizer core's single way of reporting a broken
// precondition or a refused allocation. When the condition holds it ends the
// host call with the identifier "Labrix:internal_error" and the message framed
// as "\nLumora error: <message>\n"; the host's error call does not return.
// When the condition is false it does nothing.
#ifndef LABRIX_OPTIMIZER_REPORT_ERROR_H
#define LABRIX_OPTIMIZER_REPORT_ERROR_H

void reportError(bool condition, const char* message);

// The error callback the moves hand to the max-flow engine: the engine's
// failure (refused memory, a variable with more than 1024 pair terms on one
// side) ends the host call under "Labrix:maxflow" with the engine's message.
void reportFlowError(const char* message);

#endif
