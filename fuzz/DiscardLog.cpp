// Linked into every fuzz target: diagnostics are formatted at every level, so their formatting
// meets the fuzzed values too, and then dropped, so that millions of refused inputs cost no
// writes. Connected before main by static initialisation; the sink's state is constant.
#include "platform/log/LogSink.h"

namespace {

class CDiscardLogSink : public ILogSink {
public:
    bool IsEnabled(const char*, LogLevel) override { return true; }
    void Write(const char*, LogLevel, const char*) override {}
};

CDiscardLogSink g_sink;
const bool g_bConnected = (SetLogSink(&g_sink), true);

}  // namespace
