#pragma once
// Waiting in a test until a graph has reached the state it was asked for (a paused graph has
// cued its pictures).

#include "platform/graph/filter_graph.h"

namespace sptest {

// Asks the graph every 10 ms, at most `tries` times, while the answer is still intermediate;
// returns the last answer (S_OK once the state is reached). `state`, if given, gets the state.
inline mf::HRESULT settleGraph(mf::FilterGraph& graph, int tries = 1000,
                               mf::FilterState* state = nullptr) {
    mf::FilterState reached = mf::FilterState::Stopped;
    mf::HRESULT hr = mf::VFW_S_STATE_INTERMEDIATE;
    for (int i = 0; i < tries && hr == mf::VFW_S_STATE_INTERMEDIATE; ++i)
        hr = graph.GetState(10, &reached);
    if (state) *state = reached;
    return hr;
}

} // namespace sptest
