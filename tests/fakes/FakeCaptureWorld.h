// FakeCaptureWorld: a scripted capture platform for tests. While one exists, the system device
// enumerator, the filter graph and the capture graph builder classes create fakes that answer
// from it, and every call they take is written to one log in order. A call's status can be
// scripted by the name it is logged under ("Graph.Run", "Moniker1.BindToObject", ...).
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/Interfaces.h"

class CFakeGraph;
class CFakeCaptureBuilder;

class FakeCaptureWorld {
public:
    // One video input device as the enumerator lists it.
    struct Device {
        std::wstring name;
        ComPtr<IBaseFilter> filter;  // what BindToObject yields; empty makes the bind fail
    };

    FakeCaptureWorld();
    ~FakeCaptureWorld();
    FakeCaptureWorld(const FakeCaptureWorld&) = delete;
    FakeCaptureWorld& operator=(const FakeCaptureWorld&) = delete;

    // The world of the running test, or null.
    static FakeCaptureWorld* Current();

    void AddDevice(const std::wstring& name, ComPtr<IBaseFilter> filter);
    const std::vector<Device>& Devices() const { return m_devices; }

    // Every later call of that name answers hr.
    void Script(const std::string& call, HRESULT hr) { m_always[call] = hr; }
    // Only the next call of that name answers hr (queued in order).
    void ScriptOnce(const std::string& call, HRESULT hr) { m_once[call].push_back(hr); }
    // Logs the call and returns its scripted status, if any.
    std::optional<HRESULT> Take(const std::string& call);
    // Logs the call and returns its scripted status or `natural`.
    HRESULT Answer(const std::string& call, HRESULT natural) {
        return Take(call).value_or(natural);
    }

    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }
    int CountOf(const std::string& call) const;
    // Position of the first call of that name in the log, or -1.
    int IndexOf(const std::string& call) const;

    // The last graph and builder created, while they live (not counted references).
    CFakeGraph* Graph() const { return m_pGraph; }
    CFakeCaptureBuilder* Builder() const { return m_pBuilder; }
    void SetGraph(CFakeGraph* graph) { m_pGraph = graph; }
    void SetBuilder(CFakeCaptureBuilder* builder) { m_pBuilder = builder; }

private:
    std::vector<Device> m_devices;
    std::map<std::string, HRESULT> m_always;
    std::map<std::string, std::deque<HRESULT>> m_once;
    std::vector<std::string> m_calls;
    CFakeGraph* m_pGraph = nullptr;
    CFakeCaptureBuilder* m_pBuilder = nullptr;
};

// Answers `natural` when no world is installed.
HRESULT FakeAnswer(const std::string& call, HRESULT natural);
