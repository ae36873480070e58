// The lens panel following the simulated camera's stream: a filter's panel opens beside the
// preview window when its stream starts, stays over a stop (a still is taken with the lens
// where the operator left it), and goes with the filter.
#pragma once

#include "sim/SimStreamObserver.h"

class CSimLensPanelObserver : public ISimStreamObserver {
public:
    std::unique_ptr<ISimStreamWatch> Watch(std::shared_ptr<CSimCamera> camera) override;
};

// Attaches the panel to every simulated camera's stream; needs a QApplication, whose thread
// runs and stops the filters.
void AttachSimLensPanel();
